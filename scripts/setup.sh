#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (only what is missing), then the pinned
# raylib and GLFW. Idempotent; quick the second time. Usage: scripts/setup.sh [--tests]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(build-essential cmake pkg-config libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev
          libxi-dev libxext-dev libgl-dev libopengl-dev
          xvfb xauth libgl1-mesa-dri libglx-mesa0)
if [ "${1:-}" = "--tests" ]; then
  packages+=(glslang-tools libgtest-dev libgmock-dev libbenchmark-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

"$root/scripts/deps.sh" linux
