#!/bin/sh
# Records what the real game plays and checks the sound.
#
#   tools/check_audio.sh [BUILD_DIR] [--keep]
#
# BUILD_DIR (default: build) must hold the built `velnorix` and its Data
# folder (targets velnorix, vx_content, vx_music); nothing is built here.
# Needs Xvfb, python3 and the libxmp shared library (the game's own); uses
# xdotool when present (`apt-get install -y xdotool`) to press the keys.
#
# What it does:
#   1. starts a virtual display (Xvfb :97, 1024x768x24) and the game on it,
#      from a temporary copy of BUILD_DIR/Data, with SDL's disk audio driver
#      (SDL_AUDIODRIVER=disk, SDL_DISKAUDIOFILE=<temp>/sound.raw): the output
#      goes to a file of raw samples, 44100 Hz, signed 16-bit stereo,
#      little-endian;
#   2. lets it run through the intro into the menu (8 s); with xdotool it then
#      presses Return (a new game), records 6 s of play, and leaves with
#      Escape twice (play to menu, menu to quit); without xdotool it records
#      the menu only and ends the game with SIGTERM (a close request);
#   3. checks the recording: not silent, below full scale, no clipped samples;
#      the menu part and the play part compared with renders of
#      Data/menu.mdf and Data/track1.mdf made here through libxmp with the
#      game's settings (the samples themselves where they line up, and in any
#      case the RMS level within a factor of 2 and the octave-band spectrum
#      within 6 dB on average).
#
# Prints the figures and "audio check: N passed, N failed"; exit status 0
# when every check passed, 1 when one failed, 2 when the run could not be
# made. With --keep the temporary folder (recording, renders, logs, a
# screenshot of the play when `import` is present) is kept and named.
set -eu

build=build
keep=0
for argument in "$@"; do
    case "$argument" in
        --keep) keep=1 ;;
        -h|--help) sed -n '2,31p' "$0"; exit 0 ;;
        *) build=$argument ;;
    esac
done

fail() { echo "check_audio: $*" >&2; exit 2; }

[ -x "$build/velnorix" ] || fail "no $build/velnorix (build the velnorix target first)"
[ -f "$build/Data/menu.mdf" ] && [ -f "$build/Data/track1.mdf" ] ||
    fail "no music in $build/Data (build the vx_music target first)"
command -v Xvfb >/dev/null || fail "Xvfb is not installed"
command -v python3 >/dev/null || fail "python3 is not installed"
[ ! -e /tmp/.X11-unix/X97 ] || fail "display :97 is already in use"

