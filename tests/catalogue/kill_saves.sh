#!/usr/bin/env bash
# Kills the editor's save and the options' write with SIGKILL at random moments, COUNT times each
# (5 by default), and checks that the file is always the old or the new one, byte for byte, and
# that the next save and write leave no temporary file of either behind.
# Usage: kill_saves.sh DRIVER DATA [COUNT]   (under a display, e.g. tools/with_xvfb.sh)
set -euo pipefail
driver=$(realpath "$1") data=$(realpath "$2") count=${3:-5}
work=$(mktemp -d /tmp/asphaltia_kills_XXXXXX)
trap 'rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
cp -al "$data" "$work/data" && cd "$work/data" && rm -f logfile.txt
cp --remove-destination "$data/config.ini" config.ini

# The two versions each loop writes in turn.
"$driver" save-loop 'dat\world0.dat' "$work/two.dat" 1 >/dev/null
"$driver" save-loop 'dat\world0.dat' "$work/three.dat" 2 >/dev/null
for n in 1 2; do cp config.ini "$work/$n.ini" && "$driver" options-loop "$work/$n.ini" $n; done

# Kills one loop at a random moment once it wrote its first version over the second; true if
# the file is whole: one of the two versions.
kill_one() {
    local file=$1 first=$2 second=$3 max_ms=$4
    shift 4
    cp "$second" "$file"
    "$@" >/dev/null & local pid=$! tries=0
    until cmp -s "$file" "$first" || [ $((tries++)) -ge 600 ]; do sleep 0.05; done
    sleep "$(awk -v r=$RANDOM -v m="$max_ms" 'BEGIN { printf "%.3f", r / 32768 * m / 1000 }')"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cmp -s "$file" "$first" || cmp -s "$file" "$second"
}

bad=0
for ((i = 0; i < count; i++)); do
    kill_one "$work/target.dat" "$work/two.dat" "$work/three.dat" 300 \
        "$driver" save-loop 'dat\world0.dat' "$work/target.dat" || { bad=$((bad + 1)); echo "world file broken by kill $i"; }
    kill_one "$work/settings.ini" "$work/1.ini" "$work/2.ini" 50 \
        "$driver" options-loop "$work/settings.ini" || { bad=$((bad + 1)); echo "settings broken by kill $i"; }
done
leftovers() { find "$work" -maxdepth 1 \( -name '.target.dat.tmp*' -o -name '.settings.ini.tmp*' \) | wc -l; }
left=$(leftovers)
"$driver" save-loop 'dat\world0.dat' "$work/target.dat" 1 >/dev/null
"$driver" options-loop "$work/settings.ini" 1
after=$(leftovers)
echo "$count kills of each: $bad files broken; $left temporary files left by kills, $after after the next save and write"
[ "$bad" = 0 ] && [ "$after" = 0 ]
