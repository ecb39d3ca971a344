#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   ./test.sh             normal build in build/
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   ./test.sh --windows   the Windows programs in build-win32/ and their tests under Wine
#   ./test.sh --web       the browser build in build-web/, its bench under node and the
#                         page in Chromium
set -euo pipefail
cd "$(dirname "$0")"

case "$#:${1:-}" in
  0: | 1:--sanitize | 1:--windows | 1:--web) ;;
  *)
    echo "usage: ./test.sh [--sanitize | --windows | --web]" >&2
    exit 2
    ;;
esac

if [ "${1:-}" = "--windows" ]; then
  scripts/deps.sh --wine
  # The Linux build gives the Windows one its Data folder and icon, and the
  # tests the Linux bench to compare with: only those targets, when missing or
  # stale.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON
  cmake --build build -j"$(nproc)" --target vx_content vx_music vx_icon vx-pack velnorix-headless
  # As ./build-windows.sh builds them, warnings as errors.
  cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DVX_WERROR=ON -DVX_HOST_BUILD="$PWD/build"
  cmake --build build-win32 -j"$(nproc)"
  ctest --test-dir build-win32 --output-on-failure
  exit
fi

if [ "${1:-}" = "--web" ]; then
  scripts/deps.sh --web
  # playwright-core drives Debian's Chromium; no lock file is kept.
  [ -d tests/web/node_modules/playwright-core ] ||
    (cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)
  # The Linux bench to compare with, and the content.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON
  cmake --build build -j"$(nproc)" --target vx_content vx_music velnorix-headless
  ./build-web.sh -DVX_WERROR=ON
  ctest --test-dir build-web --output-on-failure
  exit
fi

scripts/deps.sh

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DVX_WERROR=ON -DVX_SANITIZE=ON -DVX_BUILD_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S . -B "$dir" "${flags[@]}"
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
