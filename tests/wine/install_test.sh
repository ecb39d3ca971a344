#!/usr/bin/env bash
# The release folder's installer and the uninstaller it installs, on Windows
# (Wine): the real dialog driven with the mouse and the keyboard, the files
# against data.1, the install log byte for byte, the registry through
# `wine reg`, the game started from the installed folder, the uninstaller run
# there; then a second installation elsewhere, Cancel, an empty folder, a
# folder whose parent is missing, and archives and logs that name places
# outside the installation folder.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch
vx_start_x
# One Wine server for every run of the test.
wineserver -p
vx_cleanups+=("wineserver -k 2>/dev/null")

scratch=$PWD
caption="Install Velnorix For Win32"
keys=('HKCU\Software\Velnorix' 'HKLM\Software\Velnorix'
      'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velnorix')

# The Windows name of a path of this system (Wine's drive Z: is the root).
win_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

registry_clear() {
  local k
  for k in "${keys[@]}"; do wine reg delete "$k" /f >/dev/null 2>&1; done
}

registry_absent() {
  local k
  for k in "${keys[@]}"; do
    if wine reg query "$k" >/dev/null 2>&1; then return 1; fi
  done
}

# The visible windows of a name (a pattern), one X window id a line.
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | sort; }

visible() { xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1"; }

# Waits for a visible window of a name other than those listed in $2, at most
# $3 tenths of a second (a minute unless given), and prints its id.
wait_new_window() {
  local name=$1 known=$2 tries w
  for ((tries = 0; tries < ${3:-600}; tries++)); do
    for w in $(windows_named "$name"); do
      if ! grep -qx "$w" <<<"$known"; then echo "$w"; return 0; fi
    done
    sleep 0.1
  done
  return 1
}

# Clicks a point of a window (pixels). A window that is not active yet may
# take a click as its activation only: the callers click again when nothing
# came of it.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1 2>/dev/null; }

# Clicks a point until the window is gone (at most ten clicks).
click_until_gone() {
  local tries
  for ((tries = 0; tries < 10; tries++)); do
    click "$@"
    sleep 0.5
    visible "$1" || return 0
  done
  return 1
}

# A point of the dialog given in dialog units, as pixels: the dialog's
# client area is 186 x 95 units, and its X window is that client area.
dialog_point() {
  local geometry width height
  geometry=$(xdotool getwindowgeometry "$dialog" | sed -n 's/.*Geometry: //p')
  width=${geometry%x*}
  height=${geometry#*x}
  echo "$(($1 * width / 186)) $(($2 * height / 95))"
}

# Starts install.exe in a folder (ship/ unless given) with message boxes
# traced to installer.out, and waits for its dialog.
installer_pid=
dialog=
start_installer() {
  (cd "$scratch/${1:-ship}" && WINEDEBUG=-all,trace+msgbox exec wine install.exe) \
    >"$scratch/installer.out" 2>&1 &
  installer_pid=$!
  dialog=$(wait_new_window "^$caption\$" "")
  sleep 0.5
}

# Waits (up to three minutes) for the installer to end; its exit code in $status
# (124: it had to be stopped).
status=
wait_installer() {
  local tries
  for ((tries = 0; tries < 1800; tries++)); do
    kill -0 "$installer_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$installer_pid" 2>/dev/null && { wait "$installer_pid"; status=124; return; }
  wait "$installer_pid"
  status=$?
}

# Types a folder into the edit box (1002 at 17,30, 129 x 13 units), clicked
# twice so that the first click may activate the dialog.
type_folder() {
  local point
  point=$(dialog_point 81 36)
  click "$dialog" $point
  sleep 0.3
  click "$dialog" $point
  xdotool type --delay 10 "$1"
}

# Presses OK (1000 at 34,62, 50 x 14), waits for the message box, keeps its
# text in $text, closes it with its OK button and waits for the installer to
# end.
text=
press_ok() {
  local box tries point
  text=
  point=$(dialog_point 59 69)
  for ((tries = 0; tries < 3; tries++)); do
    click "$dialog" $point
    box=$(wait_new_window "^$caption\$" "$dialog" 300) && break
  done
  if [ -n "$box" ]; then
    # The box's text is traced when it is set up: wait for the whole line.
    for ((tries = 0; tries < 900; tries++)); do
      grep -q 'MSGBOX_OnInit L".*"' "$scratch/installer.out" && break
      sleep 0.1
    done
    text=$(sed -n 's/.*MSGBOX_OnInit L"\(.*\)"\r*$/\1/p' "$scratch/installer.out")
    # Its one button sits at the middle of its bottom.
    local geometry width height
    geometry=$(xdotool getwindowgeometry "$box" | sed -n 's/.*Geometry: //p')
    width=${geometry%x*}
    height=${geometry#*x}
    click_until_gone "$box" $((width / 2)) $((height - 22))
  fi
  wait_installer
}

# Picks a folder of drive C: with "..." (1003 at 151,30, 15 x 13): the shell's
# folder browser opens on My Computer; a click on its drive C: item, Right to
# open it, the folder's name typed to select it, and the browser's OK. (The
# places are those of Wine's browser window.)
browse_drive_c_folder() {
  local browser tries point
  point=$(dialog_point 158 36)
  for ((tries = 0; tries < 3; tries++)); do
    click "$dialog" $point
    browser=$(wait_new_window '^Browse for Folder$' "" 50) && break
  done
  [ -n "$browser" ] || return 1
  sleep 0.5
  click "$browser" 80 89
  sleep 0.3
  click "$browser" 80 89
  xdotool key Right
  sleep 0.3
  xdotool type "$1"
  sleep 0.3
  click_until_gone "$browser" 183 296
}

# Presses Cancel (1001 at 100,62, 50 x 14) and waits for the installer to end.
press_cancel() {
  click_until_gone "$dialog" $(dialog_point 125 69)
  wait_installer
}

# The NUL-terminated string of a file at an offset.
string_at() { dd if="$1" bs=1 skip="$2" count=260 2>/dev/null | tr '\0' '\n' | head -n 1; }

# Lists data.1's entries: "F name offset size" (content at offset) and
# "D name", in archive order.
archive_entries() {
  local archive=$1 offset=0 name size end
  end=$(stat -c %s "$archive")
  while [ "$offset" -lt "$end" ]; do
    name=$(string_at "$archive" "$offset")
    offset=$((offset + ${#name} + 1))
    case $name in
      END_OF_DATA_FILE) return 0 ;;
      CHANGE_DIRECTORY)
        name=$(string_at "$archive" "$offset")
        offset=$((offset + ${#name} + 1))
        echo "D $name" ;;
      *)
        size=$(od -An -tu4 -N4 -j "$offset" "$archive" | tr -d ' ')
        offset=$((offset + 4))
        echo "F $name $offset $size"
        offset=$((offset + size)) ;;
    esac
  done
  echo "data.1 ends without its end entry" >&2
  return 1
}

# Every file of the archive is in the folder with the archive's bytes, and
# the folder holds nothing else but install.log.
installed_as_archived() {
  local folder=$1 kind name offset size current=$1 count=1 entries
  entries=$(archive_entries "$scratch/ship/data.1") || return 1
  while read -r kind name offset size; do
    if [ "$kind" = D ]; then
      current="$folder/${name//\\//}"
      count=$((count + 1))
      [ -d "$current" ] || { echo "missing directory $name" >&2; return 1; }
      continue
    fi
    count=$((count + 1))
    cmp -s <(tail -c +$((offset + 1)) "$scratch/ship/data.1" | head -c "$size") "$current/$name" ||
      { echo "differs: $current/$name" >&2; return 1; }
  done <<<"$entries"
  [ "$(find "$folder" -mindepth 1 | wc -l)" -eq "$count" ]
}

# The install log the archive gives for a folder (as typed); complete, or
# cut after the first registry pair as a failed registration leaves it.
expected_log() {
  local folder=$1 how=$2 kind name rest
  while read -r kind name rest; do
    if [ "$kind" = D ]; then printf '%s\0%s\0' CREATED_DIRECTORY "$folder\\$name"
    else printf '%s\0' "$name"; fi
  done < <(archive_entries "$scratch/ship/data.1")
  printf '%s\0' CREATED_REG_KEYS HKEY_CURRENT_USER 'Software\Velnorix'
  [ "$how" = failed ] && return 0
  printf '%s\0' HKEY_LOCAL_MACHINE 'Software\Velnorix' \
    HKEY_LOCAL_MACHINE 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Velnorix' \
    INSTALLATION_COMPLETE
}

# The REG_SZ data of a value, as `wine reg query` shows it.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_SZ *//p"
}

registered_for() {
  local folder=$1
  [ "$(reg_value 'HKCU\Software\Velnorix' Version)" = 1.00 ] &&
    [ "$(reg_value 'HKCU\Software\Velnorix' Path)" = "$folder" ] &&
    [ "$(reg_value 'HKLM\Software\Velnorix' Version)" = 1.00 ] &&
    [ "$(reg_value 'HKLM\Software\Velnorix' Path)" = "$folder" ] &&
    [ "$(reg_value "${keys[2]}" DisplayName)" = "Velnorix For Win32" ] &&
    [ "$(reg_value "${keys[2]}" UninstallString)" = "$folder\\Uninstall.exe" ]
}

# Runs a folder's Uninstall.exe there; its exit code (99: no such folder).
uninstall() { (cd "$1" 2>/dev/null || exit 99; wine Uninstall.exe); }

# The install log (or any file) holds exactly the expected bytes.
same_bytes() { cmp "$1" "$2"; }

mkdir ship
cp "$VX_WIN32_BUILD/ship/install.exe" "$VX_WIN32_BUILD/ship/data.1" ship/
registry_clear

# --- Cancel: nothing is installed.
start_installer
type_folder "$(win_path "$scratch/cancelled")"
press_cancel
check "Cancel ends the installer with code 0" [ "$status" -eq 0 ]
check "Cancel creates no folder" [ ! -e "$scratch/cancelled" ]
check "Cancel registers nothing" registry_absent

# --- OK with an empty folder.
start_installer
press_ok
check "an empty folder: \"$text\"" [ "$text" = "Error: Installation terminated" ]
check "an empty folder registers nothing" registry_absent

# --- A folder whose parent does not exist.
start_installer
type_folder "$(win_path "$scratch/missing/Velnorix")"
press_ok
check "a missing parent: \"$text\"" [ "$text" = "Error: Installation terminated" ]
check "a missing parent creates nothing" [ ! -e "$scratch/missing" ]
check "a missing parent registers nothing" registry_absent

# --- The installation, into a folder that exists, typed in other letters
#     than its own (Windows names compare without regard to case).
mkdir "$scratch/Velnorix Games"
folder=$(win_path "$scratch/VELNORIX games")
start_installer
type_folder "$folder"
press_ok
check "installed: \"$text\"" [ "$text" = "Velnorix For Win32 successfully installed" ]
check "the installer's exit code is 0" [ "$status" -eq 0 ]
check "every file of data.1 is installed with its bytes" \
  installed_as_archived "$scratch/Velnorix Games"
expected_log "$folder" complete >expected.log
check "install.log holds the archive's entries and the registry part" \
  same_bytes expected.log "$scratch/Velnorix Games/install.log"
check "the six registry values name the folder" registered_for "$folder"

# --- The installed game starts in its folder and shows its menu (the Linux
#     bench's menu frame, both as 5-6-5 pixels); Escape ends it.
mkdir bench frames
cp -r "$VX_HOST_BUILD/Data" bench/
"$VX_HOST_BUILD/velnorix-headless" --dir bench --max-ms 4500 --frames frames >bench.log 2>&1
vx_565 frames/frame-000004.png menu.png
(cd "$scratch/Velnorix Games" && exec wine velnorix.exe) >game.log 2>&1 &
game=$!
vx_cleanups+=("kill $game 2>/dev/null")
check "the installed game shows its menu" vx_wait_screen menu.png 60
game_ended() {
  local tries
  for ((tries = 0; tries < 600; tries++)); do
    kill -0 "$game" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}
# Held until the game is gone: it reads the keyboard once a frame.
xdotool keydown Escape
check "Escape in the menu ends the game" game_ended
xdotool keyup Escape
kill "$game" 2>/dev/null
wait "$game"
check "its exit code is 0" [ $? -eq 0 ]

# --- A second installation elsewhere, into a folder chosen with "...", fails
#     in the registry step after all its files; its uninstaller then removes
#     those files and leaves the first installation's keys.
second_unix="$WINEPREFIX/drive_c/vx-second"
rm -rf "$second_unix"
mkdir "$second_unix"
vx_cleanups+=("rm -rf '$second_unix'")
start_installer
browse_drive_c_folder vx-second
press_ok
check "a second installation: \"$text\"" [ "$text" = "Error: Installation terminated" ]
check "the second installation wrote every file" installed_as_archived "$second_unix"
expected_log 'C:\vx-second' failed >expected-failed.log
check "its log names the folder chosen, and stops at the key that already existed" \
  same_bytes expected-failed.log "$second_unix/install.log"
check "the first installation's registry values stay" registered_for "$folder"
uninstall "$second_unix"
check "the second folder's uninstaller exits with 1" [ $? -eq 1 ]
check "the second folder's uninstaller removed its files" \
  [ "$(cd "$second_unix" && find . -mindepth 1)" = ./Uninstall.exe ]
check "the first installation's keys survive it" registered_for "$folder"

# --- Uninstalling from the folder.
uninstall "$scratch/Velnorix Games"
check "the uninstaller exits with 1" [ $? -eq 1 ]
# Like Windows, Wine cannot delete the running uninstaller's own file.
left=$(cd "$scratch/Velnorix Games" && find . -mindepth 1 | sort | tr '\n' ' ')
check "only the uninstaller itself is left (left: $left)" [ "$left" = "./Uninstall.exe " ]
check "the three keys are gone" registry_absent
uninstall "$scratch/Velnorix Games"
check "a second run finds no log and exits with 0" [ $? -eq 0 ]

# --- An archive naming a file "C:vx-escape.txt" (a file of drive C's current
#     folder, wherever the installation goes) installs nothing.
mkdir bad-archive
printf 'C:vx-escape.txt\0\2\0\0\0hiEND_OF_DATA_FILE\0' >bad-archive/data.1
cp ship/install.exe bad-archive/
rm -f "$WINEPREFIX/drive_c/vx-escape.txt"
start_installer bad-archive
type_folder "$(win_path "$scratch/Escape")"
press_ok
check "a drive-relative name: \"$text\"" [ "$text" = "Error: Installation terminated" ]
check "nothing is written on drive C:" [ ! -e "$WINEPREFIX/drive_c/vx-escape.txt" ]
check "nothing is written in the folder" [ -z "$(ls -A "$scratch/Escape")" ]

# --- A log naming a folder, a file and a key outside the installation is
#     refused there.
mkdir -p Outside Forged
echo keep >Outside/victim.txt
echo keep >Forged/inside.txt
cp "$VX_WIN32_BUILD/Uninstall.exe" Forged/
ln -s ../Outside Forged/link
printf '%s\0' inside.txt CREATED_DIRECTORY "$(win_path "$scratch/Outside")" victim.txt \
  CREATED_DIRECTORY "$(win_path "$scratch/Forged")\\..\\Outside" victim.txt \
  CREATED_DIRECTORY "$(win_path "$scratch/Forged")\\link" victim.txt \
  CREATED_REG_KEYS HKEY_CURRENT_USER 'Software\Velnorix Other' INSTALLATION_COMPLETE \
  >Forged/install.log
wine reg add 'HKCU\Software\Velnorix Other' /v Kept /d yes /f >/dev/null
uninstall "$scratch/Forged"
check "the forged log is used: exit code 1" [ $? -eq 1 ]
check "a file logged in the folder is deleted" [ ! -e Forged/inside.txt ]
check "a file in a folder outside is kept" [ -e Outside/victim.txt ]
check "a key that no installation makes is kept" \
  [ "$(reg_value 'HKCU\Software\Velnorix Other' Kept)" = yes ]

registry_clear
wine reg delete 'HKCU\Software\Velnorix Other' /f >/dev/null 2>&1
vx_done
