#!/usr/bin/env bash
# Plays the game through its menus as a user would, started with tools/run_game.sh: Options, a
# window size (applied at once) and the sound, back; Race, 1 Player, Select, Race!, drive a while, pause, quit the
# race from the pause menu, and close the window from the main menu. The repository is left as it
# was while the changes land in the player's own folders. (Rebinding keys is the app test's.)
# Usage: race_from_menus.sh <asphaltia binary> <repository>
set -euo pipefail
binary=$(realpath "$1") repository=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/lib.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME
log="$HOME/.local/share/asphaltia/logfile.txt" settings="$HOME/.config/asphaltia/config.ini"
before=$(git -C "$repository" status --porcelain --ignored)
start_game env ASPHALTIA_GAME="$binary" "$repository/tools/run_game.sh"

# mnu\main.ini: "Options" at (290, 454) 220 x 40. mnu\options.ini: 520 x 470 panel at (140, 65);
# "1024 x 768" at (30, 192) 200 x 46. The window takes the new size at once, and the menus stay
# centred in it: from here on every point lies (112, 84) further.
click 400 474
wait_for_line "State: options."
click 270 280
wait_for_line "Window resized to 1024x768."
# "Sound" at (266, 278) 224 x 46, "Back" at (150, 400) 220 x 50.
click 618 450
click 502 572
wait_for_line "State: main menu."

# mnu\main.ini: 800 x 600 panel, "Race" at (290, 278) 220 x 40.
click 512 382
wait_for_line "State: players."
# mnu\players.ini: 400 x 560 panel at (200, 20), "1 Player" at (80, 84) 240 x 52.
click 512 214
wait_for_line "State: cars."
# mnu\cars.ini: 580 x 480 panel at (110, 60), "Select" at (320, 400) 230 x 52.
click 657 570
wait_for_line "State: tracks."
# mnu\tracks.ini: 580 x 480 panel at (110, 60), "Race!" at (320, 410) 230 x 52.
click 657 580
wait_for_line "State: race."

# The countdown takes four seconds; Escape only pauses a running race.
xdotool sleep 5 keydown Up sleep 2 keyup Up key Escape sleep 0.5
# mnu\pause.ini: 640 x 470 panel at (192, 149) of the 1024 x 768 window, "Quit race" at (328, 404) 236 x 46.
click 638 571
wait_for_line "Race left."
sed -n '/Race left\./,$p' "$log" | grep -qF "State: main menu." || fail "the game did not return to the main menu after the race"
ls "$HOME/.local/share/asphaltia/replays/"*.replay >/dev/null || fail "the race left was not kept in the replays"

close_and_expect_success "$pid" game
# The first lines show the logger switched to its file before the engine started.
head -n 3 "$log" | grep -qF "STATUS in class CGameBase: Initializing SDL..." || fail "the log does not start as expected"
grep -qF "Game closed." "$log" || fail "the game did not close cleanly"
[ "$(git -C "$repository" status --porcelain --ignored)" = "$before" ] || fail "the repository changed"
[ "$(tr -d '\r' <"$settings" | grep -cx -e width=1024 -e sound=0)" -eq 2 ] ||
    fail "the options did not reach $settings"
echo "played a race from the menus and closed cleanly"
