#!/usr/bin/env bash
# The headless race of the command line, with no display and no sound device: its results table and
# state hash, the same race again from the replay it recorded, and its exit statuses.
# Usage: simulate.sh <asphaltia binary> <data folder>
set -euo pipefail
binary=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; exit 1; }
run() { env -u DISPLAY -u SDL_AUDIODRIVER "$binary" --data "$data" --user "$work/user" "$@"; }

run --simulate world0.dat --cars 3 --difficulty hard --seed 11 --record "$work/race.replay" >"$work/raced.txt" ||
    fail "the race did not run"
[ "$(head -n 1 "$work/raced.txt")" = "Place         Car       Total     Best lap" ] || fail "no column heads: $(cat "$work/raced.txt")"
[ "$(grep -c '^[1-3]\. Computer [1-3] ' "$work/raced.txt")" -eq 3 ] || fail "not three computer cars placed"
tail -n 1 "$work/raced.txt" | grep -qE '^State hash: [0-9a-f]{16}$' || fail "the last line is no state hash"

run --simulate world0.dat --replay "$work/race.replay" >"$work/played.txt" || fail "the replay did not play"
cmp -s "$work/raced.txt" "$work/played.txt" || fail "the replay ended otherwise: $(diff "$work/raced.txt" "$work/played.txt")"

# Bad arguments: 2 with the usage; refused files: 1 with why.
expect() {
    local status=0 want=$1 message=$2
    shift 2
    run "$@" >"$work/out.txt" 2>&1 || status=$?
    [ "$status" = "$want" ] || fail "$* ended with $status, not $want"
    grep -qF -- "$message" "$work/out.txt" || fail "$* did not say: $message ($(cat "$work/out.txt"))"
}
expect 2 "--cars wants 1 to 8" --simulate world0.dat --cars 9
expect 2 "--difficulty wants easy, normal or hard" --simulate world0.dat --difficulty insane
expect 2 "--seed wants a whole number" --simulate world0.dat --seed -4
expect 2 "a world file of dat" --simulate ../dat/world0.dat
expect 2 "unknown option '--simulated'" --simulated world0.dat
expect 1 "there is no track dat\\none.dat" --simulate none.dat
printf 'ASPHALTIA REPLAY\nversion=0\n' >"$work/old.replay"
expect 1 "recorded by another version of the game" --simulate world0.dat --replay "$work/old.replay"
head -c 120 "$work/race.replay" >"$work/cut.replay"
expect 1 "is refused" --simulate world0.dat --replay "$work/cut.replay"
expect 1 "is of world0.dat, not frost.dat" --simulate frost.dat --replay "$work/race.replay"
echo "raced headless, replayed to the same end, and refused what it must"
