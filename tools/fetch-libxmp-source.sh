#!/usr/bin/env bash
# Fetches Debian's source package of libxmp into a scratch folder, through a
# source entry derived from the machine's own apt configuration, and unpacks
# it with Debian's patches applied. Copy what third_party/libxmp keeps from
# there (see its README.velnorix.md).
#   tools/fetch-libxmp-source.sh [OUTDIR]     (as root)
set -euo pipefail
out=${1:-$(mktemp -d)}
mkdir -p "$out"
list=/etc/apt/sources.list.d/vx-libxmp-src.sources
cleanup() { rm -f "$list"; }
trap cleanup EXIT
# Every deb entry of the machine, as a deb-src entry.
for f in /etc/apt/sources.list.d/*.sources; do
  [ "$f" = "$list" ] && continue
  sed 's/^Types: deb$/Types: deb-src/' "$f"
  echo
done > "$list"
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/vx-libxmp-src.list
  trap 'rm -f "$list" /etc/apt/sources.list.d/vx-libxmp-src.list' EXIT
fi
apt-get update -q
command -v dpkg-source >/dev/null || apt-get install -y -q --no-install-recommends dpkg-dev
cd "$out"
apt-get source --download-only libxmp
dpkg-source -x libxmp_*.dsc
echo "unpacked in $out"
