#!/usr/bin/env bash
# Plays the game through its menus as a user would: Race, 1 Player, Select, drive a while, pause,
# quit the race from the pause menu, and close the window from the main menu.
# Usage: race_from_menus.sh <asphaltia binary> <data folder> [screenshot file of the race]
set -euo pipefail
binary=$1
data=$2
screenshot=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/lib.sh"
link_data_folder "$data" "$work" config.ini
cd "$work"
export SDL_VIDEODRIVER=x11
export SDL_AUDIODRIVER=dummy

fail() {
    echo "$1"
    cat logfile.txt 2>/dev/null || true
    kill -9 "$pid" 2>/dev/null || true
    exit 1
}

# Waits up to 30 s for a line in the log.
wait_for_line() {
    for _ in $(seq 300); do
        grep -qF "$1" logfile.txt 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the log never showed: $1"
}

# Clicks at a point of the 800 x 600 window; each menu is centred in it.
click() {
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.2
    xdotool click 1
    sleep 0.3
}

for attempt in 1 2 3; do
    "$binary" &
    pid=$!
    if window=$(timeout 30 xdotool search --sync --onlyvisible --name Asphaltia 2>/dev/null | head -n 1); then
        break
    fi
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # A busy virtual X server now and then refuses a connection; only that earns another try.
    if [ "$attempt" -eq 3 ] || ! grep -q "Unable to initialize SDL" logfile.txt 2>/dev/null; then
        fail "no game window appeared"
    fi
done
xdotool windowfocus --sync "$window" 2>/dev/null || true

wait_for_line "State: main menu."
# mnu\main.ini: 800 x 600 panel, "Race" at (290, 300) 220 x 56.
click 400 328
wait_for_line "State: players."
# mnu\players.ini: 400 x 450 panel at (200, 75), "1 Player" at (80, 84) 240 x 52.
click 400 185
wait_for_line "State: cars."
# mnu\cars.ini: 580 x 480 panel at (110, 60), "Select" at (320, 400) 230 x 52.
click 545 486
wait_for_line "State: race."

# The countdown takes four seconds; Escape only pauses a running race.
sleep 5
xdotool keydown Up
sleep 2
if [ -n "$screenshot" ]; then
    import -window root "$screenshot"
fi
xdotool keyup Up
xdotool key Escape
sleep 0.5
# mnu\pause.ini: 420 x 450 panel at (190, 75), "Quit race" at (90, 366) 240 x 52.
click 400 467
wait_for_line "Race left."
if ! sed -n '/Race left\./,$p' logfile.txt | grep -qF "State: main menu."; then
    fail "the game did not return to the main menu after the race"
fi

close_and_expect_success "$pid" game
# The first lines show the logger switched to its file before the engine started.
head -n 3 logfile.txt | grep -qF "STATUS in class CGameBase: Initializing SDL..." || fail "the log does not start as expected"
grep -qF "Game closed." logfile.txt || fail "the game did not close cleanly"
echo "played a race from the menus and closed cleanly"
