#!/usr/bin/env bash
# The dialog installer's menu entry, driven as a user would under Xvfb
# (xdotool types the folder and presses OK, then OK in the message box), in
# a scratch home folder:
#
#   tests/package/installer_menu_test.sh [BUILD]    (default build-package)
#
# A successful installation adds velnorix-installed-N.desktop to
# ~/.local/share/applications (an entry already there keeps its name and
# contents: the new one takes the next number), naming the installed game,
# its folder and its icon; a second installation, which fails in the
# registry step, adds none and leaves the first one's alone, and its
# uninstaller removes none; the first installation's uninstaller removes
# its entry and icon, and nothing else.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
build=$(readlink -f "${1:-$(dirname "$0")/../../build-package}")
ship=$build/ship
[ -x "$ship/velnorix-install" ] && [ -f "$ship/data.1" ] || { echo "no $ship: build first" >&2; exit 2; }

start_work
export HOME=$work/home
unset XDG_DATA_HOME VELNORIX_REGISTRY
mkdir -p "$HOME" "$work/games"
apps=$HOME/.local/share/applications
start_xvfb 1024x768x24 || exit 1

# Waits up to $2 seconds for a visible window titled $1 other than $3.
wait_window() {
  local end=$((SECONDS + $2)) id
  while [ $SECONDS -lt $end ]; do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      [ "$id" != "${3:-}" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

# The dialog: the folder typed into the edit box (dialog units (17, 30), in
# pixels (26, 49) and 194 x 21), OK pressed (51, 101 and 75 x 23), then OK
# in the message box; waits for the installer to end. A dialog that is shown
# but not yet taking input loses the typed folder (the installer then makes
# no folder at all): the installation is run again, three times at most.
install_with_dialog() {
  local attempt
  for attempt in 1 2 3; do
    install_once "$1" && [ -d "$1" ] && return 0
    [ -d "$1" ] && return 1
    echo "(the typed folder did not reach the dialog: again)"
  done
  return 1
}
install_once() {
  (cd "$ship" && exec ./velnorix-install) > installer.log 2>&1 &
  local pid=$! dialog box
  # An attempt that goes wrong ends its installer, so the next one meets a
  # dialog of its own.
  give_up() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; return 1; }
  dialog=$(wait_window "Install Velnorix For Win32" 60) || { give_up; return 1; }
  xdotool mousemove --window "$dialog" 80 59 click 1
  xdotool type --delay 5 "$1"
  xdotool mousemove --window "$dialog" 88 112 click 1
  box=$(wait_window "Install Velnorix For Win32" 60 "$dialog") || { give_up; return 1; }
  xdotool windowfocus --sync "$box" key Return
  local end=$((SECONDS + 30))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -ge $end ] && { give_up; return 1; }
    sleep 0.1
  done
  wait "$pid"
}

entries() { ls "$apps" 2>/dev/null | grep '^velnorix-installed-' | tr '\n' ' '; }

# An entry of another program's making under the first name.
mkdir -p "$apps"
printf '[Desktop Entry]\nType=Application\nName=Placeholder\nExec=true\n' > "$apps/velnorix-installed-1.desktop"
cp "$apps/velnorix-installed-1.desktop" placeholder.desktop

one=$work/games/one
check "the first installation runs" install_with_dialog "$one"
check "it installed the game" test -x "$one/velnorix" -a -f "$one/install.log"
entry=$apps/velnorix-installed-2.desktop
check "its menu entry takes the next free name (entries: $(entries))" test -f "$entry"
check "the entry already there is untouched" cmp -s placeholder.desktop "$apps/velnorix-installed-1.desktop"
check "the entry starts the installed game in its folder" \
  grep -qxF "Exec=\"$one/velnorix\"" "$entry"
check "  with that folder as its working directory" grep -qxF "Path=$one" "$entry"
icon=$(sed -n 's/^Icon=//p' "$entry")
check "its icon is a 64-pixel PNG ($icon)" \
  bash -c "[ -f '$icon' ] && identify -format '%m %wx%h' '$icon' | grep -qx 'PNG 64x64'"
check "the installation's registry key records the entry" \
  grep -qF "$entry" "$HOME/.local/share/velnorix/registry/keys.reg"
cp "$entry" first.desktop

two=$work/games/two
install_with_dialog "$two"
check "the second installation stopped in the registry step" \
  bash -c "grep -qa CREATED_REG_KEYS '$two/install.log' && ! grep -qa INSTALLATION_COMPLETE '$two/install.log'"
check "a second installation (refused in the registry step) adds no entry ($(entries))" \
  test "$(entries)" = "velnorix-installed-1.desktop velnorix-installed-2.desktop "
check "  and leaves the first one's alone" cmp -s first.desktop "$entry"
(cd "$two" && ./Uninstall.exe)
check "the second folder's uninstaller leaves the first one's entry" cmp -s first.desktop "$entry"

(cd "$one" && ./Uninstall.exe)
check "the first installation's uninstaller removes its entry" test ! -e "$entry"
check "  and its icon" test ! -e "$icon"
check "  and nothing else ($(entries))" \
  bash -c "[ '$(entries)' = 'velnorix-installed-1.desktop ' ] && cmp -s placeholder.desktop '$apps/velnorix-installed-1.desktop'"

finish
