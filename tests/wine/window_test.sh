#!/usr/bin/env bash
# velnorix.exe under Wine: Alt+Enter moves the game from full-screen into a
# normal window of the desktop and back, any number of times, in the menu
# and in play. The window has a caption and the close button (a normal,
# resizable window of the desktop, its client area 4:3), and the game's
# frames are drawn stretched into it: the menu page, then a game started
# with Return, its side panel and its blocks. Alt+Enter again: full-screen,
# the same play frame on the screen, and play goes on. Once more into the
# window; paused there and switched to full-screen, the paused frame is
# shown and P resumes; into the window a third time, then the window is
# closed as its close button closes it (Alt+F4
# asks the same of the window: WM_SYSCOMMAND SC_CLOSE, then WM_CLOSE): the
# game ends as a quit from the menu ends it, exit code 0, no fatal message,
# the hall of fame written. Then once more in Wine's own desktop, which
# draws the window's caption and buttons: the window's client area shows
# the menu, and a mouse click on the close button ends the game as well.
# The steps wait on the backend's trace (VX_TRACE) and on the screen.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

vx_bench_menu_and_play
# The play field with nothing on it: what a lost sheet would show.
convert play.png -fill black -draw "rectangle 0,0 549,599" empty.png

vx_start_traced

# Alt+Enter, each key let go once the game's poll has read it; waits for the
# display named by $1 ("windowed" or "full-screen") the $2-th time.
alt_enter() {
  xdotool keydown Alt_L
  vx_wait_line "key: 56 down" 60 "$((++alt_downs))"
  xdotool keydown Return
  vx_wait_line "display: Alt+Enter" 60 "$((++alt_enters))"
  xdotool keyup Return keyup Alt_L
  vx_wait_line "display: $1" 90 "$2"
}
alt_downs=0
alt_enters=0

