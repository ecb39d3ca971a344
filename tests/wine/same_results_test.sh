#!/usr/bin/env bash
# Same game, same results: each scripted run goes through the Linux bench
# ($VX_HOST_BUILD/velnorix-headless) and the Windows one
# (velnorix-headless.exe under Wine), each in its own copy of the Data folder.
# The two JSON reports must be byte for byte equal (state, score, level,
# lives, virtual time, flips, every frame hash, message boxes, audio calls,
# files written), and so must the folders afterwards (hall of fame, screenshot).
# Frame hashes cover every flipped picture, so ball paths (floats), capsule
# draws (the random generator) and drawing all agree. With frames_every set,
# both also write frame PNGs, which must be equal file for file; the reports
# then differ in the frames' paths alone.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch

linux_bench=$VX_HOST_BUILD/velnorix-headless
windows_bench=$VX_WIN32_BUILD/velnorix-headless.exe
data=$VX_WIN32_BUILD/Data

both_ran() {
    grep -qx "linux exit 0" "$1/linux.out" && grep -qx "windows exit 0" "$1/windows.out"
}

# Equal reports but for the frames' paths.
equal_but_frames() {
    cmp <(jq 'del(.frames)' "$1") <(jq 'del(.frames)' "$2") && jq -e '.frames | length > 0' "$1" >/dev/null
}

# same NAME SETUP SCRIPT [bench options...]
#   SETUP runs in each game folder before the run (":" for none).
same() {
    local name=$1 setup=$2 script=$3
    shift 3
    mkdir -p "$name"
    (
        cd "$name" || exit 1
        printf '%s' "$script" >script.txt
        for side in linux windows; do
            mkdir -p "$side"
            cp -r "$data" "$side/Data"
            (cd "$side" && eval "$setup")
            frames=()
            [ -n "${frames_every:-}" ] && frames=(--frames "$side-frames" --every "$frames_every")
            bench=("$linux_bench")
            [ "$side" = windows ] && bench=(wine "$windows_bench")
            "${bench[@]}" --dir "$side" --script script.txt --report "$side.json" "$@" \
                "${frames[@]}" >"$side.out" 2>&1
            echo "$side exit $?" >>"$side.out"
        done
    )
    check "$name: both benches ran" both_ran "$name"
    local fields
    fields=$(jq -c '[.exit, .state, .score, .level, .lives, .flips]' "$name/linux.json" 2>/dev/null)
    if [ -n "${frames_every:-}" ]; then
        check "$name: reports equal but for the frames' paths ($fields)" \
            equal_but_frames "$name/linux.json" "$name/windows.json"
        check "$name: frame PNGs equal" diff -r "$name/linux-frames" "$name/windows-frames"
    else
        check "$name: reports equal ($fields)" cmp "$name/linux.json" "$name/windows.json"
    fi
    check "$name: game folders equal" diff -r "$name/linux" "$name/windows"
}

holds() { jq -e "$1" "$2" >/dev/null; }

# Report fields that the scenario must reach, so a broken script cannot pass
# by two benches failing alike.
expect() {
    local name=$1 what=$2 filter=$3
    check "$name: $what" holds "$filter" "$name/linux.json"
}

empty_hall_of_fame='head -c 280 /dev/zero >Data/hiscore.dat'
start_game=$'3500 key RETURN down\n3600 key RETURN up\n'

# The intro, the menu's buttons, the hall-of-fame page of the attract loop,
# then Escape.
frames_every=25 same intro_menu : $'4000 key DOWN down\n4100 key DOWN up\n5000 key UP down\n5100 key UP up
21000 key ESCAPE down\n' --max-ms 30000
expect intro_menu "quit from the menu" '.exit == "returned" and .state == 0 and .flips > 100'

