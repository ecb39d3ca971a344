#!/usr/bin/env bash
# Processor use, in per cent of one core, from the time the kernel counts for
# a process (all its threads).
#
#   tools/measure_cpu.sh <pid> [seconds]
#       a running program, over a span of seconds (default 30)
#
#   tools/measure_cpu.sh --states [--seconds N] [--size WxH] [--shots DIR] [BUILD...]
#       starts the game of each build folder (default: build) under a virtual
#       X server of its own (Xvfb, default 1280x720, no window manager, no
#       graphics card), brings it to each state with xdotool and prints one
#       figure per state: menu, hall-of-fame page, play, pause, suspended,
#       name entry. Each figure covers N seconds (default 8) in that state.
#       Several build folders are measured one after the other, in one run,
#       for before-and-after figures. VELNORIX_PRESENT passes through.
#       --shots keeps a screenshot of each state in DIR.
#
# The figures are a report, not a test: they depend on the machine and on
# whatever else runs on it.
set -euo pipefail

fail() { echo "measure_cpu: $*" >&2; exit 2; }

# Nanoseconds of processor time of every thread of the process; falls back
# to the clock ticks of /proc/<pid>/stat where schedstat is missing.
cpu_ns() {
    local pid=$1 total=0 t
    if [ -r "/proc/$pid/schedstat" ]; then
        for t in /proc/"$pid"/task/*/schedstat; do
            read -r ns _ <"$t" 2>/dev/null || continue
            total=$((total + ns))
        done
        echo "$total"
    else
        # Fields 14 and 15: user and system ticks. The command name (field 2)
        # may hold blanks, so count from after its ")".
        sed 's/^.*) //' "/proc/$pid/stat" |
            awk -v hz="$(getconf CLK_TCK)" '{ printf "%d\n", ($12 + $13) * 1e9 / hz }'
    fi
}

# Per cent of one core used by pid over the given seconds.
measure() {
    local pid=$1 seconds=$2 start end
    start=$(cpu_ns "$pid")
    sleep "$seconds"
    end=$(cpu_ns "$pid")
    awk -v ns="$((end - start))" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * ns / (s * 1e9) }'
}

if [ "${1:-}" != "--states" ]; then
    pid=${1:?usage: measure_cpu.sh <pid> [seconds] | --states [--seconds N] [--size WxH] [BUILD...]}
    seconds=${2:-30}
    [ -d "/proc/$pid" ] || fail "no process $pid"
    echo "$(measure "$pid" "$seconds")% of one core over $seconds s"
    exit 0
fi
shift

seconds=8
size=1280x720
shots=
builds=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=${2:?}; shift 2 ;;
        --size) size=${2:?}; shift 2 ;;
        --shots) shots=$(mkdir -p "${2:?}" && cd "$2" && pwd); shift 2 ;;
        -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
        *) builds+=("$1"); shift ;;
    esac
done
[ ${#builds[@]} -gt 0 ] || builds=(build)
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (Debian: xvfb, xdotool, imagemagick)"
done
for b in "${builds[@]}"; do
    [ -x "$b/velnorix" ] && [ -d "$b/Data" ] || fail "no $b/velnorix and $b/Data (build the velnorix, vx_content and vx_music targets)"
done
width=${size%x*}
height=${size#*x}

# A free display number.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done

work=$(mktemp -d "${TMPDIR:-/tmp}/vx-cpu-XXXXXX")
xvfb=
game=
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$display" ] || fail "Xvfb did not start"
export DISPLAY=:$display

press() { xdotool key --clearmodifiers "$@"; }

# Brightness (0-255) of a small patch of the screen at (x, y) of the game's
# 800x600 picture, scaled to the screen with the aspect kept.
patch() {
    local gx=$1 gy=$2 scale ox oy
    scale=$(awk -v w="$width" -v h="$height" 'BEGIN { s = w / 800; if (h / 600 < s) s = h / 600; print s }')
    ox=$(awk -v w="$width" -v s="$scale" -v x="$gx" 'BEGIN { printf "%d", (w - 800 * s) / 2 + x * s }')
    oy=$(awk -v h="$height" -v s="$scale" -v y="$gy" 'BEGIN { printf "%d", (h - 600 * s) / 2 + y * s }')
    import -window root -crop "16x16+$ox+$oy" -resize 1x1 -colorspace Gray txt:- 2>/dev/null |
        awk -F'[(),]' 'NR == 2 { printf "%d", $3 }'
}

# True when the picture on the screen stays the same for a moment (a paused
# or suspended game).
frozen() {
    import -window root "$work/a.png" && sleep 0.4 && import -window root "$work/b.png" &&
        [ "$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1)" = 0 ]
}
# Presses keys until the picture stands still (a key can be lost while the
# game loads or the focus moves).
press_until_frozen() {
    local tries
    for tries in 1 2 3; do
        press "$@"
        sleep 0.5
        frozen && return 0
    done
    echo "measure_cpu: the picture still moves after $* (measured anyway)" >&2
}

printf '%-28s %-16s %s\n' "build" "state" "per cent of one core over $seconds s"
for build in "${builds[@]}"; do
    dir=$(cd "$build" && pwd)
    rm -rf "$work/run" && mkdir "$work/run"
    cp -R "$dir/Data" "$work/run/Data"
    (cd "$work/run" && exec "$dir/velnorix") >"$work/game.log" 2>&1 &
    game=$!
    report() { printf '%-28s %-16s %s\n' "$build" "$1" "$2"; }
    shot() { [ -z "$shots" ] || import -window root "$shots/$(basename "$dir")-$1.png"; }
    alive() { kill -0 "$game" 2>/dev/null || { cat "$work/game.log" >&2; fail "the game ended"; }; }

    sleep 5  # the intro, then the menu
    alive
    window=$(xdotool search --name 'Velnorix' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] || fail "no game window"
    # Focus the window for a game that does not take it itself.
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.5

    # The menu and the hall-of-fame page take turns every 121 frames (3.3 s);
    # UP or DOWN shows the menu again at once. Each cycle measures both.
    cycles=$(awk -v s="$seconds" 'BEGIN { c = int((s + 2.4) / 2.5); if (c % 2) c++; print c }')
    span=$(awk -v s="$seconds" -v c="$cycles" 'BEGIN { printf "%.2f", s / c }')
    menu=0
    hof=0
    for i in $(seq "$cycles"); do
        if [ $((i % 2)) = 1 ]; then press Down; else press Up; fi
        sleep 0.4
        start=$(cpu_ns "$game"); sleep "$span"; menu=$((menu + $(cpu_ns "$game") - start))
        [ "$i" != 1 ] || shot menu
        sleep "$(awk -v s="$span" 'BEGIN { printf "%.2f", 3.6 - 0.4 - s }')"
        start=$(cpu_ns "$game"); sleep "$span"; hof=$((hof + $(cpu_ns "$game") - start))
        [ "$i" != 1 ] || shot hall-of-fame
    done
    alive
    report menu "$(awk -v ns="$menu" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * ns / (s * 1e9) }')"
    report hall-of-fame "$(awk -v ns="$hof" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * ns / (s * 1e9) }')"

    # An empty hall of fame: the game reads it again at game over, and any
    # score then earns a place, so the name entry comes.
    head -c 280 /dev/zero >"$work/run/Data/hiscore.dat"

    # Play, the ship going left and right; the selection is on START. On
    # the hall-of-fame page the first RETURN brings the menu back.
    press Return
    sleep 0.3
    press Return
    sleep 0.5
    (while :; do
        xdotool keydown Right; sleep 0.5; xdotool keyup Right
        xdotool keydown Left; sleep 0.5; xdotool keyup Left
    done) >/dev/null 2>&1 &
    mover=$!
    report play "$(measure "$game" "$seconds")"
    shot play
    kill "$mover" 2>/dev/null || true
    wait "$mover" 2>/dev/null || true
    xdotool keyup Left keyup Right
    alive

    press_until_frozen p
    report pause "$(measure "$game" "$seconds")"
    shot pause
    press p
    sleep 0.5

    # Left Alt and Tab suspend the game; the focus going away and coming
    # back resumes it.
    press_until_frozen alt+Tab
    report suspended "$(measure "$game" "$seconds")"
    shot suspended
    xdotool windowfocus "$(xdotool search --maxdepth 0 '' 2>/dev/null | head -n 1)" 2>/dev/null || true
    sleep 0.5
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.5
    alive

    # The ship left alone loses its balls; at game over the screen is
    # cleared for the name entry, the side panel (its score plate) with it.
    waited=0
    while [ "$(patch 600 317)" -gt 30 ]; do
        sleep 1
        waited=$((waited + 1))
        [ "$waited" -lt 120 ] || fail "no game over within 120 s"
        alive
    done
    sleep 1.5
    report name-entry "$(measure "$game" "$seconds")"
    shot name-entry

    kill "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
    game=
    sed -n 's/^velnorix: \(present.*\|the .*renderer.*\)$/  (\1)/p' "$work/game.log"
done
