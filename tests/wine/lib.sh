# Shared by the Windows tests: Wine without prompts or noise, a scratch
# folder, an X screen of 800x600 at 16 bits, and checks that count.
#
#   source "$(dirname "$0")/lib.sh"
#   vx_scratch                  # fresh $VX_SCRATCH, made the working directory
#   vx_start_x                  # Xvfb 800x600x16; DISPLAY set; stopped at exit
#   check "what" command...     # runs the command; counts a pass or a failure
#   vx_565 in.png out.png       # a picture as 5-6-5 pixels
#   vx_wait_screen want.png S   # waits up to S seconds for the X screen to show it
#   vx_done                     # prints "N passed, N failed"; the exit status
#
# Environment from CTest: WINEPREFIX, VX_WIN32_BUILD (the Windows build),
# VX_HOST_BUILD (the Linux build), VX_SOURCE_DIR, VX_SCRATCH.
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to install Wine's .NET or HTML engines.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}

vx_passed=0
vx_failed=0
vx_cleanups=()

vx_cleanup() {
  local i
  for ((i = ${#vx_cleanups[@]} - 1; i >= 0; i--)); do eval "${vx_cleanups[$i]}" || true; done
}
trap vx_cleanup EXIT

vx_scratch() {
  : "${VX_SCRATCH:=$(mktemp -d)}"
  rm -rf "$VX_SCRATCH"
  mkdir -p "$VX_SCRATCH"
  cd "$VX_SCRATCH"
}

# An X screen of its own on the first free display number. Wine's session
# (its server and desktop process) keeps the display it started with, so a
# session left by an earlier test without a screen is ended first: windows
# made in it could not be shown.
vx_start_x() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  local n=${VX_DISPLAY_BASE:-90}
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 800x600x16 -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  vx_cleanups+=("kill $pid 2>/dev/null; wait $pid 2>/dev/null")
  export DISPLAY=":$n"
  local tries=0
  until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then echo "no X screen on $DISPLAY" >&2; return 1; fi
    sleep 0.1
  done
  vx_cleanups+=("wineserver -k 2>/dev/null")
}

check() {
  local what=$1
  shift
  if "$@"; then
    vx_passed=$((vx_passed + 1))
    echo "ok: $what"
  else
    vx_failed=$((vx_failed + 1))
    echo "FAILED: $what"
  fi
}

# Both pictures as 5-6-5 pixels: the X screen's and the bench's widenings of
# the same 16-bit pixel round to the same level.
vx_565() { convert "$1" -alpha off -channel RB -posterize 32 -channel G -posterize 64 +channel -depth 8 "$2"; }

# Waits up to $2 seconds for the X screen to show the picture $1 (a 5-6-5
# reference), allowing $3 differing pixels (default none); with $4, a
# geometry such as 250x220+550+0, only that part of both is compared.
vx_wait_screen() {
  local want=$1 end=$((SECONDS + $2)) slack=${3:-0} region=${4:-} differing
  if [ -n "$region" ]; then
    convert "$want" -crop "$region" +repage "region-$want"
    want=region-$want
  fi
  while :; do
    if import -window root screen-x.png 2>/dev/null && vx_565 screen-x.png screen.png; then
      [ -z "$region" ] || convert screen.png -crop "$region" +repage screen.png
      differing=$(compare -metric AE "$want" screen.png null: 2>&1)
      if [[ $differing =~ ^[0-9]+$ ]] && [ "$differing" -le "$slack" ]; then return 0; fi
    fi
    if [ $SECONDS -ge $end ]; then
      echo "  the screen differs from $want in ${differing:-all} pixels (screen-x.png)"
      cp screen-x.png "last-${want%.png}-x.png" 2>/dev/null
      return 1
    fi
    sleep 0.2
  done
}

# The part of the play screen that stays as it is while a game starts: the
# side panel's title and lives (the ball, the blocks and the score change as
# soon as play runs, faster than a loaded machine takes a screenshot).
vx_play_panel=250x220+550+0

# Waits up to $1 seconds for the program started in the background as $game
# to end; its exit status in $game_status.
vx_wait_exit() {
  local end=$((SECONDS + $1))
  while kill -0 "$game" 2>/dev/null; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
  wait "$game"
  game_status=$?
  return 0
}

vx_done() {
  echo "$vx_passed passed, $vx_failed failed"
  [ "$vx_failed" -eq 0 ]
}

# Waits up to $2 seconds until the trace file $trace holds the line $1 at
# least $3 times (default once).
vx_wait_line() {
  local end=$((SECONDS + $2)) count=${3:-1}
  until [ "$(grep -c -x -F "$1" "$trace" 2>/dev/null | tr -d '\r')" -ge "$count" ] 2>/dev/null; do
    if [ $SECONDS -ge $end ]; then
      echo "  no \"$1\" (x$count) in the trace:"
      sed 's/^/    /' "$trace" 2>/dev/null | tail -n 20
      return 1
    fi
    sleep 0.2
  done
}

# Waits up to $2 seconds for an X window named $1.
vx_wait_window() {
  local end=$((SECONDS + $2))
  until xdotool search --name "$1" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# The game's folder (game/, the Windows Data) and the Linux bench's frames
# (intro.png, menu.png, play.png, in 5-6-5) with Return at 5 s: flips 1 and 2
# clear the screen, flip 3 shows the intro, flip 4 the menu; the first flip
# after Return that differs from the menu is the first play frame.
vx_bench_frames() {
  mkdir bench game frames
  cp -r "$VX_HOST_BUILD/Data" bench/
  cp -r "$VX_WIN32_BUILD/Data" game/
  printf '%s\n' "5000 key RETURN down" "5100 key RETURN up" > bench.script
  "$VX_HOST_BUILD/velnorix-headless" --dir bench --script bench.script --max-ms 5500 \
    --frames frames > bench.log 2>&1
  vx_565 frames/frame-000003.png intro.png
  vx_565 frames/frame-000004.png menu.png
  local frame
  for frame in frames/frame-*.png; do
    [[ $frame > frames/frame-000004.png ]] || continue
    if ! cmp -s "$frame" frames/frame-000004.png; then
      vx_565 "$frame" play.png
      break
    fi
  done
}

vx_bench_menu_and_play() {
  vx_bench_frames
  check "the bench gives the menu and play frames" test -s play.png
}

# Starts the Windows game in game/ in the background as $game, tracing to
# $trace (trace.txt); the arguments are more environment for it (NAME=value).
vx_start_traced() {
  trace=$PWD/trace.txt
  (cd game && exec env VX_TRACE="Z:${trace//\//\\}" "$@" wine "$VX_WIN32_BUILD/velnorix.exe") \
    > game.log 2>&1 &
  game=$!
  vx_cleanups+=("kill $game 2>/dev/null")
  game_status=
}

# Still: the same picture over more than a second (a game slowed down by a
# loaded machine still draws a frame or more in that time).
vx_still() {
  import -window root a.png 2>/dev/null && sleep 1.2 && import -window root b.png 2>/dev/null &&
    [ "$(compare -metric AE a.png b.png null: 2>&1)" = 0 ]
}
# (A loop's status is its body's last one: the waits say 0 themselves.)
vx_wait_still() {
  local end=$((SECONDS + $1))
  until vx_still; do [ $SECONDS -ge $end ] && return 1; done
  return 0
}
vx_wait_moving() {
  local end=$((SECONDS + $1))
  while vx_still; do [ $SECONDS -ge $end ] && return 1; done
  return 0
}
