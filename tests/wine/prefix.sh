#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests share (once; kept between runs).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
if [ -f "$WINEPREFIX/system.reg" ]; then
  echo "prefix ready: $WINEPREFIX"
  exit 0
fi
rm -rf "$WINEPREFIX"
timeout 240 wineboot -i
wineserver -w
test -f "$WINEPREFIX/system.reg"
echo "prefix made: $WINEPREFIX"
