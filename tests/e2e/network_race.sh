#!/usr/bin/env bash
# A network race end to end, on one machine: asphaltia-server with a computer car, and three games
# under the virtual X server that join it with --connect --autopilot. One game is killed (SIGKILL)
# mid-race; its car drives on by computer, the race ends, the two games left agree with the server
# on its final state hash and keep it as a replay that plays headless to the same end. The server
# ends cleanly on SIGTERM.
# Usage: network_race.sh <asphaltia binary> <asphaltia-server binary> <data folder>
set -euo pipefail
game=$(realpath "$1") server=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d)
pids=()
trap 'kill -9 "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "$1"
    for f in "$work"/*.log "$work"/*/logfile.txt; do echo "== $f" && tail -n 25 "$f"; done 2>/dev/null
    exit 1
}
# Waits up to $2 seconds (default 120: the programs share a busy machine) for a line in a file.
wait_for() {
    for _ in $(seq $((${3:-120} * 10))); do
        grep -qF "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "$1 never showed: $2"
}
port=$((31000 + $$ % 3000))
export SDL_AUDIODRIVER=dummy
cd "$data"
"$server" --user "$work/server" --port "$port" --laps 1 --computer-cars 1 --min-players 3 >"$work/server.log" 2>&1 &
server_pid=$!
pids+=("$server_pid")
wait_for "$work/server.log" "listening on port $port"
for name in Ana Ben Cat; do
    "$game" --user "$work/$name" --size 400x300 --windowed --connect "127.0.0.1:$port" --name "$name" --autopilot \
        >"$work/$name.log" 2>&1 &
    pids+=("$!")
done
wait_for "$work/server.log" "with 4 cars starts"
# Cat's game goes away without a word some seconds into the race.
wait_for "$work/Cat/logfile.txt" "State: race."
sleep 8
kill -9 "${pids[3]}"
wait_for "$work/server.log" "\"Cat\" left." 60
wait_for "$work/server.log" "is over; results:" 240
hash=$(grep -o 'State hash at the end: [0-9a-f]*' "$work/server.log" | tail -n 1 | awk '{print $NF}')
[ -n "$hash" ] || fail "the server logged no final state hash"
for name in Ana Ben; do
    wait_for "$work/$name/logfile.txt" "The network race is over" 60
    grep -qF "The network race is over; state hash $hash, as on the server." "$work/$name/logfile.txt" ||
        fail "$name's race did not end as the server's ($hash)"
    replay=$(ls "$work/$name/replays/"*.replay 2>/dev/null | head -n 1)
    [ -n "$replay" ] || fail "$name kept no replay of the race"
    env -u DISPLAY "$game" --user "$work/$name" --simulate world0.dat --replay "$replay" >"$work/$name.played" ||
        fail "$name's replay did not play"
    grep -qF "State hash: $hash" "$work/$name.played" || fail "$name's replay ended otherwise: $(tail -n 1 "$work/$name.played")"
done
kill -TERM "$server_pid"
timeout 5 tail --pid="$server_pid" -f /dev/null || fail "the server did not stop within seconds of SIGTERM"
wait "$server_pid" || fail "the server ended with a failure"
grep -qF "Server stopped after 1 race(s)." "$work/server.log" || fail "the server did not say it stopped"
echo "three games raced over the network, one killed mid-race; the rest agreed with the server"