build=$(cd "$build" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vx-audio-XXXXXX")
xvfb=
game=
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    if [ "$keep" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 2' INT TERM

cp -R "$build/Data" "$work/Data"
raw=$work/sound.raw

Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
waited=0
while [ ! -e /tmp/.X11-unix/X97 ]; do
    sleep 0.1
    waited=$((waited + 1))
    [ "$waited" -lt 100 ] || fail "Xvfb did not start (see $work/xvfb.log)"
done
export DISPLAY=:97

(cd "$work" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw" exec "$build/velnorix") \
    >"$work/game.log" 2>&1 &
game=$!

size() { if [ -f "$raw" ]; then stat -c %s "$raw"; else echo 0; fi; }
alive() { kill -0 "$game" 2>/dev/null; }
# A key held for a moment, as a person presses it.
press() {
    xdotool keydown "$1"
    sleep 0.25
    xdotool keyup "$1"
}

sleep 8
alive || { cat "$work/game.log" >&2; fail "the game ended during the intro or the menu"; }
menu_end=$(size)
play_start=
play_end=
if command -v xdotool >/dev/null; then
    window=$(xdotool search --name 'Velnorix' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.5  # the game takes the focus change before the key
    play_start=$(size)
    press Return
    sleep 6
    play_end=$(size)
    command -v import >/dev/null && import -window root "$work/play.png" 2>/dev/null || true
    press Escape
    sleep 1.5
    press Escape
else
    echo "xdotool is not installed: the menu only is recorded"
    kill -TERM "$game" 2>/dev/null || true
fi

# The game ends by itself; a close request (SIGTERM) after 10 s.
waited=0
while alive; do
    sleep 0.1
    waited=$((waited + 1))
    [ "$waited" -ne 100 ] || kill -TERM "$game" 2>/dev/null || true
    [ "$waited" -lt 200 ] || { kill -KILL "$game" 2>/dev/null || true; break; }
done
status=0
wait "$game" || status=$?
game=
echo "game exit status $status after $((waited / 10)) s of shutdown; its output:"
sed 's/^/  | /' "$work/game.log"
[ -s "$raw" ] || fail "SDL's disk audio driver wrote nothing to $raw"

python3 - "$raw" "$work" "$menu_end" "${play_start:-}" "${play_end:-}" "$status" <<'PYTHON'
import array, cmath, ctypes, ctypes.util, math, sys

raw_path, work, menu_end, play_start, play_end, status = sys.argv[1:7]
RATE, FRAME = 44100, 4          # frames a second; bytes a frame (two 16-bit samples)
passed = failed = 0

def check(ok, text):
    global passed, failed
    passed += ok
    failed += not ok
    print(("PASS  " if ok else "FAIL  ") + text)

def frames_of(byte_offset):
    return int(byte_offset) // FRAME

# --- libxmp, as the game drives it: 44100 Hz, default format, loop forever
def load_xmp():
    for name in (ctypes.util.find_library("xmp"), "libxmp.so.4", "libxmp.so"):
        if name:
            try:
                return ctypes.CDLL(name)
            except OSError:
                pass
    return None

xmp = load_xmp()
if xmp is not None:
    xmp.xmp_create_context.restype = ctypes.c_void_p
    for f in ("xmp_load_module", "xmp_start_player", "xmp_play_buffer", "xmp_end_player",
              "xmp_release_module", "xmp_free_context"):
        getattr(xmp, f).argtypes = [ctypes.c_void_p] + {
            "xmp_load_module": [ctypes.c_char_p],
            "xmp_start_player": [ctypes.c_int, ctypes.c_int],
            "xmp_play_buffer": [ctypes.c_void_p, ctypes.c_int, ctypes.c_int],
        }.get(f, [])

def render(path, frames):
    """frames of the module, interleaved stereo samples, or None."""
    if xmp is None:
        return None
    context = xmp.xmp_create_context()
    if not context or xmp.xmp_load_module(context, path.encode()) != 0:
        return None
    out = array.array("h")
    if xmp.xmp_start_player(context, RATE, 0) == 0:
        chunk = 4096
        buffer = (ctypes.c_int16 * (chunk * 2))()
        left = frames
        while left > 0:
            now = min(chunk, left)
            if xmp.xmp_play_buffer(context, buffer, now * FRAME, 0) != 0:
                break
            out.extend(buffer[: now * 2])
            left -= now
        xmp.xmp_end_player(context)
    xmp.xmp_release_module(context)
    xmp.xmp_free_context(context)
    return out

# --- measures
def first_sound(samples, start=0):
    """frame index of the first frame with a non-zero sample, or None."""
    for i in range(start * 2, len(samples)):
        if samples[i] != 0:
            return i // 2
    return None

def levels(samples):
    n = len(samples)
    if n == 0:
        return float("-inf"), float("-inf"), 0
    peak = max(max(samples), -min(samples))
    rms = math.sqrt(sum(s * s for s in samples) / n)
    clipped = sum(1 for s in samples if s >= 32767 or s <= -32768)
    db = lambda v: 20 * math.log10(v / 32768) if v > 0 else float("-inf")
    return db(rms), db(peak), clipped

def fft(values):
    n = len(values)
    a = [complex(v) for v in values]
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            a[i], a[j] = a[j], a[i]
    size = 2
    while size <= n:
        step = cmath.exp(-2j * math.pi / size)
        for start in range(0, n, size):
            w = 1
            for k in range(size // 2):
                u, t = a[start + k], a[start + k + size // 2] * w
                a[start + k], a[start + k + size // 2] = u + t, u - t
                w *= step
        size *= 2
    return a

BANDS = [(62.5 * 2 ** b, 62.5 * 2 ** (b + 1)) for b in range(8)]  # 62.5 Hz .. 16 kHz

def spectrum(samples, windows=24, n=4096):
    """octave-band energies (dB relative to the total) and the centroid (Hz)
    of the mono mix, averaged over windows spread across the samples."""
    frames = len(samples) // 2
    if frames < n:
        return None, None
    energy = [0.0] * (n // 2)
    hann = [0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1)) for i in range(n)]
    for w in range(windows):
        start = (frames - n) * w // max(1, windows - 1)
        mono = [(samples[2 * (start + i)] + samples[2 * (start + i) + 1]) * 0.5 * hann[i]
                for i in range(n)]
        spec = fft(mono)
        for k in range(n // 2):
            energy[k] += abs(spec[k]) ** 2
    total = sum(energy) or 1.0
    hz = RATE / n
    bands = []
    for low, high in BANDS:
        e = sum(energy[k] for k in range(n // 2) if low <= k * hz < high)
        bands.append(10 * math.log10(max(e / total, 1e-12)))
    centroid = sum(k * hz * energy[k] for k in range(n // 2)) / total
    return bands, centroid

def aligned_run(recording, rec_from, reference, ref_from):
    """frames of the reference from ref_from found verbatim in the recording
    at or after rec_from: (position, frames matching), or (None, 0)."""
    rec = recording[rec_from * 2:].tobytes()
    ref = reference[ref_from * 2:].tobytes()
    needle = ref[: 1024 * FRAME]
    at = rec.find(needle)
    if at < 0 or at % FRAME:
        return None, 0
    length = min(len(rec) - at, len(ref))
    same = 0
    step = 4096 * FRAME
    while same < length:
        upto = min(same + step, length)
        if rec[at + same: at + upto] != ref[same: upto]:
            while same < upto and rec[at + same: at + same + FRAME] == ref[same: same + FRAME]:
                same += FRAME
            break
        same = upto
    return rec_from + at // FRAME, same // FRAME

def compare(name, part, module, reference_frames_from):
    """levels and spectrum of a part of the recording against a render."""
    rms, peak, clipped = levels(part)
    print(f"      {name}: {len(part) // 2 / RATE:.2f} s, RMS {rms:.1f} dBFS, peak {peak:.1f} dBFS, "
          f"{clipped} clipped samples")
    check(rms > -50, f"{name} is not silent (RMS {rms:.1f} dBFS > -50)")
    check(peak < 0 and clipped == 0, f"{name} is below full scale (peak {peak:.1f} dBFS, "
          f"{clipped} clipped)")
    reference = render(f"{work}/Data/{module}", reference_frames_from + len(part) // 2)
    if reference is None:
        check(False, f"{module} renders through libxmp")
        return
    reference = reference[reference_frames_from * 2:]
    ref_rms, ref_peak, _ = levels(reference)
    print(f"      render of {module}: RMS {ref_rms:.1f} dBFS, peak {ref_peak:.1f} dBFS")
    ratio = 10 ** ((rms - ref_rms) / 20)
    check(0.5 <= ratio <= 2.0, f"{name} RMS within a factor of 2 of the render's "
          f"(ratio {ratio:.3f})")
    bands, centroid = spectrum(part)
    ref_bands, ref_centroid = spectrum(reference)
    if bands is None or ref_bands is None:
        check(False, f"{name} is long enough for a spectrum")
        return
    print("      octave bands from 62.5 Hz, dB of the total: recording "
          + " ".join(f"{b:6.1f}" for b in bands) + "\n" + " " * 50 + "render    "
          + " ".join(f"{b:6.1f}" for b in ref_bands))
    loud = [i for i in range(len(BANDS)) if max(bands[i], ref_bands[i]) > -40]
    mean = sum(abs(bands[i] - ref_bands[i]) for i in loud) / max(1, len(loud))
    check(mean <= 6.0, f"{name} octave spectrum within 6 dB of the render's on average "
          f"({mean:.2f} dB over {len(loud)} bands; centroid {centroid:.0f} Hz against "
          f"{ref_centroid:.0f} Hz)")

recording = array.array("h")
with open(raw_path, "rb") as f:
    recording.frombytes(f.read())
if sys.byteorder != "little":
    recording.byteswap()
total = len(recording) // 2
print(f"recording: {total} frames, {total / RATE:.2f} s at {RATE} Hz, 16-bit stereo "
      f"(game exit status {status})")
check(int(status) == 0, f"the game ended normally (exit status {status})")
rms, peak, clipped = levels(recording)
print(f"      whole recording: RMS {rms:.1f} dBFS, peak {peak:.1f} dBFS, {clipped} clipped")
check(rms > -50, f"the recording is not silent (RMS {rms:.1f} dBFS)")
check(peak < 0 and clipped == 0, "the recording stays below full scale")

# The intro is silent: the menu music starts when it ends, some 3 s in.
menu_end = min(frames_of(menu_end), total)
start = first_sound(recording)
check(start is not None and start < menu_end, "the menu music starts before the Return press")
if start is not None and start < menu_end:
    print(f"      the first sound after {start / RATE:.2f} s of silence (the intro)")
    check(2.5 <= start / RATE <= 6.0, "the silence before the menu music lasts about the "
          "intro's 3 s")
    menu_render = render(f"{work}/Data/menu.mdf", menu_end - start + RATE)
    if menu_render is not None:
        ref_start = first_sound(menu_render) or 0
        at, same = aligned_run(recording, start, menu_render, ref_start)
        print(f"      menu part: {same} frames ({same / RATE:.2f} s) equal sample for sample "
              f"to the render" + (f", from {at / RATE:.2f} s" if at is not None else ""))
        check(same >= min(RATE, (menu_end - start) // 2),
              "the menu music is the render of Data/menu.mdf, sample for sample")
    compare("menu part", recording[start * 2: menu_end * 2], "menu.mdf", 0)

if play_start and play_end:
    play_start = min(frames_of(play_start), total)
    play_end = min(frames_of(play_end), total)
    # The play music starts some frames after the press (the game's own
    # steps and the output's block); it is looked for in the next 2 s.
    track = render(f"{work}/Data/track1.mdf", play_end - play_start + RATE)
    at = None
    if track is not None:
        ref_start = first_sound(track) or 0
        at, same = aligned_run(recording, play_start, track, ref_start)
        if at is not None and at - play_start > 2 * RATE:
            at, same = None, 0
        if at is not None:
            print(f"      play part: the play music starts {(at - play_start) / RATE:.2f} s after "
                  f"the press; {same} frames ({same / RATE:.2f} s) equal to the render")
        check(at is not None and same >= RATE,
              "the play music is the render of Data/track1.mdf, sample for sample")
    begin = at if at is not None else play_start
    if play_end - begin > 2 * RATE:
        compare("play part", recording[begin * 2: play_end * 2], "track1.mdf",
                (first_sound(track) or 0) if track is not None and at is not None else 0)
    else:
        check(False, "the play part lasts more than 2 s")
else:
    print("      no play part (xdotool missing)")

print(f"audio check: {passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PYTHON