# Whole games on the default Data with keys held: steering both ways, fire,
# pause, a screenshot, a focus change; two tick starts, so two seeds.
game_keys="$start_game"$'5000 key RIGHT down\n6000 key LCTRL down\n6500 key LCTRL up
7000 key RIGHT up\n7000 key LEFT down\n9500 key LEFT up\n10000 key P down\n10100 key P up
11000 key P down\n11100 key P up\n12000 key S down\n12100 key S up\n13000 key RIGHT down
16000 key RIGHT up\n16000 key LEFT down\n16600 key LEFT up\n17000 focus lost
18000 focus gained\n19000 key RIGHT down\n19300 key RIGHT up\n19300 key LEFT down
25000 key LEFT up\n25000 key RIGHT down\n31000 key RIGHT up\n40000 key ESCAPE down
40100 key ESCAPE up\n45000 key ESCAPE down\n'
same whole_game : "$game_keys" --max-ms 60000
expect whole_game "played to the end, then quit" \
    '.exit == "returned" and .lives == 0 and (.score | tonumber) > 0 and .flips > 1000'
same whole_game_seed : "$game_keys" --ticks 4294960000 --max-ms 60000
expect whole_game_seed "played to the end, then quit" '.exit == "returned" and .lives == 0'

# A game lost without keys, then the name wheel: U taken, V, X, then Left
# round past A onto the end place; the page, then Escape.
wheel="$start_game"$'27000 key RETURN down\n27002 key RETURN up\n27030 key RIGHT down
27032 key RIGHT up\n27060 key RETURN down\n27062 key RETURN up\n27090 key RIGHT down
27094 key RIGHT up\n27120 key RETURN down\n27122 key RETURN up\n27150 key LEFT down
27200 key LEFT up\n27230 key RETURN down\n27300 key RETURN up\n35000 key ESCAPE down\n'
same game_over_wheel "$empty_hall_of_fame" "$wheel" --max-ms 60000
expect game_over_wheel "the new row saved" '.exit == "returned" and (.files_written | index("Data/hiscore.dat"))'

# Faults: start-up failures, a lost surface in play, failing files, memory
# and music, a failed hall-of-fame save, a missing Data folder.
play_briefly="$start_game"$'8000 key ESCAPE down\n8100 key ESCAPE up\n10000 key ESCAPE down\n'
same fault_color_key : "$play_briefly" --fail Surface_SetColorKey:1:0x80004005 --max-ms 15000
expect fault_color_key "fatal message" '.message_boxes[0].text | startswith("[InitDDraw]")'
same fault_flip_lost : "$play_briefly" --fail Surface_Flip:100:0x887601C2 --max-ms 15000
expect fault_flip_lost "one flip lost" '.flips == 248'
same fault_lock_lost : "$play_briefly" --fail Surface_Lock:4:0x887601C2 --max-ms 15000
expect fault_lock_lost "fatal message" '.message_boxes[0].text | startswith("[ReadMenuData]")'
same fault_open : "$play_briefly" --fail CreateFileA:8:0 --max-ms 15000
expect fault_open "fatal message" '.message_boxes[0].text | startswith("[ReadMenuData]")'
same fault_read : "$play_briefly" --fail ReadFile:20:0 --max-ms 15000
expect fault_read "fatal message" '.message_boxes[0].text | startswith("[ReadSPRFile]")'
same fault_memory : "$play_briefly" --fail alloc:2:0 --max-ms 15000
expect fault_memory "fatal message" '.message_boxes[0].text | contains("allocate")'
same fault_music : "$play_briefly" --fail LoadModuleFile:2:0 --fail PlayModule:1:0 --max-ms 15000
same fault_keyboard : "$start_game"$'5000 keyboard lost\n7000 keyboard back\n9000 key ESCAPE down
9100 key ESCAPE up\n11000 key ESCAPE down\n' --fail Device_GetDeviceState:900:0x8007001E --max-ms 15000
expect fault_music "the music calls made" '[.audio_calls[] | select(.op == "PlayModule")] | length == 2'
same fault_save "$empty_hall_of_fame" "$wheel" --fail ReplaceFileAtomically:1:0 --max-ms 60000
expect fault_save "fatal message" '.message_boxes[0].text | startswith("[SaveHiscoreTable]")'
same no_data 'rm -rf Data' "$play_briefly" --max-ms 15000
expect no_data "fatal message" '.message_boxes[0].text == "[ReadSPRFile] Unable to open file\n"'

vx_done
