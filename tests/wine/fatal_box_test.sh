#!/usr/bin/env bash
# velnorix.exe under Wine without a Data folder: the intro cannot load its
# first picture, and the fatal message is shown in a real message box, twice
# (once by the quit state while the display is still full-screen, once at
# shutdown with the window hidden), captioned "Velnorix [Win32] - Fatal
# Error". Closing both ends the program with exit code 0, having written
# nothing. Wine's trace of window texts tells the text inside the box.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

caption='Velnorix [Win32] - Fatal Error'
caption_pattern='^Velnorix \[Win32\] - Fatal Error$'
text='[ReadSPRFile] Unable to open file\n'

# Waits up to $1 seconds for a message box with the fatal caption other than
# window $2; its window in $box.
vx_wait_box() {
  local end=$((SECONDS + $1)) found
  while :; do
    for found in $(xdotool search --name "$caption_pattern" 2>/dev/null); do
      if [ "$found" != "$2" ]; then
        box=$found
        return 0
      fi
    done
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

# Presses Return over the box (the X focus follows the pointer): its OK button.
vx_close_box() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
  sleep 0.2
  xdotool key Return
}

mkdir empty
(cd empty && WINEDEBUG=-all,trace+win exec wine "$VX_WIN32_BUILD/velnorix.exe") > game.log 2>&1 &
game=$!
vx_cleanups+=("kill $game 2>/dev/null")
box=
game_status=

check "a message box captioned \"$caption\" appears" vx_wait_box 90 ""
first=$box
check "its caption is exactly \"$caption\"" test "$(xdotool getwindowname "$box")" = "$caption"
import -window root first-box.png
[ -n "$box" ] && vx_close_box
check "a second box with the same caption follows" vx_wait_box 60 "$first"
import -window root second-box.png
[ -n "$box" ] && [ "$box" != "$first" ] && vx_close_box
check "closing it ends the game" vx_wait_exit 60
check "the exit code is 0" test "$game_status" = 0
shown=$(grep -cF "set_window_text L\"$text\"" game.log)
check "both boxes say \"$text\" (shown $shown times)" test "$shown" = 2
check "nothing is written into the working directory" test -z "$(ls -A empty)"

vx_done
