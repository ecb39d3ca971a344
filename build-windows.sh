#!/usr/bin/env bash
# Builds the Windows programs (32-bit, cross-built with mingw-w64) into
# build-win32/: velnorix.exe, velnorix-headless.exe, audiow32.dll,
# install.exe, Uninstall.exe, and a Data folder; and the release folder
# build-win32/ship/ (install.exe and data.1) with its zip,
# build-win32/velnorix-win32.zip. The Linux build in build/ makes the content
# and the tools first. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --windows
# Warnings are errors, as in ./test.sh --windows.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON
cmake --build build -j"$(nproc)" --target vx_content vx_music vx_icon vx-pack
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVX_WERROR=ON -DVX_HOST_BUILD="$PWD/build"
cmake --build build-win32 -j"$(nproc)"
