#!/usr/bin/env bash
# Installs what is missing, builds the game and its content (pictures, levels,
# music, icon) and starts it in the build folder, which holds the Data folder.
# Only what play needs is built: ./test.sh builds the tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")"
# ./play.sh --web: the browser build, served on this machine only.
if [ "${1:-}" = "--web" ]; then
  ./build-web.sh
  port=${VX_WEB_PORT:-8018}
  echo "Velnorix in the browser: http://127.0.0.1:$port/  (Ctrl+C stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
fi
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target velnorix vx_content vx_music vx_icon
cd build
exec ./velnorix "$@"
