#!/usr/bin/env bash
# Times a new player's first start: a fresh clone of this repository, then
# ./play.sh with a cold build folder and no compiler cache, until the game's
# window is on an X screen of its own (Xvfb). Prints the seconds it took, and
# the processor time the build took (compilers included), which does not
# depend on what else the machine is doing: divided by the number of cores,
# it is the time on an idle machine.
#   tools/time_first_frame.sh [DISPLAY_NUMBER]     (default 69)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
display=":${1:-69}"
work=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
until [ -S "/tmp/.X11-unix/X${display#:}" ]; do sleep 0.1; done

start=$(date +%s%N)
git clone -q "$here" "$work/velnorix"
# The compiler cache off: the figure is that of a machine that never built it.
CCACHE_DISABLE=1 CMAKE_CXX_COMPILER_LAUNCHER= CMAKE_C_COMPILER_LAUNCHER= \
  DISPLAY="$display" SDL_AUDIODRIVER=dummy "$work/velnorix/play.sh" >"$work/play.log" 2>&1 &
game_pid=$!
until DISPLAY="$display" xdotool search --onlyvisible --name "Velnorix" >/dev/null 2>&1; do
  if ! kill -0 "$game_pid" 2>/dev/null; then
    tail -n 30 "$work/play.log" >&2
    exit 1
  fi
  sleep 0.2
done
end=$(date +%s%N)
kill "$game_pid" 2>/dev/null
wait "$game_pid" 2>/dev/null
game_pid=
built=$(grep -c 'Building CXX\|Building C ' "$work/play.log" || true)
# The processor time of this script's finished children: the clone and
# play.sh with everything it ran.
times > "$work/times.txt"
cpu=$(sed -n 2p "$work/times.txt" | awk '{ split($1, u, "m"); split($2, s, "m"); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }')
echo "fresh clone to first frame: $(((end - start) / 1000000000)) s" \
  "($built sources compiled, $(nproc) cores, load average $(cut -d' ' -f1 /proc/loadavg));" \
  "processor time $cpu s"
