#!/usr/bin/env bash
# Starts the game in a copy of its working directory, waits for its window, asks it to close
# (SIGTERM becomes a quit event in SDL) and checks that it shut down cleanly.
# Usage: game_starts_and_closes.sh <asphaltia binary> <data folder> <window title>
set -euo pipefail
binary=$1
data=$2
title=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The log file is written into the working directory; keep it out of the repository's data.
for entry in "$data"/*; do
    ln -s "$(realpath "$entry")" "$work/$(basename "$entry")"
done
rm -f "$work/logfile.txt" "$work/config.ini"
[ -f "$data/config.ini" ] && cp "$data/config.ini" "$work/config.ini"

cd "$work"
# SDL would otherwise fall back to a text-mode driver when X refuses a connection.
export SDL_VIDEODRIVER=x11
# A busy virtual X server now and then refuses a new connection for a moment; the game then
# stops at once with its FATAL line, and one more start tells the real answer.
for attempt in 1 2 3; do
    "$binary" &
    pid=$!
    if timeout 30 xdotool search --sync --onlyvisible --name "$title" >/dev/null 2>&1; then
        break
    fi
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ "$attempt" -eq 3 ] || ! grep -q "Unable to initialize SDL" logfile.txt 2>/dev/null; then
        echo "no window titled '$title' appeared"
        cat logfile.txt 2>/dev/null || true
        exit 1
    fi
done

kill -TERM "$pid"
status=0
timeout 30 tail --pid="$pid" -f /dev/null || { echo "the game did not end after being asked to close"; kill -9 "$pid"; exit 1; }
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "the game ended with status $status"
    cat logfile.txt 2>/dev/null || true
    exit 1
fi
for line in "STATUS in class CGameBase: Initializing SDL..." "Game running." "Game closed."; do
    if ! grep -qF "$line" logfile.txt; then
        echo "missing log line: $line"
        cat logfile.txt
        exit 1
    fi
done
echo "window opened and closed cleanly"
