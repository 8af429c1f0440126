#!/usr/bin/env bash
# The Windows build and its checks: installs the MinGW-w64 cross toolchain and Wine if missing,
# cross-builds glorvent.exe and glorvent_tests.exe, checks that the game needs no DLL beyond
# Windows' own, and runs the unit tests, --licenses, --test-embedded, a windowed --smoke run and
# the flow over the profile (--smoke profile, its reload, a start killed in play, the reload after
# it) under Wine (Xvfb and Mesa's software OpenGL) in a throwaway prefix.
# Ends with "windows: N passed, N failed" (each unit test counts on its own, and each failed one
# is named) and a non-zero status on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Two file-system tests use Cyrillic folder names, which Wine cannot map under an ASCII locale.
. scripts/utf8-locale.sh

passed=0
failed=0
log_dir=$(mktemp -d)
prefix_dir=""

say() { printf 'windows: %s\n' "$*" >&2; }
pass() { passed=$((passed + 1)); say "ok   $1"; }
fail() { failed=$((failed + 1)); say "FAIL $1"; }
finish() {
  if [ -n "$prefix_dir" ]; then
    WINEPREFIX="$prefix_dir" "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$prefix_dir"
  fi
  rm -rf "$log_dir"
  echo "windows: $passed passed, $failed failed"
  [ "$failed" = 0 ]
  exit
}
# Shows the tail of a step's log when it fails.
show() { tail -n "${2:-40}" "$1" | sed 's/^/  | /' >&2; }
seconds() { echo $(( $(date +%s) - $1 )); }

# [SECTION] Packages
packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth
          libgl1-mesa-dri libglx-mesa0 icoutils imagemagick libgtest-dev cmake make)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } >"$log_dir/apt" 2>&1; then
    show "$log_dir/apt"
    fail "install ${missing[*]}"
    finish
  fi
fi
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

# [SECTION] Build
start=$(date +%s)
if ! scripts/deps.sh windows >"$log_dir/deps" 2>&1; then
  show "$log_dir/deps"
  fail "raylib and GLFW for Windows"
  finish
fi
say "deps ready in $(seconds "$start") s"

start=$(date +%s)
if ! { cmake --preset windows && cmake --build --preset windows -j "$(nproc)"; } >"$log_dir/build" 2>&1; then
  show "$log_dir/build"
  fail "cross build"
  finish
fi
pass "cross build in $(seconds "$start") s"
exe=build/windows/glorvent.exe
tests_exe=build/windows/tests/glorvent_tests.exe
say "glorvent.exe is $(stat -c %s "$exe") bytes"

# Only DLLs that every Windows installation has; a MinGW runtime DLL (libstdc++-6, libgcc_s,
# libwinpthread-1) or a raylib/GLFW DLL would have to ship beside the game.
system_dlls='^(kernel32|user32|gdi32|shell32|winmm|msvcrt|opengl32|advapi32|ole32|oleaut32|comdlg32|imm32|version|dwmapi|shcore|ntdll|ws2_32)\.dll$'
for binary in "$exe" "$tests_exe"; do
  foreign=$(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' |
            tr 'A-Z' 'a-z' | grep -vE "$system_dlls" | tr '\n' ' ')
  if [ -z "$foreign" ]; then
    pass "$(basename "$binary") needs only system DLLs"
  else
    fail "$(basename "$binary") needs $foreign"
  fi
done

# [SECTION] Wine
prefix_dir=$(mktemp -d)
export WINEPREFIX="$prefix_dir" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko download prompts: nothing here needs .NET or a browser engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
start=$(date +%s)
if ! { timeout 300 env -u DISPLAY "$wine" wineboot --init && timeout 120 "$wineserver" -w; } >"$log_dir/wineboot" 2>&1; then
  show "$log_dir/wineboot"
  fail "wineboot"
  finish
fi
say "Wine prefix ready in $(seconds "$start") s"
start=$(date +%s)

