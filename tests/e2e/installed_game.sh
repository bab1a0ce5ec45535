#!/usr/bin/env bash
# Installs the build into a temporary prefix and plays the installed game as a player who just
# installed it: started from another folder, it finds its data, keeps its files in the player's
# folders, saves a screenshot on F12, and closes from its main menu with status 0.
# Usage: installed_game.sh <build folder>
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/lib.sh"
cmake --install "$1" --prefix "$work/prefix" >/dev/null
export HOME="$work/home" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
unset XDG_CONFIG_HOME XDG_DATA_HOME
log="$HOME/.local/share/asphaltia/logfile.txt"
mkdir "$work/elsewhere" && cd "$work/elsewhere"

for program in asphaltia asphaltia_worldedit; do
    "$work/prefix/bin/$program" --help | grep -q "^Usage: $program" || fail "$program --help shows no usage"
done
# A size for this start only: the window has it, the settings keep theirs.
start_game "$work/prefix/bin/asphaltia" --size 640x480
xdotool getwindowgeometry "$window" | grep -q "Geometry: 640x480" || fail "the window is not 640 x 480"
xdotool key --window "$window" F12
wait_for_line "Screenshot saved to $HOME/.local/share/asphaltia/screenshots/"
picture=$(ls "$HOME"/.local/share/asphaltia/screenshots/*.png)
[ "$(head -c 4 "$picture" | tail -c 3)" = PNG ] || fail "$picture is no PNG file"
close_and_expect_success "$pid" "installed game"
cmp -s "$HOME/.config/asphaltia/config.ini" "$work/prefix/share/asphaltia/config.ini" ||
    fail "the first start did not copy config.ini as it was shipped"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the game wrote into the folder it was started from"
echo "the installed game started from another folder, took a screenshot and closed cleanly"
