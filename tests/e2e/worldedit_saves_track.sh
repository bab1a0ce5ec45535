#!/usr/bin/env bash
# Starts the world editor in a copy of the data folder on the shipped track, named on its command
# line, answers its console through a pipe, presses the save key in its window, closes it, and
# checks that the saved track holds every key of the original with the same value.
# Usage: worldedit_saves_track.sh <asphaltia_worldedit binary> <data folder>
set -euo pipefail
binary=$(realpath "$1") data=$2 title="Asphaltia - World Editor" work=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; exec 3>&- 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/lib.sh"
# The track is saved over, so dat/ must be a copy.
link_data_folder "$data" "$work/data" dat
original="$work/original.dat" && cp "$data/dat/world0.dat" "$original"

mkfifo "$work/console"
log="$work/console.out"
cd "$work/data"
SDL_VIDEODRIVER=x11 "$binary" dat/world0.dat <"$work/console" >"$log" 2>&1 & pid=$!
exec 3>"$work/console"
window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1) || fail "no window titled '$title' appeared"
wait_for_line "Loading done."
grep -q "Enter World File Path" "$log" && fail "the editor asked for the track it was given"
printf 'y\ndat\\world0.dat\n' >&3
xdotool key --window "$window" s 2>/dev/null
wait_for_line "Saving done."
close_and_expect_success "$pid" editor
pid=

saved="$work/data/dat/world0.dat"
cmp -s "$original" "$saved" && fail "the track file was not written again"
# Each key as "[section] key=value", names without regard to case and blanks, numbers to nine
# digits; the first of each counts.
keys() {
    awk '/^[ \t]*\[/ { s = tolower($0); gsub(/[][ \t\r]/, "", s); next }
        /^[ \t]*;/ || !/=/ || s == "" { next }
        { k = tolower(substr($0, 1, index($0, "=") - 1)); gsub(/[ \t]/, "", k)
          v = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t\r]+$/, "", v)
          if (v ~ /^[-+]?[0-9.]+([eE][-+]?[0-9]+)?$/) v = sprintf("%.9g", v)
          if (!((s, k) in seen)) { seen[s, k]; print "[" s "] " k "=" v } }' "$1" | LC_ALL=C sort
}
changed=$(LC_ALL=C comm -23 <(keys "$original") <(keys "$saved"))
[ -z "$changed" ] || fail "the saved track lost or changed these keys: $changed"
echo "the editor saved the track unchanged ($(keys "$original" | wc -l) keys)"
