#!/usr/bin/env bash
# Short key taps reach velnorix.exe under Wine while another program keeps
# both cores busy at the same priority: taps of 50 ms on S each save a
# screenshot (Screen001.raw written again), taps on P pause and resume play
# (the picture stands still, then moves again), a tap on Escape leaves play
# for the menu and one more ends the game with exit code 0. The backend
# reports a key pressed and released between two polls as down for one poll.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x

vx_bench_menu_and_play

tap() {
  xdotool keydown "$1"
  sleep 0.05
  xdotool keyup "$1"
}
# Waits until Screen001.raw is newer than the marker file.
wait_shot() {
  local end=$((SECONDS + $1))
  until [ game/Screen001.raw -nt marker ]; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

vx_start_traced
check "the menu appears" vx_wait_screen menu.png 90

# The load: one busy loop per core, at the game's own priority.
for core in 1 2; do
  (exec nice -n 0 bash -c 'while :; do :; done') &
  vx_cleanups+=("kill $! 2>/dev/null")
done

# On the hall-of-fame page (the menu's pages take turns) Return brings the
# menu page back; on the menu page it starts a game: two taps at most.
start_game() {
  local taps
  for taps in 1 2; do
    tap Return
    vx_wait_screen play.png 30 0 "$vx_play_panel" && return 0
  done
  return 1
}
check "a tap on Return starts a game" start_game

# Play: the side panel's score plate is on the screen (the menu's pages have
# nothing there).
playing() {
  [ "$(import -window root -crop 16x16+600+317 -resize 1x1 -colorspace Gray txt:- 2>/dev/null |
    awk -F'[(),]' 'NR == 2 { printf "%d", $3 }')" -gt 30 ]
}
# The ship stands still, so the balls are lost and a game ends on its own: a
# new one is started when needed, and a step during which the game ended is
# tried again (it says nothing about the taps).
ensure_play() { playing || start_game; }

pauses=0
retries=0
for i in 1 2 3 4 5; do
  for try in 1 2 3; do
    ensure_play || break
    tap p
    if vx_wait_still 30 && playing; then
      tap p
      if vx_wait_moving 30; then pauses=$((pauses + 1)); break; fi
    fi
    playing && break  # still in play: the tap was lost
    retries=$((retries + 1))
  done
done
check "5 taps on P pause and 5 resume ($pauses pairs, $retries steps tried again)" test "$pauses" = 5

shots=0
for i in 1 2 3 4 5 6 7 8; do
  for try in 1 2 3; do
    ensure_play || break
    touch marker
    tap s
    if wait_shot 30; then shots=$((shots + 1)); break; fi
    playing && break
    retries=$((retries + 1))
  done
done
check "8 taps on S save 8 screenshots ($shots, $retries steps tried again)" test "$shots" = 8

ensure_play
tap Escape
check "a tap on Escape returns to the menu" vx_wait_screen menu.png 60
tap Escape
check "a tap on Escape in the menu ends the game" vx_wait_exit 60
check "the exit code is 0" test "$game_status" = 0
echo "taps caught between polls: $(grep -c '^tap: ' trace.txt 2>/dev/null)"

vx_done
