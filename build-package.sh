#!/usr/bin/env bash
# Builds the Debian package of the game in build-package/ and checks it with
# lintian when lintian is there:
#   ./build-package.sh       ->  build-package/velnorix_<version>_<arch>.deb
# Install it with:  sudo apt-get install ./build-package/velnorix_*.deb
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --package
# Only the package's targets: the game, the bench for its screenshots, the
# content and the tools; no tests, no benchmarks.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF
cmake --build build-package -j"$(nproc)"
rm -f build-package/velnorix_*.deb
cmake --build build-package --target package
deb=$(ls build-package/velnorix_*.deb)
if command -v lintian >/dev/null; then
  # Errors fail the build; warnings are listed.
  lintian --fail-on error "$deb"
fi
echo "$deb"
