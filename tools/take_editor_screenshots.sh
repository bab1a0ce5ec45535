#!/usr/bin/env bash
# Drives the world editor under a virtual X server as a track builder would and stores what its
# window shows as PNG in docs/: a new track made from the console with its road laid and built, then
# the shipped circuit with an object picked up, the grid, the help and the racing line. Needs a built editor
# (tools/take_screenshots.sh). Usage: take_editor_screenshots.sh [FOLDER], by default docs.
set -euo pipefail
shots=$(realpath -m "${1:-$(dirname "$0")/../docs}")
cd "$(dirname "$0")/.."
repo=$(pwd)
mkdir -p "$shots"
if [ -z "${DISPLAY:-}" ]; then
    exec tools/with_xvfb.sh "$0" "$@"
fi

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; exec 3>&- 2>/dev/null; rm -rf "$work"' EXIT
. tests/e2e/lib.sh
link_data_folder data "$work/data" dat
mkfifo "$work/console"

# Starts the editor on the answers given, waits for its window and for the world to load. What it
# writes (a new track's pictures) goes to a user folder of its own, never through the links.
start() {
    (cd "$work/data" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        "$repo/build/worldedit/asphaltia_worldedit" --user "$work/user" <"$work/console" >"$work/console.out" 2>&1) &
    pid=$!
    exec 3>"$work/console"
    printf "$1" >&3
    timeout 30 xdotool search --sync --onlyvisible --name "World Editor" >/dev/null
    timeout 30 bash -c "until grep -q 'Loading done.' '$work/console.out'; do sleep 0.1; done"
    xdotool mousemove 640 360
}
shot() {
    sleep 0.7
    # The window itself, cut from the screen: without a window manager it sits at the top left.
    import -window root -crop 1280x720+0+0 +repage "$shots/editor_$1.png"
}
stop() {
    kill -TERM "$pid"
    printf 'n\n' >&3
    wait "$pid" || true
    exec 3>&-
}

# A new track of 4 x 3 tiles on grass: the empty field with the road tool, a road through seven
# points, what the game still lacks when the unbuilt track is offered for its list, and the track
# built from the road.
start 'dat\\my_track.dat\ny\n4\n3\n\n'
shot new_track
for p in "640 150" "900 170" "950 470" "760 570" "540 460" "360 560" "320 240"; do
    xdotool mousemove $p key p
done
xdotool mousemove 700 360
shot road
printf 'y\n\ny\n' >&3
xdotool key s
timeout 30 bash -c "until grep -q 'cannot race the track yet' '$work/console.out'; do sleep 0.1; done"
shot road_checks
xdotool key b
timeout 60 bash -c "until grep -q 'Built the track' '$work/console.out'; do sleep 0.1; done"
shot road_built
stop

start 'dat\\world0.dat\n'
xdotool keydown ctrl click 5 click 5 keyup ctrl
xdotool mousemove 1090 240 click 1 mousemove 1060 280
xdotool keydown shift click 4 keyup shift
xdotool key g
xdotool mousemove 1040 300
shot picked_up_on_grid
xdotool key F1
shot help
# The whole circuit with its checkpoints in order and its numbered start positions.
xdotool key F1 key g click 1 keydown ctrl click 5 click 5 keyup ctrl
xdotool mousemove 900 500 mousedown 2 mousemove 750 400 mousemove 620 250 mouseup 2
shot circuit
stop

# The racing line at the start: its third point dragged aside, a point added under the pointer.
start 'dat\\world0.dat\n'
xdotool keydown ctrl click 5 click 5 keyup ctrl
xdotool mousemove 640 600 mousedown 2 mousemove 640 300 mousemove 640 100 mouseup 2
xdotool key l
xdotool mousemove 604 363 mousedown 1 mousemove 630 363 mousemove 664 370 mouseup 1
xdotool mousemove 575 262 key p
xdotool mousemove 900 420
shot racing_line
stop
ls "$shots"/editor_*.png
