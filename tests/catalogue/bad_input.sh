#!/usr/bin/env bash
# The bad-input catalogue: each case copies data/, breaks one thing and runs the game (or the
# editor) through the catalogue driver to the race and out, under a hard time limit. A case passes
# when the program neither crashes nor hangs, ends with the table's status and, where the table
# names one, logs the expected line. The signal cases run the real programs.
# Usage: bad_input.sh DRIVER GAME EDITOR DATA [CASE-PATTERN]   (under a display: tools/with_xvfb.sh)
# The pattern (or ASPHALTIA_CATALOGUE) picks the table's cases by name; the signal cases always run.
set -uo pipefail
driver=$(realpath "$1") game=$(realpath "$2") editor=$(realpath "$3") data=$(realpath "$4")
only=${5:-${ASPHALTIA_CATALOGUE:-.}}
work=$(mktemp -d /tmp/asphaltia_catalogue_XXXXXX)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
results=$work/results

# Breakers, run inside the case's copy. The copy shares its files with data/ (hard links), so
# a file is only ever replaced, never changed in place.
own() { cp "$1" "$1.own" && mv -f "$1.own" "$1"; }
gone() { rm -rf "$@"; }
empty() { rm -rf "$1" && : >"$1"; }
garbage() { rm -rf "$1" && head -c 4096 /dev/urandom >"$1"; }
half() { head -c $(($(stat -c %s "$1") / 2)) "$1" >"$1.half" && mv -f "$1.half" "$1"; }
fifo() { rm -rf "$1" && mkfifo "$1"; }
folder() { rm -rf "$1" && mkdir "$1"; }
readonly_() { own "$1" && chmod 0444 "$1"; }
# Sets key=value in a section with the game's own INI writer.
set_key() { own "$1" && "$driver" set-key "$@"; }
# A PNG whose header claims w x h pixels, in a few hundred bytes.
claimed_png() { rm -f "$1" && python3 -c "
import struct, sys, zlib
w, h = int(sys.argv[2]), int(sys.argv[3])
chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    + chunk(b'IDAT', zlib.compress(b'\0' * 64)) + chunk(b'IEND', b''))" "$1" "$2" "$3"; }
real_png() { rm -f "$1" && convert -size "$2x$3" xc:red "$1"; }

