#!/usr/bin/env bash
# CI's package job: makes the package as the README says (./build-package.sh,
# which fails on a lintian error), then installs it, plays it and removes it
# (package_test.sh, as root or through sudo); and the dialog installer of the
# same build adds its menu entry and its uninstaller removes it
# (installer_menu_test.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
./build-package.sh
tests/package/package_test.sh build-package/velnorix_*.deb
tests/package/installer_menu_test.sh build-package
