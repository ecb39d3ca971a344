#!/bin/sh
# velnorix: starts the installed game in the player's own folder.
#
# The game reads everything from the Data folder of its working directory and
# writes its hall of fame (Data/hiscore.dat) and screenshots (Screen001.raw)
# there. This makes $XDG_DATA_HOME/velnorix (~/.local/share/velnorix by
# default) that folder, one per user:
#
#   Data/<file>       a link to each file of the packaged Data folder, made
#                     again at every start (a new packaged file gets its link,
#                     the link of a file no longer packaged goes);
#   Data/hiscore.dat  the player's own hall of fame: a copy of the packaged
#                     one at the first start, never replaced afterwards;
#   any other plain file in Data (a level, picture or module of the player's
#                     own) is left alone and replaces the packaged one.
#
# The registry folder there (registry/, the dialog installer's records) is
# not touched. Arguments are passed to the game.
set -eu

here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
game=$prefix/lib/velnorix/velnorix
shipped=$prefix/share/velnorix/Data

fail() {
  echo "velnorix: $*" >&2
  exit 1
}

[ -x "$game" ] || fail "the game is missing ($game)"
[ -d "$shipped" ] || fail "the game's Data folder is missing ($shipped)"

case ${XDG_DATA_HOME:-} in
  /*) base=$XDG_DATA_HOME ;;
  *) [ -n "${HOME:-}" ] || fail "HOME is not set"; base=$HOME/.local/share ;;
esac
folder=$base/velnorix
mkdir -p "$folder/Data" || fail "cannot create $folder/Data"
[ -d "$folder/Data" ] && [ ! -L "$folder/Data" ] || fail "$folder/Data is not a folder"
cd "$folder"

for file in "$shipped"/*; do
  [ -f "$file" ] || continue
  name=${file##*/}
  [ "$name" = hiscore.dat ] && continue
  entry=Data/$name
  if [ -L "$entry" ]; then
    [ "$(readlink "$entry")" = "$file" ] && continue
    rm -f "$entry"
  elif [ -e "$entry" ]; then
    continue
  fi
  ln -s "$file" "$entry"
done

# Links into the packaged folder whose file is gone (an upgrade dropped it).
for entry in Data/* Data/.[!.]*; do
  [ -L "$entry" ] && [ ! -e "$entry" ] || continue
  case $(readlink "$entry") in
    "$shipped"/*) rm -f "$entry" ;;
  esac
done

# The hall of fame: copied once, through a new name, so that a start cut
# short never leaves half a file where the game looks.
if [ ! -e Data/hiscore.dat ] && [ ! -L Data/hiscore.dat ]; then
  cp "$shipped/hiscore.dat" Data/.hiscore.dat.new
  chmod 644 Data/.hiscore.dat.new
  mv -f Data/.hiscore.dat.new Data/hiscore.dat
fi

exec "$game" "$@"
