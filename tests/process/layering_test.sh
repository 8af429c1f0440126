#!/usr/bin/env bash
# The layering check passes on the tree and catches each kind of offence in a small fixture tree.
. "$(dirname "$0")/common.sh"
check=$1
src=$2
bash "$check" "$src" >"$work/tree" || { cat "$work/tree" >&2; fail "the source tree breaks the layering"; }
mkdir -p "$work/fix/mud" "$work/fix/player" "$work/fix/app"
printf '#include "render/scene.h"\n' > "$work/fix/mud/a.cpp"
printf '#include "rlgl.h"\n' > "$work/fix/player/b.h"
printf 'void F() { DrawCircle(0, 0, 1, RED); }\n' > "$work/fix/player/c.cpp"
printf 'void G() { glFinish(); }\n' > "$work/fix/app/d.cpp"
mkdir -p "$work/fix/frontend"
printf 'void H() { DrawCircle(0, 0, 1, RED); } // allowed here\n' > "$work/fix/frontend/e_draw.cpp"
printf 'void J() {}\n' > "$work/fix/player/g_draw.cpp"
printf '#include "hud/hud_draw.h"\n' > "$work/fix/mud/h.h"
printf '// a comment may name BeginDrawing()\nvoid I() {}\n' > "$work/fix/player/f.cpp"
bash "$check" "$work/fix" >"$work/fixture"
expect_status $? 1
expect_line "$work/fixture" "mud/a.cpp includes"
expect_line "$work/fixture" "player/b.h includes"
expect_line "$work/fixture" "player/c.cpp:1 calls DrawCircle"
expect_line "$work/fixture" "app/d.cpp:1 calls glFinish"
expect_line "$work/fixture" "player/g_draw.cpp is a window or GL file in a simulation folder"
expect_line "$work/fixture" "mud/h.h includes"
expect_line "$work/fixture" "6 offence(s)"
echo "layering: ok"
