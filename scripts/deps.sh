#!/usr/bin/env bash
# Builds the pinned GLFW 3.4 and raylib 6.0 as static libraries into a prefix cached outside
# the clone, and links it in as .deps/<target>. Usage: scripts/deps.sh [linux|windows]
set -euo pipefail

target=${1:-linux}
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${GLORVENT_CACHE:-$HOME/.cache/glorvent}

RAYLIB_FILE=raylib_6.0+ds.orig.tar.gz
RAYLIB_POOL=pool/main/r/raylib
RAYLIB_SHA=48063be6305afd417a7f44fc588b2f266354cb30c0073ba8fb503d5a0429688e
GLFW_FILE=glfw3_3.4.orig.tar.gz
GLFW_POOL=pool/main/g/glfw3
GLFW_SHA=c038d34200234d071fae9345bc455e4a8f2f544ab60150765d7704e08f3dac01

# Bump when the build recipe below changes, so a stale cache is rebuilt.
RECIPE=3
prefix="$cache/deps-$target-r$RECIPE"

log() { printf 'deps: %s\n' "$*" >&2; }

# The Debian mirror this machine's apt already uses, read from its sources.
debian_mirror() {
  local uri
  uri=$(grep -hE '^(URIs:|deb )' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
        grep -v security | sed -E 's/^URIs:[[:space:]]*//; s/^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?//' |
        awk '{print $1}' | grep -E '/debian/?$' | head -n 1)
  printf '%s' "${uri%/}"
}

sha_ok() { [ -f "$1" ] && [ "$(sha256sum "$1" | cut -d' ' -f1)" = "$2" ]; }

# Fetches one Debian source tarball into the cache and checks its SHA-256.
fetch() {
  local file=$1 pool=$2 sha=$3 out="$cache/src/$1"
  mkdir -p "$cache/src"
  if sha_ok "$out" "$sha"; then return 0; fi
  rm -f "$out"
  local mirror; mirror=$(debian_mirror)
  if [ -n "$mirror" ]; then
    log "fetching $file"
    /usr/lib/apt/apt-helper download-file "$mirror/$pool/$file" "$out.part" "SHA256:$sha" >/dev/null 2>&1 &&
      mv "$out.part" "$out" || rm -f "$out.part"
  fi
  if ! sha_ok "$out" "$sha"; then
    # Fall back to apt's source download through a private configuration.
    log "direct fetch failed; trying apt-get source for $file"
    fetch_with_apt_source "$file" "$out"
  fi
  sha_ok "$out" "$sha" || { log "checksum mismatch or download failed: $file"; exit 1; }
}

fetch_with_apt_source() {
  local file=$1 out=$2 mirror apt_dir
  mirror=$(debian_mirror)
  apt_dir="$cache/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/work"
  cat >"$apt_dir/sources.list" <<SRC
deb-src [trusted=yes] $mirror trixie main
deb-src [trusted=yes] $mirror sid main
SRC
  local opts=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir")
  apt-get "${opts[@]}" update >/dev/null 2>&1 || true
  (cd "$apt_dir/work" && apt-get "${opts[@]}" source --download-only glfw3/trixie raylib/sid >/dev/null 2>&1) || true
  [ -f "$apt_dir/work/$file" ] && cp "$apt_dir/work/$file" "$out"
}

cross_args=()
if [ "$target" = windows ]; then
  cross_args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake")
fi

build_deps() {
  local work="$cache/build-$target-r$RECIPE"
  rm -rf "$work" "$prefix.part"
  mkdir -p "$work"
  tar xzf "$cache/src/$GLFW_FILE" -C "$work"
  tar xzf "$cache/src/$RAYLIB_FILE" -C "$work"
  local glfw_src; glfw_src=$(ls -d "$work"/glfw-*)
  local raylib_src; raylib_src=$(ls -d "$work"/raylib-*)

  log "building GLFW ($target)"
  cmake -S "$glfw_src" -B "$work/glfw-build" -G "Unix Makefiles" "${cross_args[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.part" \
    -DBUILD_SHARED_LIBS=OFF -DGLFW_BUILD_WAYLAND=OFF -DGLFW_BUILD_X11=ON \
    -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF >/dev/null
  cmake --build "$work/glfw-build" -j "$(nproc)" >/dev/null
  cmake --install "$work/glfw-build" >/dev/null

  log "building raylib ($target)"
  # The game saves its own screenshots on F12; raylib's built-in capture would write a second one.
  cmake -S "$raylib_src" -B "$work/raylib-build" -G "Unix Makefiles" "${cross_args[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.part" \
    -DCMAKE_PREFIX_PATH="$prefix.part" -DCMAKE_FIND_ROOT_PATH="$prefix.part" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_EXAMPLES=OFF -DPLATFORM=Desktop -DOPENGL_VERSION=3.3 \
    -DUSE_EXTERNAL_GLFW=ON -DGLFW_BUILD_WAYLAND=OFF \
    -DCMAKE_C_FLAGS="-DSUPPORT_SCREEN_CAPTURE=0 -DSUPPORT_GIF_RECORDING=0" >/dev/null
  cmake --build "$work/raylib-build" -j "$(nproc)" >/dev/null
  cmake --install "$work/raylib-build" >/dev/null

  # The game includes raylib's own glad.h for the GL 3.3 calls it makes directly, and prints
  # raylib's licence; both travel with the prefix.
  mkdir -p "$prefix.part/include/external" "$prefix.part/share/raylib"
  cp "$raylib_src/src/external/glad.h" "$prefix.part/include/external/glad.h"
  cp "$raylib_src/LICENSE" "$prefix.part/share/raylib/LICENSE"
  mv "$prefix.part" "$prefix"
  rm -rf "$work"
}

if [ ! -f "$prefix/lib/libraylib.a" ]; then
  fetch "$GLFW_FILE" "$GLFW_POOL" "$GLFW_SHA"
  fetch "$RAYLIB_FILE" "$RAYLIB_POOL" "$RAYLIB_SHA"
  build_deps
fi
mkdir -p "$root/.deps"
ln -sfn "$prefix" "$root/.deps/$target"
log "$target prefix ready: .deps/$target"
