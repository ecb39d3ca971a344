#!/usr/bin/env bash
# Builds the game for the browser into build-web/site/: index.html,
# velnorix.js, velnorix.wasm, and the default Data folder as velnorix.data
# with its loader velnorix-data.js, ready for any static web server. Also the
# headless bench for node (build-web/velnorix-headless.js). The Linux build in
# build/ makes the content first. Installs what is missing (Debian's
# emscripten, which works offline from its own cache).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --web
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
export EM_FROZEN_CACHE=${EM_FROZEN_CACHE:-1}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target vx_content vx_music
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DVX_HOST_BUILD="$PWD/build" "$@"
cmake --build build-web -j"$(nproc)"
site=build-web/site
rm -rf "$site"
mkdir -p "$site"
cp build-web/velnorix.js build-web/velnorix.wasm "$site/"
cp platform/web/index.html "$site/"
# The Data folder, mounted at /game/Data in the page.
data=${VX_WEB_DATA:-build/Data}
python3 "$(dirname "$(readlink -f "$(command -v emcc)")")/tools/file_packager.py" \
  "$site/velnorix.data" --preload "$data@/game/Data" --js-output="$site/velnorix-data.js" --no-node
echo "site: $site"