# The unit tests: every gtest result counts on its own. The brief output names each failed test
# on a line "[  FAILED  ] Suite.Name (N ms)"; a run that crashes or hangs never reaches the line
# "[==========] N tests from M test suites ran.".
timeout 600 env -u DISPLAY "$wine" "$tests_exe" --gtest_brief=1 >"$log_dir/unit" 2>&1
status=$?
tr -d '\r' <"$log_dir/unit" >"$log_dir/unit.txt"
unit_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log_dir/unit.txt" | tail -n 1)
unit_failed=$(sed -n 's/^\[  FAILED  \] \([A-Za-z_][A-Za-z0-9_/]*\.[A-Za-z0-9_/]*\)[ ,].*/\1/p' "$log_dir/unit.txt" | sort -u)
passed=$((passed + ${unit_passed:-0}))
if [ "$status" = 0 ] && [ -n "$unit_passed" ] && [ -z "$unit_failed" ]; then
  say "ok   glorvent_tests.exe: $unit_passed tests"
else
  show "$log_dir/unit.txt" 60
  for name in $unit_failed; do fail "glorvent_tests.exe: $name"; done
  if ! grep -qE '^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\.' "$log_dir/unit.txt"; then
    fail "glorvent_tests.exe stopped before the end (status $status)"
  elif [ -z "$unit_failed" ]; then
    fail "glorvent_tests.exe ended with status $status"
  fi
fi

# --licenses: the three texts in order, exit 0, no display needed.
timeout 120 env -u DISPLAY "$wine" "$exe" --licenses >"$log_dir/licenses" 2>"$log_dir/licenses.err"
status=$?
order=$(tr -d '\r' <"$log_dir/licenses" |
        grep -xE 'licenses/raylib-LICENSE.txt|assets/fonts/Exo2-OFL.txt|assets/fonts/OFL.txt' | tr '\n' ' ')
fonts=$(grep -c 'SIL OPEN FONT LICENSE' "$log_dir/licenses")
if [ "$status" = 0 ] && [ "$order" = "licenses/raylib-LICENSE.txt assets/fonts/Exo2-OFL.txt assets/fonts/OFL.txt " ] &&
   [ "$fonts" -ge 2 ]; then
  pass "--licenses"
else
  show "$log_dir/licenses.err"
  fail "--licenses (status $status, texts: $order)"
fi

# --test-embedded: all 14 assets and the Windows-style path read through the resource API.
timeout 120 env -u DISPLAY "$wine" "$exe" --test-embedded >"$log_dir/embedded" 2>&1
status=$?
if [ "$status" = 0 ] && tr -d '\r' <"$log_dir/embedded" | grep -qx '15 passed, 0 failed'; then
  pass "--test-embedded"
else
  show "$log_dir/embedded"
  fail "--test-embedded (status $status)"
fi
# A resource missing from the executable: one error line naming it, a failed self-check, no crash.
timeout 120 env -u DISPLAY "$wine" build/windows/tests/glorvent_without_font.exe --test-embedded \
  >"$log_dir/missing" 2>&1
status=$?
if [ "$status" = 1 ] && tr -d '\r' <"$log_dir/missing" | grep -qx 'FAIL 102 assets/fonts/Exo2-Bold.ttf' &&
   [ "$(grep -c 'Embedded asset missing or invalid: assets/fonts/Exo2-Bold.ttf' "$log_dir/missing")" = 1 ]; then
  pass "missing resource 102 reported"
else
  show "$log_dir/missing"
  fail "missing resource 102 (status $status)"
fi
say "Wine checks without a window in $(seconds "$start") s"

# --smoke: the real window through Wine's OpenGL on Mesa's llvmpipe under Xvfb. The Wine
# server and its desktop started above without a display; a fresh one must see Xvfb's.
"$wineserver" -k >/dev/null 2>&1
"$wineserver" -w >/dev/null 2>&1
start=$(date +%s)
smoke_dir=$(mktemp -d -p "$log_dir")
(cd "$smoke_dir" && timeout 900 "$root/scripts/with-xvfb.sh" "$wine" "$root/$exe" --smoke 60) \
  >"$log_dir/smoke" 2>&1
status=$?
report="$smoke_dir/artifacts/smoke.txt"
if [ "$status" = 0 ] && [ -s "$smoke_dir/artifacts/smoke.png" ] && [ -f "$report" ] &&
   tr -d '\r' <"$report" | grep -qx 'frames 60' && tr -d '\r' <"$report" | grep -qx 'consistent 1' &&
   grep -q 'STARTUP: canyon scene shader compiled/linked' "$log_dir/smoke" && ! grep -q 'ERROR' "$log_dir/smoke"; then
  pass "--smoke 60 under Xvfb in $(seconds "$start") s"
