#!/usr/bin/env bash
# The Debian package as a player meets it, on this machine (as root, or
# through sudo):
#
#   tests/package/package_test.sh [PACKAGE.deb]   (default build-package/velnorix_*.deb)
#
# apt-get installs the package; two players, each with a scratch home
# folder, start the game under Xvfb through the Exec line of its desktop
# entry. The first sees the intro and the menu (the packaged screenshot of
# the bench's menu frame, pixel for pixel), quits, plays a game with the
# keyboard (xdotool) to a hall-of-fame entry, and finds it in
# ~/.local/share/velnorix/Data/hiscore.dat; the second player's hall of fame
# stays the shipped one, and a level of their own stays in place of the
# packaged one. Then apt-get remove --purge, and no file of the package may be
# left on the system; the players' folders stay. Every wait is on a
# condition, with a bound.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/../.."
deb=${1:-$(ls build-package/velnorix_*.deb 2>/dev/null | head -n 1)}
[ -n "$deb" ] && [ -f "$deb" ] || { echo "no package: run ./build-package.sh first" >&2; exit 2; }
deb=$(readlink -f "$deb")

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"; }

start_work

# Both pictures as 5-6-5 pixels: the game's 16-bit pixels widened by the X
# server and by the bench round to the same levels.
to565() { convert "$1" -alpha off -channel RB -posterize 32 -channel G -posterize 64 +channel -depth 8 "$2"; }

grab() { import -window root "$1" 2>/dev/null; }

# Waits up to $2 seconds for the X screen to show the picture $1.
wait_screen() {
  local want=$1 end=$((SECONDS + $2)) differing=
  while :; do
    if grab screen-x.png && to565 screen-x.png screen.png; then
      differing=$(compare -metric AE "$want" screen.png null: 2>&1)
      [ "$differing" = 0 ] && return 0
    fi
    if [ $SECONDS -ge $end ]; then
      echo "  the screen differs from $want in ${differing:-all} pixels"
      cp screen-x.png "$OLDPWD/package-test-last-screen.png" 2>/dev/null
      return 1
    fi
    sleep 0.2
  done
}

# Waits up to $1 seconds for the screen to stay the same for a second and a
# half (three grabs in a row).
wait_still() {
  local end=$((SECONDS + $1)) same=0
  grab still-a.png || return 1
  while [ $SECONDS -lt $end ]; do
    sleep 0.5
    grab still-b.png || continue
    if [ "$(compare -metric AE still-a.png still-b.png null: 2>&1)" = 0 ]; then
      same=$((same + 1))
      [ $same -ge 3 ] && return 0
    else
      same=0
      mv still-b.png still-a.png
    fi
  done
  return 1
}

# Waits up to $2 seconds for the game started as $game to end.
wait_exit() {
  local end=$((SECONDS + $1))
  while kill -0 "$game" 2>/dev/null; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
  wait "$game"
  game_status=$?
  return 0
}

# Starts the game for the player whose home folder is $1, as the desktop
# does: the Exec line of the desktop entry, its field codes left out.
start_game() {
  local exec_line
  exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/velnorix.desktop | head -n 1)
  exec_line=${exec_line//%[fFuUdDnNickvm]/}
  env -i HOME="$1" PATH=/usr/local/bin:/usr/bin:/bin:/usr/games DISPLAY="$DISPLAY" \
    sh -c "exec $exec_line" > "$work/game.log" 2>&1 &
  game=$!
  cleanups+=("kill $game 2>/dev/null")
}

# Escape in the menu: the game ends, with status 0.
quit_from_menu() {
  game_status=
  xdotool keydown Escape
  wait_exit 30
  xdotool keyup Escape
  [ "$game_status" = 0 ]
}

# --- install -----------------------------------------------------------------
started=$SECONDS
apt_get install "$deb" > install.log 2>&1
installed() { dpkg-query -W -f='${Status}' velnorix 2>/dev/null | grep -q "install ok installed"; }
check "apt-get installs the package" installed
if [ $failed -ne 0 ]; then tail -n 20 install.log; exit 1; fi
cleanups+=("dpkg-query -W velnorix >/dev/null 2>&1 && apt_get remove --purge velnorix >/dev/null 2>&1")
dpkg -L velnorix | sort > package-files.txt
shipped=/usr/share/velnorix/Data
check "the command velnorix is on a player's PATH" env PATH=/usr/local/bin:/usr/bin:/bin:/usr/games sh -c 'test "$(command -v velnorix)" = /usr/games/velnorix'
check "the menu entry names its icon, which the theme has in 16 to 256 px" \
  bash -c 'grep -qx "Icon=velnorix" /usr/share/applications/velnorix.desktop &&
           for s in 16 24 32 48 64 128 256; do
             identify -format "%wx%h" /usr/share/icons/hicolor/${s}x$s/apps/velnorix.png | grep -qx ${s}x$s || exit 1
           done'

