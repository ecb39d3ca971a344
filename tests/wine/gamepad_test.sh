#!/usr/bin/env bash
# A gamepad drives velnorix.exe under Wine as on Linux: A (the south button)
# starts a game from the menu, start pauses and resumes, back leaves play for
# the menu, the d-pad moves the menu's selection to QUIT and A takes it. Wine
# offers no virtual pad here, so the pad is the backend's test seam:
# VX_PAD_FILE names a file holding one pad's reading ("buttons x y", buttons
# in XInput's hex bits), read where XInput would be; the mapping and the
# keyboard state it lands in are the backend's own.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

vx_bench_menu_and_play

pad() { printf '%s\n' "$*" > pad.txt.new && mv pad.txt.new pad.txt; }
# Holds a reading while a check runs, then lets the pad rest.
pad_hold() {
  local reading=$1 result=0
  shift
  pad "$reading"
  "$@" || result=1
  pad 0 0 0
  return $result
}

pad 0 0 0
padfile=$PWD/pad.txt
vx_start_traced VX_PAD_FILE="Z:${padfile//\//\\}"

check "the menu appears" vx_wait_screen menu.png 90
check "the backend reads the pad" vx_wait_line "pad 0: connected" 30
check "A starts a game: the play frame appears" pad_hold "1000 0 0" vx_wait_screen play.png 90 0 "$vx_play_panel"
check "the game runs" vx_wait_moving 30
# Each button is let go once the game's poll has read it (the trace says so).
pad_hold "0010 0 0" vx_wait_line "pad 0 key: 25 down" 60 1
check "start pauses" vx_wait_still 30
pad_hold "0010 0 0" vx_wait_line "pad 0 key: 25 down" 60 2
check "start again resumes" vx_wait_moving 30
pad_hold "0020 0 0" vx_wait_line "pad 0 key: 1 down" 60 1
check "back returns to the menu" vx_wait_screen menu.png 60
pad_hold "0002 0 0" vx_wait_line "pad 0 key: 208 down" 60 1
check "A on QUIT ends the game" pad_hold "1000 0 0" vx_wait_exit 60
check "the exit code is 0" test "$game_status" = 0

vx_done