# name | run | breaking commands | expected line (extended regex, "-" for none) | status
# Breakers joined by commas before a file make one case each, named after the breaker.
cases=$(cat <<'TABLE'
intact                 | game 4 | :                                            | -                                       | 0
world missing          | game 1 | gone dat/world0.dat dat/tracks.dat           | FATAL.*Failed to locate world file      | 1
listed world missing   | game 1 | gone dat/frost.dat                           | Track track1 of .* left out             | 0
world                  | game 2 | empty,garbage,half dat/world0.dat            | ERROR                                   | 0
world negative count   | game 2 | set_key dat/world0.dat main physObjects -5   | -                                       | 0
world NaN start        | game 2 | set_key dat/world0.dat start0 x nan          | -                                       | 0
world NaN object       | game 2 | set_key dat/world0.dat static0 width 1e400   | -                                       | 0
world                  | game 1 | folder,fifo dat/world0.dat; gone dat/tracks.dat | FATAL.*Failed to locate world file      | 1
world read-only        | game 2 | readonly_ dat/world0.dat                     | -                                       | 0
world huge laps        | game 1 | set_key dat/world0.dat main laps 2147483647  | -                                       | 0
world line short       | game 2 | set_key dat/world0.dat racingLine points 500 | racing line of .* has no x196; the checkpoints. centres guide | 0
world line NaN point   | game 2 | set_key dat/world0.dat racingLine x3 nan     | racing line of .* has x3 = nan, not a number | 0
world line far point   | game 2 | set_key dat/world0.dat racingLine y5 -1e300  | racing line of .* has y5 = -1e300, not a number | 0
world line repeats     | game 2 | set_key dat/world0.dat racingLine x1 "$(sed -n 's/^x0=\([-0-9.e]*\).*/\1/p' dat/world0.dat)"; set_key dat/world0.dat racingLine y1 "$(sed -n 's/^y0=\([-0-9.e]*\).*/\1/p' dat/world0.dat)" | racing line of .* repeats a point 1 time | 0
tracks world outside   | game 2 | own dat/tracks.dat; sed -i 's/^track0=world0.dat/track0=..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd/' dat/tracks.dat | Track track0 of .* left out: its world file .* lies outside | 0
tracks preview outside | game 2 | own dat/tracks.dat; sed -i 's/gfx.tracks.world0.png/..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\proc\\self\\mem/' dat/tracks.dat | its preview picture .* lies outside | 0
records absurd times   | game 2 | printf '[records]\nformat=1\n[world0.dat]\nlapTime=1e17\nraceTime=nan\n' >records.ini | gives world0.dat a lapTime of 1e17, not a time | 0
cars                   | game 2 | gone,empty,garbage,fifo,folder dat/cars.dat  | No cars in                              | 0
cars truncated         | game 4 | half dat/cars.dat                            | Failed to load texture from             | 0
cars huge count        | game 2 | set_key dat/cars.dat main cars 2000000000    | more than 1000; none of them is offered | 0
cars NaN mass          | game 2 | set_key dat/cars.dat Vulcan mass nan         | -                                       | 0
cars huge size         | game 2 | set_key dat/cars.dat Vulcan width 1e300      | -                                       | 0
cars huge wheel count  | game 2 | set_key dat/cars.dat Vulcan wheels 2000000000 | Vulcan has 2000000000 wheels; only the first 64 are used | 0
settings               | game 1 | gone,garbage,fifo config.ini                 | -                                       | 0
settings huge window   | game 1 | set_key config.ini system width 100000       | FATAL.*Unable to set video mode         | 1
settings read-only     | game 1 | readonly_ config.ini                         | -                                       | 0
settings NaN keys      | game 1 | set_key config.ini controls0 up nan          | -                                       | 0
main menu missing      | game 1 | gone mnu/main.ini                            | Failed to locate menu file mnu.main.ini | 0
main menu garbage      | game 1 | garbage mnu/main.ini                         | -                                       | 0
main menu huge count   | game 1 | set_key mnu/main.ini main buttons 2000000000 | asks for 2000000000 buttons, more than 1000; none of them is loaded | 0
players menu missing   | game 1 | gone mnu/players.ini                         | Failed to locate menu file              | 0
cars menu truncated    | game 1 | half mnu/cars.ini                            | Failed to load font file                | 0
options menu FIFO      | game 1 | fifo mnu/options.ini                         | ERROR                                   | 0
tile                   | game 1 | gone,garbage,half,fifo,folder gfx/tiles/ground_0_0.png | Failed to load texture from             | 0
tile claims 16000x16000 | game 1 | claimed_png gfx/tiles/ground_0_0.png 16000 16000 | 16000 x 16000 pixels exceed             | 0
tile too wide          | game 1 | real_png gfx/tiles/ground_0_0.png 9000 4     | 9000 x 4 pixels exceed                  | 0
menu picture FIFO      | game 1 | fifo gfx/menu/button0.png                    | Failed to load texture from             | 0
surface map            | game 1 | gone,fifo gfx/tiles/surface_0_0.png          | Failed to locate surface map            | 0
surface map garbage    | game 1 | garbage gfx/tiles/surface_0_0.png            | Failed to load surface map              | 0
surface map 16000x16000 | game 1 | claimed_png gfx/tiles/surface_0_0.png 16000 16000 | surface map.*16000 x 16000 pixels exceed | 0
font                   | game 1 | gone,garbage,fifo fnt/dejavusans-bold.ttf    | Failed to load font file                | 0
font name with %       | game 1 | set_key mnu/main.ini button0 font fnt\%s%n%s.ttf | Failed to load font file            | 0
sound                  | game 1 | gone,garbage,fifo snd/beep.wav               | Failed to load snd.beep.wav             | 0
music garbage          | game 1 | garbage mus/asphalt_groove.ogg               | Failed to load mus.asphalt_groove.ogg   | 0
music FIFO             | game 1 | fifo mus/asphalt_groove.ogg                  | -                                       | 0
interface missing      | game 1 | gone dat/interface.dat                       | Failed to load font file                | 0
countdown garbage      | game 1 | garbage dat/countdown.dat                    | Failed to load font file                | 0
log file               | game 1 | fifo,folder logfile.txt                      | logfile.txt is not a regular file       | 0
picture named Hütchen groß | game 2 | mv gfx/objects/cone.png "gfx/objects/Hütchen groß.png"; own dat/world0.dat; sed -i 's/cone\.png/Hütchen groß.png/' dat/world0.dat | - | 0
editor intact          | editor dat\world0.dat saved.dat | :               | Saving done                             | 0
editor world garbage   | editor dat\world0.dat saved.dat | garbage dat/world0.dat | Saving done                      | 0
editor huge count      | editor dat\world0.dat saved.dat | set_key dat/world0.dat main statics 20000 | Refused statics | 0
editor world FIFO      | editor dat\world0.dat saved.dat | fifo dat/world0.dat | No world file was given             | 1
editor read-only save  | editor dat\world0.dat ro.dat | cp dat/world0.dat ro.dat; chmod 0444 ro.dat | is read-only | 2
editor save on folder  | editor dat\world0.dat folder | mkdir folder | Saving failed | 2
editor save outside    | editor dat\world0.dat ..\..\x.dat | :             | Refused .*x.dat: a file name stays inside your folder | 2
editor save via link   | editor dat\world0.dat link.dat | cp dat/world0.dat .user/asphaltia/real.dat; ln -s real.dat .user/asphaltia/link.dat | Saving done | 0
TABLE
)

