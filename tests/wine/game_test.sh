#!/usr/bin/env bash
# velnorix.exe on the Win32 backend under Wine, full-screen on the 800x600x16
# X screen: the intro and the menu are the headless bench's frames of the same
# moments, pixel for pixel once both are rounded to 5-6-5; Return starts a
# game and the play frame appears; Escape returns to the menu; Escape quits
# with exit code 0 and the hall of fame untouched. The keys are real key
# presses on the X server (xdotool, XTEST): the game reads them only through
# DirectInput.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

# Holds a key down while a check runs (the game reads the keyboard as a
# snapshot once a frame, and frames can be slow on a loaded machine), then
# lets it go; the check's result.
vx_hold() {
  local key=$1 result=0
  shift
  xdotool keydown "$key"
  "$@" || result=1
  xdotool keyup "$key"
  return $result
}

# DirectDraw under Wine needs OpenGL: without it Wine's software renderer can
# show the wrong surface after a flip (scripts/deps.sh --wine installs it).
check "Wine has 32-bit OpenGL" test -e /usr/lib/i386-linux-gnu/libGL.so.1

# The reference: the same moments on the Linux headless bench.
vx_bench_frames
cp game/Data/hiscore.dat hiscore-before.dat
check "the bench gives the intro, menu and play frames" test -s play.png

started=$SECONDS
(cd game && exec wine "$VX_WIN32_BUILD/velnorix.exe") > game.log 2>&1 &
game=$!
vx_cleanups+=("kill $game 2>/dev/null")
game_status=

check "the intro is the bench's intro frame" vx_wait_screen intro.png 60
check "the menu is the bench's menu frame" vx_wait_screen menu.png 45
# Return starts the game while it is held. The ball moves from the first
# frame on: it may stand elsewhere.
check "Return starts a game: the play frame appears" vx_hold Return vx_wait_screen play.png 90 0 "$vx_play_panel"
# Play takes Escape, loads the menu and waits for the key to be let go.
vx_hold Escape sleep 2
check "Escape returns to the menu" vx_wait_screen menu.png 45
check "Escape in the menu ends the game" vx_hold Escape vx_wait_exit 60
check "the exit code is 0" test "$game_status" = 0
check "Data\\hiscore.dat is unchanged" cmp hiscore-before.dat game/Data/hiscore.dat
echo "the game ran $((SECONDS - started)) s"

vx_done
