#!/usr/bin/env bash
# velnorix.exe under Wine, suspended in play with left Alt and Tab, another
# program's window (Wine's notepad) taking the foreground, then closing so
# that the game is activated again: the backend shows the minimized window
# again and answers the fill on the lost surface truthfully, the game
# restores its surfaces and its picture sheet, so the frames after coming
# back show the blocks, the ship and the side panel (the play frame of the
# bench, the ball allowed to stand elsewhere); Escape reaches the menu with
# no fatal message, and Escape there ends the game with exit code 0. The
# steps wait on the backend's trace (VX_TRACE) and on the screen.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

vx_bench_menu_and_play
# The same holds on the Linux bench: a lost surface forced in play (the
# 145th fill answers "surface lost" and every surface loses its memory)
# leaves every frame as it is without the loss.
printf '%s\n' "5000 key RETURN down" "5100 key RETURN up" > lost.script
"$VX_HOST_BUILD/velnorix-headless" --dir bench --script lost.script --max-ms 9000 \
  --report plain.json > plain.log 2>&1
"$VX_HOST_BUILD/velnorix-headless" --dir bench --script lost.script --max-ms 9000 \
  --report lost.json --fail Surface_Blt:145:0x887601C2 > lost.log 2>&1
check "the bench: frames after a lost surface are the frames without the loss" \
  cmp <(jq -c .frame_hashes plain.json) <(jq -c .frame_hashes lost.json)
# The play field with nothing on it: what a lost sheet shows.
convert play.png -fill black -draw "rectangle 0,0 549,599" empty.png

vx_start_traced

check "the menu appears" vx_wait_screen menu.png 90
xdotool keydown Return
check "Return starts a game: the play frame appears" vx_wait_screen play.png 90 0 "$vx_play_panel"
xdotool keyup Return

# Left Alt, then Tab, held until the picture stands still: the game
# suspended itself.
still() {
  import -window root a.png 2>/dev/null && sleep 0.3 && import -window root b.png 2>/dev/null &&
    [ "$(compare -metric AE a.png b.png null: 2>&1)" = 0 ]
}
wait_still() {
  local end=$((SECONDS + $1))
  until still; do
    if [ $SECONDS -ge $end ]; then
      echo "  the picture still moves: $(compare -metric AE a.png b.png null: 2>&1) pixels"
      return 1
    fi
  done
}
xdotool keydown Alt_L
vx_wait_line "key: 56 down" 60
xdotool keydown Tab
check "left Alt and Tab suspend the game" wait_still 60
xdotool keyup Tab keyup Alt_L
# Another program's window takes the foreground: the game is deactivated
# (its full-screen window minimized, its surfaces lost).
(exec wine notepad) > other.log 2>&1 &
other=$!
vx_cleanups+=("kill $other 2>/dev/null")
check "another window takes the foreground" vx_wait_line "activate: 0" 90
# It closes: the game's window is the foreground again.
vx_wait_window Notepad 60
timeout 120 wine taskkill /im notepad.exe > taskkill.log 2>&1
check "the game is activated again" vx_wait_line "activate: 1" 90 2
check "its minimized window is shown again" vx_wait_line "restoring the minimized window" 30
check "the fill on the lost surface is answered lost" \
  vx_wait_line "fill on a lost surface: answered lost" 30
check "the three surfaces are restored" vx_wait_line "restore: 0x00000000" 30 3
check "back in play, the blocks, the ship and the panel are shown" \
  vx_wait_screen play.png 60 2500
differing=$(compare -metric AE empty.png screen.png null: 2>&1)
check "the frame is not an empty play field ($differing pixels differ)" \
  test "${differing:-0}" -gt 2500 2>/dev/null

# Play leaves for the menu when Escape is let go.
xdotool keydown Escape
vx_wait_line "key: 1 down" 60
xdotool keyup Escape
check "Escape returns to the menu" vx_wait_screen menu.png 60
check "no fatal message box" bash -c "! xdotool search --name 'Fatal Error' >/dev/null 2>&1"
xdotool keydown Escape
check "Escape in the menu ends the game" vx_wait_exit 60
xdotool keyup Escape
check "the exit code is 0" test "$game_status" = 0

vx_done
