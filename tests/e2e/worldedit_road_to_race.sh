#!/usr/bin/env bash
# A track built as a new builder would, from nothing to a race: the world editor makes a new track
# of 4 x 3 tiles, lays a road through seven points with the road tool, builds the track from it,
# saves it and adds it to the game's list with its name; the game then shows it in its track
# choice with its preview, after the shipped tracks, and races three computer cars on it to the end.
# Usage: worldedit_road_to_race.sh <asphaltia_worldedit binary> <asphaltia binary> <data folder>
set -euo pipefail
editor=$(realpath "$1") game=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; exec 3>&- 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/lib.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
user="$work/user"
mkfifo "$work/console"
log="$work/console.out"
cd "$work"

"$editor" --data "$data" --user "$user" <"$work/console" >"$log" 2>&1 & pid=$!
exec 3>"$work/console"
# A new track: 4 x 3 tiles, the first surroundings on offer (Enter).
printf 'dat\\my_track.dat\ny\n4\n3\n\n' >&3
window=$(timeout 30 xdotool search --sync --onlyvisible --name "World Editor" | head -n 1) || fail "no editor window"
wait_for_line "Loading done."
# The field fills the window at zoom 0.2 from (235, 57); the road tool is on from the start.
for p in "640 150" "900 170" "950 470" "760 570" "540 460" "360 560" "320 240"; do
    xdotool mousemove --window "$window" $p key --window "$window" p 2>/dev/null
done
xdotool key --window "$window" b 2>/dev/null
wait_for_line "Built the track: 12 tiles, "
# Save: yes, the file it was made as (Enter), add it to the list: yes, its name.
printf 'y\n\ny\nMy First Track\n' >&3
xdotool key --window "$window" s 2>/dev/null
wait_for_line "Listed \"My First Track\" in the game's tracks"
close_and_expect_success "$pid" editor
pid=
grep -qx 'track0=my_track.dat|My First Track|gfx\\tracks\\my_track.png' <(tr -d '\r' <"$user/dat/tracks.dat") ||
    fail "the user's track list does not hold the track: $(cat "$user/dat/tracks.dat")"

# The game's track choice: the last track, one step back from the first, is the new one.
log="$user/logfile.txt"
start_game "$game" --data "$data" --user "$user"
# mnu\main.ini: "Race" at (290, 278) 220 x 40; mnu\players.ini: 400 x 560 panel at (200, 20),
# "1 Player" at (80, 84) 240 x 52; mnu\cars.ini: 580 x 480 panel at (110, 60), "Select" at
# (320, 400) 230 x 52; mnu\tracks.ini: "<" at (16, 150) 48 x 64 of the same panel.
click 400 298
wait_for_line "State: players."
click 400 130
wait_for_line "State: cars."
click 545 486
wait_for_line "State: tracks."
click 150 242
wait_for_line "gfx\\tracks\\my_track.png loaded"
close_and_expect_success "$pid" game
pid=

raced="$work/raced.txt"
env -u DISPLAY -u SDL_AUDIODRIVER "$game" --data "$data" --user "$user" --simulate my_track.dat --cars 3 >"$raced" ||
    fail "the race on the new track did not run: $(cat "$raced")"
[ "$(grep -c '^[1-3]\. Computer [1-3] ' "$raced")" -eq 3 ] || fail "not three computer cars placed: $(cat "$raced")"
grep -qi 'retired\|did not finish' "$raced" && fail "a car did not finish: $(cat "$raced")"
cat "$raced"
echo "built a track with the road tool, listed it with its preview and raced three computer cars on it"
