# Shared helpers of the process tests: each test runs the real executable and checks its status,
# its output and its log lines.
set -u
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() { [ "$1" = "$2" ] || fail "exit status $1, expected $2"; }
expect_line() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "missing line: $2"; }; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A windowed run under a private X server with Mesa's software renderer that picks its own free
# display; the command's status is returned as it is.
run_windowed() { "$(dirname "${BASH_SOURCE[0]}")/../../scripts/with-xvfb.sh" "$@"; }
