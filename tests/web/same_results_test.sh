#!/usr/bin/env bash
# Same game, same results in WebAssembly: the scenarios of
# tests/wine/same_results_test.sh replayed with the bench built for the web
# (velnorix-headless.js under node, on the host's files) in the place of the
# Windows bench. Reports, game folders and frame PNGs must equal the Linux
# bench's byte for byte. In that script's output, "windows" names the node
# side.
#
# Environment: VX_HOST_BUILD (the Linux build: its bench and Data folder),
# VX_WEB_BUILD (the web build), VX_SCRATCH (optional scratch folder).
set -uo pipefail
: "${VX_HOST_BUILD:?the Linux build folder}" "${VX_WEB_BUILD:?the web build folder}"
here=$(cd "$(dirname "$0")" && pwd)
bench=$VX_WEB_BUILD/velnorix-headless.js
[ -f "$bench" ] || { echo "no $bench: run ./build-web.sh" >&2; exit 1; }

# The replayed script runs its second bench as "wine velnorix-headless.exe
# ARGS...": here that is node with the web bench.
wine() {
    shift
    node --no-experimental-fetch "$VX_WEB_BUILD/velnorix-headless.js" "$@"
}
export -f wine
export VX_WEB_BUILD VX_HOST_BUILD

# Its Data folder comes from "the Windows build": the Linux build's.
VX_WIN32_BUILD=$(mktemp -d)
trap 'rm -rf "$VX_WIN32_BUILD"' EXIT
cp -r "$VX_HOST_BUILD/Data" "$VX_WIN32_BUILD/Data"
export VX_WIN32_BUILD
export VX_SCRATCH=${VX_SCRATCH:-$(mktemp -d)}
bash "$here/../wine/same_results_test.sh"
