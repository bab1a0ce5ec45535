#!/usr/bin/env bash
# Starts the world editor in a copy of the data folder on the shipped track, named on its command
# line, answers its console through a pipe, presses the save key in its window, closes it, and
# checks that the saved track holds every key of the original with the same value.
# Usage: worldedit_saves_track.sh <asphaltia_worldedit binary> <data folder>
# With ASPHALTIA_E2E_SCREENSHOT set to a file name, a screenshot of the screen is kept there.
set -euo pipefail
binary=$(realpath "$1")
data=$2
title="Asphaltia - World Editor"

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    exec 3>&- 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/lib.sh"
# The track is saved over, so dat/ must be a copy.
link_data_folder "$data" "$work/data" dat
original="$work/original.dat"
cp "$data/dat/world0.dat" "$original"

mkfifo "$work/console"
log="$work/console.out"
cd "$work/data"
export SDL_VIDEODRIVER=x11
"$binary" dat/world0.dat <"$work/console" >"$log" 2>&1 &
pid=$!
exec 3>"$work/console"

window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1) || fail "no window titled '$title' appeared"
wait_for_line "Loading done."
grep -q "Enter World File Path" "$log" && fail "the editor asked for the track it was given"
if [ -n "${ASPHALTIA_E2E_SCREENSHOT:-}" ]; then
    sleep 1
    import -window root "$ASPHALTIA_E2E_SCREENSHOT"
fi

printf 'y\ndat\\world0.dat\n' >&3
xdotool key --window "$window" s 2>/dev/null
wait_for_line "Saving done."

close_and_expect_success "$pid" editor
pid=

saved="$work/data/dat/world0.dat"
cmp -s "$original" "$saved" && fail "the track file was not written again"
python3 - "$original" "$saved" <<'PY' || fail "the saved track differs from the original"
import sys

def read_ini(path):
    # Section and key names without regard to letter case and blanks; the first of each counts.
    sections = {}
    current = None
    for raw in open(path, encoding="latin-1"):
        line = raw.strip()
        if line.startswith("[") and "]" in line:
            current = sections.setdefault(line[1:line.index("]")].strip().lower(), {})
        elif current is not None and "=" in line and not line.startswith(";"):
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections

def same(a, b):
    if a == b:
        return True
    try:
        return abs(float(a) - float(b)) <= 1e-9 * max(1.0, abs(float(a)))
    except ValueError:
        return False

original, saved = read_ini(sys.argv[1]), read_ini(sys.argv[2])
differences = 0
for section, keys in original.items():
    for key, value in keys.items():
        other = saved.get(section, {}).get(key)
        if other is None or not same(value, other):
            print(f"[{section}] {key}: {value!r} became {other!r}")
            differences += 1
print(f"{sum(len(k) for k in original.values())} keys compared, {differences} differ")
sys.exit(1 if differences else 0)
PY
echo "the editor saved the track unchanged"
