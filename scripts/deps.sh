#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Needs root (or sudo) only when something has to be installed.
#   scripts/deps.sh            the Linux build
#   scripts/deps.sh --windows  and the mingw-w64 cross-compiler
#   scripts/deps.sh --wine     and Wine (32-bit, through i386 multiarch) with
#                              what its tests use on an X screen
#   scripts/deps.sh --fuzz     and clang with libFuzzer (tools/fuzz.sh)
#   scripts/deps.sh --web      and Emscripten, node and Chromium (the page
#                              and its tests; tests/web fetches playwright-core)
#   scripts/deps.sh --package  and what the Debian package is made and
#                              checked with (./build-package.sh)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libbenchmark-dev
  libsdl2-dev libxmp-dev libgtk-3-dev
  libfreetype-dev libpng-dev zlib1g-dev fonts-dejavu-core
  xvfb xauth xfonts-base xdotool imagemagick
)
case "${1:-}" in
  --windows) packages+=(g++-mingw-w64-i686) ;;
  # Wine's DirectDraw needs 32-bit OpenGL (Mesa's software renderer on Xvfb):
  # without it Wine falls back to a renderer that can show the wrong surface.
  --wine) packages+=(g++-mingw-w64-i686 wine wine32:i386 xdotool imagemagick x11-utils jq
                     libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386) ;;
  --fuzz) packages+=(clang libclang-rt-14-dev) ;;
  --web) packages+=(emscripten nodejs chromium python3 jq) ;;
  --package) packages+=(dpkg-dev file lintian) ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "error: need root to install ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
if [ "${1:-}" = "--wine" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
