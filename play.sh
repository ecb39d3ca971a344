#!/usr/bin/env bash
# Installs what is missing, builds the game and its content, and starts it in
# the build folder, which holds the Data folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
cd build
exec ./velnorix "$@"
