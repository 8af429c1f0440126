#!/usr/bin/env bash
# Runs a command under a private X server (1280 x 720, 24 bits) that picks its own free display,
# so several can run at once; exits with the command's status. Usage: scripts/with-xvfb.sh cmd...
set -u
fd_file=$(mktemp)
Xvfb -displayfd 9 -screen 0 1280x720x24 -nolisten tcp 9>"$fd_file" >/dev/null 2>&1 &
server=$!
for _ in $(seq 200); do [ -s "$fd_file" ] && break; sleep 0.05; done
display=$(cat "$fd_file")
rm -f "$fd_file"
if [ -z "$display" ]; then
  kill "$server" 2>/dev/null
  echo "with-xvfb: the X server did not start" >&2
  exit 125
fi
DISPLAY=":$display" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
