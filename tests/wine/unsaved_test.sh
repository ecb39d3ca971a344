#!/usr/bin/env bash
# velnorix.exe under Wine with a hall of fame it cannot save (the place of
# its temporary file is taken by a folder, as a folder the user may not write
# to refuses the file): quitting from the menu shows the fatal message box
# with the game's own text, followed by the file's full path and the
# system's reason, so the loss is never silent; the old file stays whole and
# the exit code is 0.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

caption_pattern='^Velnorix \[Win32\] - Fatal Error$'
vx_bench_frames
cp game/Data/hiscore.dat hiscore-before.dat
mkdir game/Data/hiscore.dat.new

vx_start_traced WINEDEBUG=-all,trace+win

box=
wait_box() {
  local end=$((SECONDS + $1))
  until box=$(xdotool search --name "$caption_pattern" 2>/dev/null | head -n 1) && [ -n "$box" ]; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}
check "the menu appears" vx_wait_screen menu.png 90
xdotool keydown Escape
check "Escape in the menu: the fatal message box appears" wait_box 60
xdotool keyup Escape
check "the backend saw the failed save" vx_wait_line "unsaved: $(winepath -w "$PWD/game/Data/hiscore.dat" 2>/dev/null | tr -d '\r') (5)" 30
check "the box gives the game's text" grep -qF 'set_window_text L"[SaveHiscoreTable] Unable to open hiscore table file\n' game.log
check "then the file and why it could not be saved" grep -qF 'hiscore.dat\" could not be saved: ' game.log
check "and where the game keeps what it saves" grep -qF 'Program Files' game.log
if [ -n "$box" ]; then
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
  sleep 0.2
  xdotool key Return
fi
check "closing it ends the game" vx_wait_exit 60
check "the exit code is 0" test "$game_status" = 0
check "Data\\hiscore.dat is whole" cmp hiscore-before.dat game/Data/hiscore.dat

vx_done