# A case's copy of the data in a folder whose name has blanks and letters beyond ASCII, broken by
# the given commands; the programs keep their log and settings there.
prepare() {
    dir="$work/Daten äöü ß/$1"
    mkdir -p "$work/Daten äöü ß" && cp -al "$data" "$dir" && rm -f "$dir/logfile.txt"
    mkdir -p "$dir/.user/asphaltia" "$dir/.config"
    export XDG_DATA_HOME="$dir/.user" XDG_CONFIG_HOME="$dir/.config"
    (cd "$dir" && eval "$2") >/dev/null 2>&1
}

run_case() {
    local name=$1 run=$2 breaking=$3 expected=$4 status=$5 dir started=$SECONDS got verdict=ok
    # A small window draws the race in a fraction of the time.
    prepare "$name" "set_key config.ini system width 320; set_key config.ini system height 240; $breaking"
    (cd "$dir" && exec timeout -k 5 60 "$driver" $run) >"$dir.out" 2>&1
    got=$?
    [ -f "$dir/logfile.txt" ] && cat "$dir/logfile.txt" >>"$dir.out"
    if [ "$got" != "$status" ]; then
        verdict="status $got, not $status"
    elif [ "$expected" = - ] && grep -Eq '(ERROR|FATAL)' "$dir.out"; then
        verdict="unexpected: $(grep -Em1 '(ERROR|FATAL)' "$dir.out")"
    elif [ "$expected" != - ] && ! grep -Eq -- "$expected" "$dir.out"; then
        verdict="no line matching: $expected"
    fi
    printf '%-26s %-4s %3ss  %s\n' "$name" "$got" $((SECONDS - started)) "$verdict"
}

# Two cases at a time: each waits for its files and its frames as much as for the processor.
while IFS='|' read -r name run breaking expected status; do
    # Trimmed by read: an unquoted echo would expand an expected " .* " to the hidden files' names.
    for f in name run breaking expected status; do read -r "$f" <<<"${!f}"; done
    each=("$breaking") target=
    if [[ $breaking =~ ^([a-z]+(,[a-z]+)+)\ (.*)$ ]]; then
        IFS=, read -ra each <<<"${BASH_REMATCH[1]}"
        target=${BASH_REMATCH[3]}
    fi
    for b in "${each[@]}"; do
        one=$name
        [ -n "$target" ] && one="$name $b" b="$b $target"
        [[ $one =~ $only ]] || continue
        while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
        run_case "$one" "$run" "$b" "$expected" "$status" >>"$results" &
    done
done <<<"$cases"
wait

# The real programs, sent SIGTERM once LINE appeared in their output or log (a FIFO in place of the
# log is not read: it would block), must be gone within a second with status 0, or 143 where the
# limit cut them short. They end within 0.8 s; the rest is slack for a busy machine.
signalled() {
    local name=$1 breaking=$2 line=$3 dir pid waited=0 asked took got verdict=ok
    shift 3
    prepare "$name" "own config.ini; $breaking"
    # The editor reads the world's name; the game reads nothing.
    (cd "$dir" && exec "$@" >"$dir.out" 2>&1 < <(echo 'dat\world0.dat'; exec sleep 60 2>/dev/null)) &
    pid=$!
    until grep -qs -- "$line" "$dir.out" || { [ -f "$dir/logfile.txt" ] && grep -qs -- "$line" "$dir/logfile.txt"; } ||
        [ $((waited++)) -ge 1200 ]; do sleep 0.05; done
    asked=$EPOCHREALTIME
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null && sleep 0.02; done
    took=$(awk -v a="$asked" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
    kill -KILL "$pid" 2>/dev/null
    wait "$pid"
    got=$?
    if [ $waited -gt 1200 ]; then
        verdict="never logged: $line"
    elif ! awk -v t="$took" 'BEGIN { exit !(t <= 1.5) }'; then
        verdict="took ${took}s to end"
    elif [ "$got" != 0 ] && [ "$got" != 143 ]; then
        verdict="status $got"
    fi
    printf '%-26s %-4s %ss  %s\n' "$name" "$got" "$took" "$verdict" >>"$results"
}
signalled "SIGTERM while loading" : "State: loading." "$game"
signalled "SIGTERM in main menu" : "State: main menu." "$game"
signalled "log file FIFO, SIGTERM" "fifo logfile.txt" "logfile.txt is not a regular file" "$game"
signalled "editor SIGTERM" : "Loading done." "$editor"

sort "$results"
failed=$(grep -vc ' ok$' "$results")
echo "$(wc -l <"$results") cases, $failed failed"
[ "$failed" = 0 ]
