#!/usr/bin/env bash
# audiow32.dll under Wine, loaded by a small program that binds its operations
# by ordinal: the built menu music loads, sounds and stops; missing and
# damaged files are refused; the output opens and closes where there is no
# sound device (Wine under CTest has none), and the music plays on silently
# there; and the same with a wave output device that discards the sound.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch

cp "$VX_WIN32_BUILD/audiow32.dll" "$VX_WIN32_BUILD/audiow32-probe.exe" .
mkdir Data
cp "$VX_HOST_BUILD/Data/menu.mdf" Data/
# Damaged: the module cut short, bytes that are no module, an empty file, and
# a header that libxmp 4.5.0 loads but could never render (no channels).
head -c 400 Data/menu.mdf >Data/cut.mdf
head -c 3000 "$VX_WIN32_BUILD/audiow32.dll" >Data/noise.mdf
: >Data/empty.mdf
cp "$VX_SOURCE_DIR/tests/game/modules/no-channels.xm" Data/no-channels.mdf

probe() {
  wine audiow32-probe.exe 'Data//menu.mdf' 'Data//missing.mdf' 'Data\cut.mdf' \
    'Data\noise.mdf' 'Data\empty.mdf' 'Data\no-channels.mdf' >"$1" 2>"$1.err"
  local status=$?
  tr -d '\r' <"$1"
  return $status
}

echo "--- with Wine's own audio drivers"
probe probe.txt
status=$?
check "every check of the probe passed" [ "$status" -eq 0 ]
check "the probe heard the music" grep -q "^ok: the music is heard" probe.txt

echo "--- with every audio driver disabled: no wave output device"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv,wineoss.drv,winecoreaudio.drv=d" \
  probe silent.txt
status=$?
check "every check passed with no sound device" [ "$status" -eq 0 ]
check "there was no wave output device" grep -q "^wave output devices: 0" silent.txt

echo "--- with a wave output device that discards what it is given"
# ALSA's null device, named as the default one in a home of the test's own:
# Wine's ALSA driver offers it as a wave output device, so the DLL opens it,
# queues its buffers and closes it again.
mkdir home
printf 'pcm.!default { type null }\n' >home/.asoundrc
HOME=$PWD/home probe device.txt
status=$?
check "every check passed with a wave output device" [ "$status" -eq 0 ]
check "there was a wave output device" grep -q "^wave output devices: [1-9]" device.txt

vx_done
