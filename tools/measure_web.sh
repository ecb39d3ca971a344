#!/usr/bin/env bash
# The browser build's figures, beside the native game's (a report, not a
# test: they depend on the machine and on whatever else runs on it):
#   - download size of the site, each file and all, gzip -9 as a web server
#     would send it;
#   - page load to the first frame on the canvas (three fresh browsers);
#   - frame pace in play (median and 95th percentile of the time between
#     flips);
#   - processor use of all processes of headless Chromium in the menu, in
#     play and paused, then tools/measure_cpu.sh --states for the native game
#     (build/) in the same run.
#
#   tools/measure_web.sh [--seconds N] [--site DIR]...
#
# (default 8 seconds per state; the site build-web/site). With several
# --site options each site is measured in turn, e.g. a copy of an earlier
# build's site beside this one, so before and after come from one run.
#
# Needs ./build-web.sh (build-web/site), the Linux build (build/) and
# playwright-core in tests/web/node_modules (./test.sh --web installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=8
sites=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --site) sites+=("${2:?--site needs a folder}"); shift 2 ;;
    *) echo "usage: tools/measure_web.sh [--seconds N] [--site DIR]..." >&2; exit 2 ;;
  esac
done
[ ${#sites[@]} -gt 0 ] || sites=(build-web/site)
for site in "${sites[@]}"; do
  [ -f "$site/index.html" ] || { echo "measure_web: no $site/index.html: run ./build-web.sh" >&2; exit 2; }
done
[ -d tests/web/node_modules/playwright-core ] ||
  (cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)

for site in "${sites[@]}"; do
  echo "site $site"
  echo "download (gzip -9):"
  total=0
  for f in "$site"/*; do
    n=$(gzip -9 -c "$f" | wc -c)
    total=$((total + n))
    printf '  %-20s %9d bytes (%d unpacked)\n' "$(basename "$f")" "$n" "$(stat -c %s "$f")"
  done
  printf '  %-20s %9d bytes (%.2f MB)\n' all "$total" "$(awk -v b="$total" 'BEGIN { print b / 1048576 }')"
  node tools/measure_web.js "$site" "$seconds"
done

echo "native game (tools/measure_cpu.sh --states build):"
if [ -x build/velnorix ]; then
  tools/measure_cpu.sh --states --seconds "$seconds" build || echo "  (could not be measured)"
else
  echo "  (no build/velnorix: ./play.sh builds it)"
fi