# --- an X screen -----------------------------------------------------------------
start_xvfb 800x600x24 || exit 1

to565 /usr/share/velnorix/screenshots/menu.png menu.png

# --- the first player: the menu, then a game to the hall of fame ----------------
home1=$work/home-one
mkdir -p "$home1"
mine=$home1/.local/share/velnorix
start_game "$home1"
check "the menu is the bench's menu frame" wait_screen menu.png 60
check "the player's Data folder links the packaged files" \
  test "$(readlink "$mine/Data/Lvl0001.ldf")" = "$shipped/Lvl0001.ldf"
check "Escape in the menu ends the game with status 0" quit_from_menu
check "the player's hall of fame is a file of their own, the shipped table" \
  bash -c "[ -f '$mine/Data/hiscore.dat' ] && [ ! -L '$mine/Data/hiscore.dat' ] && cmp -s '$mine/Data/hiscore.dat' '$shipped/hiscore.dat'"

# Any final score qualifies for a cleared table (the shipped one asks for
# 5000 points, which a game played blind does not reliably reach).
head -c 280 /dev/zero > "$mine/Data/hiscore.dat"
cp "$mine/Data/hiscore.dat" cleared.dat
start_game "$home1"
check "the second start shows the menu again" wait_screen menu.png 60
# Return starts a game; Right held sends the ship to the wall, so the balls
# are soon lost. At game over the name entry takes Return (still down) as a
# first letter, Right turns the wheel onto "end" while Return is down, which
# finishes the name; the screen then stands still until Return is let go.
xdotool keydown Return keydown Right
entered=1
deadline=$((SECONDS + 240))
while [ $SECONDS -lt $deadline ]; do
  wait_still 60 || continue
  xdotool keyup Return
  end=$((SECONDS + 5))
  while [ $SECONDS -lt $end ] && cmp -s cleared.dat "$mine/Data/hiscore.dat"; do sleep 0.2; done
  cmp -s cleared.dat "$mine/Data/hiscore.dat" || { entered=0; break; }
  xdotool keydown Return
done
xdotool keyup Return keyup Right
check "a game over writes a hall-of-fame entry" test $entered = 0
check "the entry is in the player's own Data folder, with a name and level 1" \
  bash -c "od -An -tu1 -j20 -N8 '$mine/Data/hiscore.dat' | awk '{ exit !(\$1 != 0 && \$8 == 49) }'"
check "no packaged file was changed by playing (dpkg --verify)" test -z "$(dpkg --verify velnorix 2>&1)"
check "the menu is back after the name entry" wait_screen menu.png 60
check "Escape ends the game" quit_from_menu
cp "$mine/Data/hiscore.dat" entry.dat

# --- the second player: a hall of fame of their own, and a level of their own ---
home2=$work/home-two
mkdir -p "$home2/.local/share/velnorix/Data"
theirs=$home2/.local/share/velnorix
cp "$shipped/Lvl0002.ldf" "$theirs/Data/Lvl0001.ldf"
ln -s "$shipped/Lvl0009.ldf" "$theirs/Data/Lvl0009.ldf"  # a file an older package had
start_game "$home2"
check "the second player sees the menu" wait_screen menu.png 60
check "Escape ends the game" quit_from_menu
check "the second player's hall of fame is the shipped one" cmp -s "$theirs/Data/hiscore.dat" "$shipped/hiscore.dat"
check "the first player's entry is still theirs" cmp -s entry.dat "$mine/Data/hiscore.dat"
check "the second player's own level stays in place of the packaged one" \
  bash -c "[ -f '$theirs/Data/Lvl0001.ldf' ] && [ ! -L '$theirs/Data/Lvl0001.ldf' ] && cmp -s '$theirs/Data/Lvl0001.ldf' '$shipped/Lvl0002.ldf'"
check "a link to a file no longer packaged is gone" test ! -L "$theirs/Data/Lvl0009.ldf"

# --- remove ----------------------------------------------------------------------
apt_get remove --purge velnorix > remove.log 2>&1
check "apt-get remove --purge removes the package" bash -c '! dpkg-query -W velnorix >/dev/null 2>&1'

left=()
while read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A folder the system or another package owns stays.
  [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  left+=("$path")
done < package-files.txt
check "no file of the package is left (${left[*]:-none})" test ${#left[@]} -eq 0
check "the players' folders stay" test -f "$mine/Data/hiscore.dat" -a -f "$theirs/Data/hiscore.dat"

echo "the job took $((SECONDS - started)) s"
finish
