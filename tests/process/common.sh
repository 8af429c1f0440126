# Shared helpers of the process tests: each test runs the real executable and checks its status,
# its output and its log lines.
set -u
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() { [ "$1" = "$2" ] || fail "exit status $1, expected $2"; }
expect_line() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "missing line: $2"; }; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A windowed run under a private X server with Mesa's software renderer. The server picks its own
# free display (several may run at once) and the command's status is returned as it is.
run_windowed() {
  local fd="$work/xvfb.display" pid display status
  Xvfb -displayfd 9 -screen 0 1280x720x24 -nolisten tcp 9>"$fd" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -s "$fd" ] && break; sleep 0.1; done
  display=$(cat "$fd" 2>/dev/null)
  [ -n "$display" ] || { kill "$pid" 2>/dev/null; fail "Xvfb did not start"; }
  DISPLAY=":$display" "$@"
  status=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $status
}
