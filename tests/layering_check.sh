#!/usr/bin/env bash
# The layering rule, checked over the source tree:
# - world/, mud/, player/ and campaign/ are simulation only: they hold no window or GL file
#   (_draw, _gpu, _window); their drawing halves live in render/, hud/ or frontend/;
# - a file of world/, mud/, player/, campaign/, audio/ or frontend/ that is not a window or GL
#   file never includes rlgl.h, glad.h, a render/, hud/ or app/ header;
# - no file that goes into the simulation library (every .cpp without such a suffix, in any
#   folder) names a GL, drawing or window function.
# Prints one line per offence and exits 1 if there is any.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
offences=0
report() { echo "layering: $1"; offences=$((offences + 1)); }

is_window_file() { [[ "$1" =~ _(draw|gpu|window)\.(cpp|h)$ ]]; }

for dir in world mud player campaign; do
  [ -d "$dir" ] || continue
  while IFS= read -r file; do
    is_window_file "$file" && report "$file is a window or GL file in a simulation folder"
  done < <(find "$dir" -name '*.cpp' -o -name '*.h' | sort)
done

for dir in world mud player campaign audio frontend; do
  [ -d "$dir" ] || continue
  while IFS= read -r file; do
    is_window_file "$file" && continue
    while IFS= read -r line; do
      report "$file includes ${line#*#include }"
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((rlgl|external/glad|glad)\.h|(render|hud|app)/[^">]*)[">]' "$file")
  done < <(find "$dir" -name '*.cpp' -o -name '*.h' | sort)
done

# raylib's window, input, drawing and GPU calls, rlgl, OpenGL and GLFW.
calls='(InitWindow|CloseWindow|WindowShouldClose|IsWindow[A-Za-z]*|SetWindow[A-Za-z]*|ToggleFullscreen|GetScreenWidth|GetScreenHeight|GetRenderWidth|GetRenderHeight|GetMonitor[A-Za-z]*|BeginDrawing|EndDrawing|BeginMode2D|BeginMode3D|EndMode2D|EndMode3D|BeginTextureMode|EndTextureMode|BeginShaderMode|EndShaderMode|BeginScissorMode|EndScissorMode|BeginBlendMode|ClearBackground|Draw[A-Z][A-Za-z0-9]*|LoadTexture[A-Za-z]*|UnloadTexture|LoadRenderTexture|UnloadRenderTexture|UpdateTexture[A-Za-z]*|LoadShader[A-Za-z]*|UnloadShader|SetShaderValue[A-Za-z]*|GetShaderLocation[A-Za-z]*|LoadImageFromScreen|LoadImageFromTexture|UploadMesh|UnloadMesh|GenMesh[A-Za-z]*|LoadMaterial[A-Za-z]*|UnloadMaterial|LoadModel[A-Za-z]*|LoadFont[A-Za-z]*|IsKey[A-Za-z]*|GetKeyPressed|GetCharPressed|IsMouse[A-Za-z]*|GetMouse[A-Za-z]*|SetMouse[A-Za-z]*|IsGamepad[A-Za-z]*|GetGamepad[A-Za-z]*|GetFrameTime|GetFPS|SetTargetFPS|PollInputEvents|SwapScreenBuffer|ShowCursor|HideCursor|rl[A-Z][A-Za-z0-9]*|gl[A-Z][A-Za-z0-9]*|glfw[A-Z][A-Za-z0-9]*)'
while IFS= read -r file; do
  is_window_file "$file" && continue
  # Comments are allowed to talk about what the drawing half does.
  while IFS= read -r hit; do
    report "$file:${hit%%:*} calls ${hit#*:}"
  done < <(sed -e 's://.*$::' "$file" | grep -noE "(^|[^A-Za-z0-9_])$calls[[:space:]]*\(" | sed -E 's/:[^A-Za-z]*/:/; s/[[:space:]]*\($//')
done < <(find app common dev world mud player campaign render hud audio frontend -name '*.cpp' 2>/dev/null | grep -v '^app/main\.cpp$' | sort)

if [ "$offences" -gt 0 ]; then
  echo "layering: $offences offence(s)"
  exit 1
fi
echo "layering: ok"