# The viewable X window of the game (Wine's windows carry the title).
game_window() {
  local w
  for w in $(xdotool search --name '^Velnorix \[Win32\]$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && { echo "$w"; return 0; }
  done
  return 1
}

# A window, not the whole screen: smaller than the screen, at least half of
# it, and 4:3 within two pixels; with the window manager's close protocol
# and the normal window type that Wine gives a captioned window.
normal_window() {
  local w geometry width height
  w=$(game_window) || { echo "  no game window is shown"; return 1; }
  geometry=$(xdotool getwindowgeometry "$w" | sed -n 's/ *Geometry: //p')
  width=${geometry%x*}
  height=${geometry#*x}
  echo "  the window: ${width}x${height}"
  [ "$width" -lt 800 ] && [ "$width" -ge 400 ] && [ "$height" -ge 300 ] &&
    [ $((width * 3 - height * 4)) -le 8 ] && [ $((height * 4 - width * 3)) -le 8 ] &&
    xprop -id "$w" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW &&
    xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_NORMAL
}

# The window's content, stretched back to 800x600 (5-6-5), as window.png;
# with $client set (a geometry such as 764x573+18+23), that part of the
# screen.
client=
window_picture() {
  local w
  if [ -n "$client" ]; then
    import -window root screen-x.png 2>/dev/null &&
      convert screen-x.png -crop "$client" +repage window-x.png || return 1
  else
    w=$(game_window) || return 1
    import -window "$w" window-x.png 2>/dev/null || return 1
  fi
  convert window-x.png -resize '800x600!' window-800.png && vx_565 window-800.png window.png
}

# Root-mean-square difference of window.png from $1 (0 to 1), in the part
# $2 (default: all).
difference() {
  local want=$1
  if [ -n "${2:-}" ]; then
    convert "$1" -crop "$2" +repage region-want.png
    convert window.png -crop "$2" +repage region-window.png
    compare -metric RMSE region-want.png region-window.png null: 2>&1 | sed 's/.*(\(.*\))/\1/'
  else
    compare -metric RMSE "$want" window.png null: 2>&1 | sed 's/.*(\(.*\))/\1/'
  fi
}

# Waits up to $2 seconds for the window to show the picture $1 (within the
# stretching's blur: a root-mean-square difference below $3), in the part $4.
wait_window() {
  local end=$((SECONDS + $2)) d=
  while :; do
    if window_picture; then
      d=$(difference "$1" "${4:-}")
      awk -v d="$d" -v most="$3" 'BEGIN { exit !(d + 0 < most + 0) }' && return 0
    fi
    if [ $SECONDS -ge $end ]; then
      echo "  the window differs from $1 by ${d:-?} (window-x.png)"
      cp window-x.png "last-window-${1%.png}-x.png" 2>/dev/null
      return 1
    fi
    sleep 0.3
  done
}

check "the menu appears full-screen" vx_wait_screen menu.png 90
# Keys go to the window under the pointer when no window manager runs.
xdotool mousemove 400 300
alt_enter windowed 1
check "Alt+Enter in the menu: a window" normal_window
check "the menu page is drawn in the window" wait_window menu.png 60 0.06

xdotool mousemove 400 300
xdotool keydown Return
check "Return starts a game: the side panel in the window" \
  wait_window play.png 90 0.08 "$vx_play_panel"
xdotool keyup Return
to_play=$(difference play.png)
to_empty=$(difference empty.png)
check "the blocks are drawn in the window ($to_play from play, $to_empty from an empty field)" \
  awk -v a="$to_play" -v b="$to_empty" 'BEGIN { exit !(a + 0 < b + 0) }' 

alt_enter full-screen 1
check "Alt+Enter in play: full-screen, the play frame on the screen" \
  vx_wait_screen play.png 60 0 "$vx_play_panel"
check "play goes on full-screen" vx_wait_moving 60
import -window root full-x.png 2>/dev/null
vx_565 full-x.png full.png
to_play=$(compare -metric AE play.png full.png null: 2>&1)
to_empty=$(compare -metric AE empty.png full.png null: 2>&1)
check "the blocks are shown full-screen ($to_play pixels from play, $to_empty from an empty field)" \
  test "${to_play:-1}" -lt "${to_empty:-0}" 2>/dev/null

xdotool mousemove 400 300
alt_enter windowed 2
check "Alt+Enter in play again: a window" normal_window
check "play goes on in the window" wait_window play.png 60 0.08 "$vx_play_panel"
check "the surfaces were restored after each switch" vx_wait_line "restore: 0x00000000" 30 9

# Paused, then switched: the paused frame is shown at once full-screen, the
# game stays paused, and P resumes play there.
xdotool keydown p
vx_wait_line "key: 25 down" 60 1
xdotool keyup p
check "P pauses the game in the window" vx_wait_still 60
window_picture && cp window.png paused.png
alt_enter full-screen 2
# The screen within the stretching's blur of the window's paused picture.
like_paused() {
  local end=$((SECONDS + $1)) d=
  while :; do
    if import -window root paused-x.png 2>/dev/null && vx_565 paused-x.png paused-screen.png; then
      d=$(compare -metric RMSE paused.png paused-screen.png null: 2>&1 | sed 's/.*(\(.*\))/\1/')
      awk -v d="$d" 'BEGIN { exit !(d + 0 < 0.06) }' && return 0
    fi
    [ $SECONDS -ge $end ] && { echo "  the screen differs from the paused window by ${d:-?}"; return 1; }
    sleep 0.3
  done
}
check "Alt+Enter while paused: full-screen, the paused frame on the screen" like_paused 60
check "the game stays paused" vx_still
xdotool keydown p
vx_wait_line "key: 25 down" 60 2
xdotool keyup p
check "P resumes play full-screen" vx_wait_moving 60
xdotool mousemove 400 300
alt_enter windowed 3
check "Alt+Enter in play a third time: a window" normal_window
check "play goes on in the window once more" wait_window play.png 60 0.08 "$vx_play_panel"

# The window's close button.
touch -d '-1 second' before-close
xdotool mousemove 400 300
xdotool keydown Alt_L
vx_wait_line "key: 56 down" 60 "$((++alt_downs))"
xdotool key F4
check "the close button asks the game to end" \
  vx_wait_line "close: the game ends as from the menu" 60
xdotool keyup Alt_L
check "the game ends" vx_wait_exit 90
check "the exit code is 0" test "$game_status" = 0
check "no fatal message box" bash -c "! grep -q 'Fatal' game.log && ! xdotool search --name 'Fatal Error' >/dev/null 2>&1"
check "the hall of fame was written as at a quit from the menu" \
  test game/Data/hiscore.dat -nt before-close
check "Data\\hiscore.dat holds 280 bytes" test "$(stat -c %s game/Data/hiscore.dat)" = 280

# The same on a Windows desktop: in Wine's own desktop, Wine draws the
# window's caption and its buttons as Windows does, and the close button is
# clicked with the mouse.
trace=$PWD/trace-desktop.txt
alt_downs=0
alt_enters=0
exe=$(winepath -w "$VX_WIN32_BUILD/velnorix.exe")
(cd game && VX_TRACE="Z:${trace//\//\\}" exec wine explorer /desktop=velnorix-test,800x600 "$exe") \
  > desktop.log 2>&1 &
game=$!
vx_cleanups+=("kill $game 2>/dev/null")
check "on a Windows desktop: the menu appears full-screen" vx_wait_screen menu.png 90 1000
xdotool mousemove 400 300
alt_enter windowed 1
# "display: window X,Y WxH, client X,Y WxH", in the desktop's pixels.
read -r wx wy ww wh cx cy cw ch < <(sed -n \
  's/^display: window \(-*[0-9]*\),\(-*[0-9]*\) \([0-9]*\)x\([0-9]*\), client \(-*[0-9]*\),\(-*[0-9]*\) \([0-9]*\)x\([0-9]*\).*/\1 \2 \3 \4 \5 \6 \7 \8/p' \
  "$trace" | tail -n 1)
echo "  the window: ${ww}x${wh} at $wx,$wy; its client area ${cw}x${ch} at $cx,$cy"
check "a window with a caption above its client area" \
  test "${cy:-0}" -gt "${wy:-0}" -a "${ww:-0}" -gt "${cw:-0}" -a "${cw:-0}" -ge 400
client=${cw}x${ch}+${cx}+${cy}
check "the menu page is drawn in the window's client area" wait_window menu.png 60 0.06
cp screen-x.png desktop-window-x.png
touch -d '-1 second' before-click
xdotool mousemove $((wx + ww - 12)) $((wy + 12)) click 1
check "a click on the close button asks the game to end" \
  vx_wait_line "close: the game ends as from the menu" 60
check "the game ends" vx_wait_exit 90
check "no fatal message box" bash -c "! xdotool search --name 'Fatal Error' >/dev/null 2>&1"
check "the hall of fame was written" test game/Data/hiscore.dat -nt before-click

vx_done