else
  show "$log_dir/smoke"
  fail "--smoke 60 (status $status)"
fi
bake=$(tr -d '\r' <"$log_dir/smoke" | sed -n 's/.*STARTUP: terrain textures \([0-9.]*\) seconds.*/\1/p' | head -n 1)
[ -z "$bake" ] || say "terrain textures under Wine: $bake s"

# The window the system really made: a 1280 x 720 client area with its title bar does not fit
# Xvfb's 1280 x 720 screen, so Wine makes it smaller. The size the game lays out for must be the
# real framebuffer's and the saved frame's, and the letterbox the largest centred 16:9 of whole
# 16 x 9 steps inside it, with a 16:9 render size within the driver's limit.
png="$smoke_dir/artifacts/smoke.png"
png_size=""
[ -s "$png" ] && png_size=$(od -An -tu1 -j16 -N8 "$png" |
  awk '{ printf "%d %d", (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }')
display=$( { [ -f "$report" ] && tr -d '\r' <"$report"; } | grep -m 1 '^display ')
verdict=$(printf '%s\n' "$display" | awk -v png="$png_size" '
  function size(text, part) { split(text, part, "x"); w = part[1] + 0; h = part[2] + 0 }
  $1 == "display" && $2 == "window" && $4 == "framebuffer" && $6 == "letterbox" && $10 == "render" && $12 == "limit" {
    size($3); ww = w; wh = h
    size($5); fw = w; fh = h
    size($9); bw = w; bh = h
    size($11); rw = w; rh = h
    split(png, p, " ")
    u = int(fw / 16) < int(fh / 9) ? int(fw / 16) : int(fh / 9)
    if (fw < 16 || fh < 9) { print "framebuffer " fw "x" fh " is empty"; exit }
    if (ww != fw || wh != fh) { print "the game lays out for " ww "x" wh " in a " fw "x" fh " framebuffer"; exit }
    if (p[1] != fw || p[2] != fh) { print "the saved frame is " p[1] "x" p[2] ", the framebuffer " fw "x" fh; exit }
    if (bw != 16 * u || bh != 9 * u || $7 * 2 != fw - bw || $8 * 2 != fh - bh) {
      print "letterbox " $7 " " $8 " " $9 " in a " fw "x" fh " framebuffer"; exit
    }
    if (rw * 9 != rh * 16 || rw < 16 || ($13 > 0 && rw > $13)) { print "render size " $11 " (limit " $13 ")"; exit }
    print "ok " fw "x" fh; exit
  }
  { print "no display line in the smoke report"; exit }')
if [ "${verdict%% *}" = ok ]; then
  pass "--smoke letterbox follows the real window (${verdict#ok })"
else
  [ -z "$display" ] || say "  | $display"
  fail "--smoke display: ${verdict:-no display line in the smoke report}"
fi

# [SECTION] The flow over the profile
# Four windowed starts under the same prefix, each with a fresh Wine server on its own Xvfb: the
# real screens (play, pause, continue, die, shop, buy, quit with the exit fade) writing the
# profile under the prefix's LOCALAPPDATA; a second start reloading the purchase; a third killed
# with SIGKILL in play once the autosave has written; a fourth loading the profile intact.
fresh_wine() { "$wineserver" -k >/dev/null 2>&1; "$wineserver" -w >/dev/null 2>&1; }
flow_dir=$(mktemp -d -p "$log_dir")
# grep reads its whole input in these pipelines: an early exit would fail them under pipefail.
# Runs the game in the flow's folder with Wine's own LOCALAPPDATA; the game's pid goes to $1.
wine_flow() {
  local pid=$1
  shift
  (cd "$flow_dir" && timeout 900 "$root/scripts/with-xvfb.sh" bash -c 'echo $$ >"$0"; exec env -u LOCALAPPDATA "$@"' \
    "$pid" "$wine" "$root/$exe" "$@")
}
flow_text() { [ -f "$flow_dir/artifacts/$1" ] && tr -d '\r' <"$flow_dir/artifacts/$1"; }
flow_loaded() { flow_text "$1" | sed -n 's/^profile loaded //p'; }

fresh_wine
start=$(date +%s)
wine_flow "$log_dir/pid1" --smoke profile >"$log_dir/profile1" 2>&1
status=$?
# Screens: 0 main menu, 1 shop, 4 pause, 5 playing, 6 the opening comic; dialog 2 quit.
sequence=$(flow_text smoke-profile-screens.txt | awk '{ printf "%s/%s/%s/%s ", $4, $6, $10, $12 }')
expected="0/0/0/0 6/0/0/0 5/0/1/0 4/0/1/0 5/0/1/0 0/0/0/0 1/0/0/0 0/0/0/0 0/2/0/0 0/2/0/1 "
kept=$(flow_text smoke-profile.txt | sed -n 's/^profile kept //p')
# 100 coins paid, 25 spent on the first level of the first upgrade.
bought="coins 75 remainder 0 levels 1,0,0,0,0,0,0,0,0 intro 1"
if [ "$status" = 0 ] && [ "$sequence" = "$expected" ] && [ "$kept" = "$bought" ] &&
   flow_text smoke-profile.txt | grep -x 'consistent 1' >/dev/null && ! grep -q 'ERROR' "$log_dir/profile1"; then
  pass "--smoke profile: menu, play, pause, continue, die, shop, buy, quit in $(seconds "$start") s"
else
  show "$log_dir/profile1"
  fail "--smoke profile (status $status, screens $sequence, kept $kept)"
fi
profiles=("$WINEPREFIX"/drive_c/users/*/AppData/Local/Glorvent/profile.dat)
if [ -f "${profiles[0]}" ] && [ "$(stat -c %s "${profiles[0]}")" = 140 ]; then
  pass "profile written at ${profiles[0]#"$WINEPREFIX"/}"
else
  fail "no profile under $WINEPREFIX/drive_c/users/*/AppData/Local/Glorvent"
fi

fresh_wine
start=$(date +%s)
wine_flow "$log_dir/pid2" --smoke profile-check >"$log_dir/profile2" 2>&1
status=$?
again=$(flow_loaded smoke-profile-check.txt)
if [ "$status" = 0 ] && [ -n "$kept" ] && [ "$again" = "$kept" ]; then
  pass "--smoke profile-check reloads the purchase in $(seconds "$start") s"
else
  show "$log_dir/profile2"
  fail "--smoke profile-check (status $status, loaded $again)"
fi

# The held run prints a line for every save it sees; it is killed once two have been written.
fresh_wine
start=$(date +%s)
: >"$log_dir/profile3"
flow_saves() { grep -c 'DEV: profile saved' "$log_dir/profile3"; }
wine_flow "$log_dir/pid3" --smoke profile-hold >"$log_dir/profile3" 2>&1 &
holder=$!
for _ in $(seq 3000); do
  [ "$(flow_saves)" -ge 2 ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.2
done
in_play=$(flow_text smoke-profile-hold-screens.txt | tail -n 1 | grep -c 'screen 5 dialog 0 menu 0 run 1')
if [ "$(flow_saves)" -ge 2 ] && [ -s "$log_dir/pid3" ] && kill -9 "$(cat "$log_dir/pid3")" 2>/dev/null; then
  wait "$holder"
  status=$?
else
  wait "$holder"
  status="ended $?"
fi
last=$(tr -d '\r' <"$log_dir/profile3" |
       sed -n 's/.*DEV: profile saved at iteration [0-9]*: coins \([0-9]*\) .*/\1/p' | tail -n 1)
if [ "$status" = 137 ] && [ "$in_play" = 1 ]; then
  pass "--smoke profile-hold killed in play after $(flow_saves) saves in $(seconds "$start") s"
else
  show "$log_dir/profile3"
  fail "--smoke profile-hold (status $status, in play $in_play, $(flow_saves) saves)"
fi

fresh_wine
start=$(date +%s)
wine_flow "$log_dir/pid4" --smoke profile-check >"$log_dir/profile4" 2>&1
status=$?
after=$(flow_loaded smoke-profile-check.txt)
coins=$(echo "$after" | awk '{ print $2 }')
if [ "$status" = 0 ] && tr -d '\r' <"$log_dir/profile4" | grep 'PROFILE: loaded .*Glorvent/profile.dat$' >/dev/null &&
   [ "${after#* * }" = "${bought#* * }" ] && [ -n "$last" ] && [ "${coins:-0}" -ge "$last" ]; then
  pass "the profile survives the kill: $after in $(seconds "$start") s"
else
  show "$log_dir/profile4"
  fail "the profile after the kill (status $status, loaded $after, last saved $last coins)"
fi

finish
