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
#   tools/measure_cpu.sh --windows [--seconds N] [--shots DIR] [--probe] [WIN32BUILD...]
#       the same states for velnorix.exe of each Windows build folder (default:
#       build-win32) under Wine, full-screen on an 800x600x16 Xvfb screen of
#       its own with a Wine prefix of its own (WINEPREFIX, default a fresh one
#       under /tmp), and per thread: each state's line gives the whole
#       process, then every thread by name (velnorix.exe is the game's main
#       thread, wined3d_cs Wine's drawing thread), then wineserver. Keys are
#       held for 0.2 s (the game polls once a frame). The suspended game is
#       brought back by another Wine program (notepad) that opens and closes.
#       --probe also measures, after each build's game, that build's
#       vx_wine_probe.exe (tools/wine_probe: the game's DirectDraw calls of a
#       play frame every 27 ms and nothing else) on the same screen: "probe"
#       is the play frame (a fill, 48 sprites, the flip), "probe-lock" the
#       same with a lock, write and unlock of the back buffer, "probe-flip"
#       the flip alone. What the probe costs is Wine's own: no program making
#       these calls avoids it.
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

# ---- Windows builds under Wine -------------------------------------------
# Nanoseconds per thread name of a process: "name ns" lines.
thread_ns() {
    local t ns name
    for t in /proc/"$1"/task/*; do
        read -r ns _ <"$t/schedstat" 2>/dev/null || continue
        name=$(cat "$t/comm" 2>/dev/null) || continue
        echo "${name// /_} $ns"
    done
}

# One line: total, per thread name, wineserver; over $2 seconds.
measure_threads() {
    local pid=$1 s=$2 server=$3 before after sb sa
    before=$(thread_ns "$pid")
    sb=$(cpu_ns "$server" 2>/dev/null || echo 0)
    sleep "$s"
    after=$(thread_ns "$pid")
    sa=$(cpu_ns "$server" 2>/dev/null || echo 0)
    awk -v s="$s" -v server="$((sa - sb))" '
        NR == FNR { b[$1] += $2; next }
        { a[$1] += $2 }
        END {
            total = 0
            for (n in a) { d[n] = a[n] - b[n]; total += d[n] }
            printf "%5.1f  ", 100 * total / (s * 1e9)
            for (n in d) if (d[n] > 0.001 * s * 1e9) printf "%s %.1f  ", n, 100 * d[n] / (s * 1e9)
            printf "| wineserver %.1f\n", 100 * server / (s * 1e9)
        }' <(echo "$before") <(echo "$after")
}

if [ "${1:-}" = "--windows" ]; then
    shift
    seconds=8
    shots=
    probe=
    builds=()
    while [ $# -gt 0 ]; do
        case "$1" in
            --seconds) seconds=${2:?}; shift 2 ;;
            --shots) shots=$(mkdir -p "${2:?}" && cd "$2" && pwd); shift 2 ;;
            --probe) probe=1; shift ;;
            -h|--help) sed -n '2,46p' "$0"; exit 0 ;;
            *) builds+=("$1"); shift ;;
        esac
    done
    [ ${#builds[@]} -gt 0 ] || builds=(build-win32)
    for tool in Xvfb xdotool import wine wineserver; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh --wine)"
    done
    for b in "${builds[@]}"; do
        [ -f "$b/velnorix.exe" ] && [ -d "$b/Data" ] || fail "no $b/velnorix.exe and $b/Data (./build-windows.sh)"
    done
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    work=$(mktemp -d "${TMPDIR:-/tmp}/vx-cpu-XXXXXX")
    export WINEPREFIX=${WINEPREFIX:-$work/prefix}
    display=${VX_DISPLAY_BASE:-90}
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    xvfb=
    game=
    cleanup() {
        [ -n "$game" ] && kill "$game" 2>/dev/null || true
        wineserver -k 2>/dev/null || true
        [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
        rm -rf "$work"
    }
    trap cleanup EXIT
    trap 'exit 2' INT TERM
    Xvfb ":$display" -screen 0 800x600x16 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    export DISPLAY=:$display
    [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
    hold() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; }
    # The wineserver of this prefix: the one whose folder is the prefix's.
    server_pid() {
        local dir p
        dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
        for p in $(pgrep -x wineserver32 2>/dev/null; pgrep -x wineserver 2>/dev/null; pgrep -x wineserver64 2>/dev/null); do
            case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */"$dir") echo "$p"; return ;; esac
        done
    }
    trace=$work/trace.txt
    printf '%-24s %-13s %s\n' "build" "state" "per cent of one core over $seconds s: process  threads | wineserver"
    for build in "${builds[@]}"; do
        dir=$(cd "$build" && pwd)
        rm -rf "$work/run" && mkdir "$work/run"
        cp -R "$dir/Data" "$work/run/Data"
        rm -f "$trace"
        (cd "$work/run" && VX_TRACE="Z:${trace//\//\\}" exec wine "$dir/velnorix.exe") >"$work/game.log" 2>&1 &
        game=$!
        report() { printf '%-24s %-13s %s\n' "$build" "$1" "$2"; }
        shot() { [ -z "$shots" ] || import -window root "$shots/$(basename "$(dirname "$dir")")-$(basename "$dir")-$1.png"; }
        alive() { kill -0 "$game" 2>/dev/null || { cat "$work/game.log" >&2; fail "the game ended"; }; }
        sleep 8
        alive
        server=$(server_pid)
        [ -n "$server" ] || server=$game
        # Menu and hall-of-fame page take turns every 3.3 s: a key shows the
        # menu, then each is measured for a part of a turn.
        hold Down; sleep 0.5
        report menu "$(measure_threads "$game" 2.5 "$server")"
        shot menu
        sleep 1
        report hall-of-fame "$(measure_threads "$game" 2.5 "$server")"
        shot hall-of-fame
        head -c 280 /dev/zero >"$work/run/Data/hiscore.dat"
        hold Up; sleep 0.5; hold Return; sleep 1.5
        report play "$(measure_threads "$game" "$seconds" "$server")"
        shot play
        hold p; sleep 1
        report pause "$(measure_threads "$game" "$seconds" "$server")"
        shot pause
        hold p; sleep 0.5
        xdotool keydown Alt_L; sleep 0.2; xdotool keydown Tab; sleep 0.5; xdotool keyup Tab keyup Alt_L
        sleep 1
        report suspended "$(measure_threads "$game" "$seconds" "$server")"
        shot suspended
        # Back: another Wine program opens and closes; the game is active again.
        (exec wine notepad) >/dev/null 2>&1 &
        for _ in $(seq 100); do xdotool search --name Notepad >/dev/null 2>&1 && break; sleep 0.2; done
        sleep 1
        timeout 60 wine taskkill /im notepad.exe >/dev/null 2>&1 || true
        sleep 2
        alive
        # The ship left alone loses its balls; the hall of fame is empty, so
        # the name entry comes.
        # At game over the screen is cleared for the name entry, the side
        # panel's score plate with it.
        # (A build that does not show the game again after a suspension
        # never gets there: its name entry is not measured.)
        waited=0
        while [ "$(import -window root -crop 16x16+600+317 -resize 1x1 -colorspace Gray txt:- 2>/dev/null |
            awk -F'[(),]' 'NR == 2 { printf "%d", $3 }')" -gt 30 ] && [ "$waited" -lt 120 ]; do
            sleep 1
            waited=$((waited + 1))
            alive
        done
        if [ "$waited" -lt 120 ]; then
            sleep 1.5
            report name-entry "$(measure_threads "$game" "$seconds" "$server")"
            shot name-entry
        else
            report name-entry "not reached (no game over on the screen within 120 s)"
        fi
        kill "$game" 2>/dev/null || true
        wait "$game" 2>/dev/null || true
        game=
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        [ -n "$probe" ] || continue
        if [ ! -f "$dir/vx_wine_probe.exe" ]; then
            report probe "no vx_wine_probe.exe in this build"
            continue
        fi
        for mode in probe probe-lock probe-flip; do
            case "$mode" in
                probe) args=() ;;
                probe-lock) args=(--lock) ;;
                *) args=(--sprites 0 --no-clear) ;;
            esac
            (cd "$work/run" && exec wine "$dir/vx_wine_probe.exe" "${args[@]}") >"$work/game.log" 2>&1 &
            game=$!
            sleep 5
            alive
            server=$(server_pid)
            [ -n "$server" ] || server=$game
            report "$mode" "$(measure_threads "$game" "$seconds" "$server")"
            shot "$mode"
            kill "$game" 2>/dev/null || true
            wait "$game" 2>/dev/null || true
            game=
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
        done
    done
    exit 0
fi

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
