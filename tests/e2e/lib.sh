# Shared steps of the end-to-end scripts; sourced, not run. Scripts that start the game set $log
# to its log file.

# A working folder for a program: every entry of the data folder linked into it, so the program
# finds its data while whatever it writes stays out of the repository. Names given after the
# folders are copied instead of linked (the files the program may write).
link_data_folder() {
    local data=$1 target=$2 entry
    shift 2
    mkdir -p "$target"
    for entry in "$data"/*; do ln -s "$(realpath "$entry")" "$target/$(basename "$entry")"; done
    for entry in "$@"; do rm -f "$target/$entry" && cp -r "$(realpath "$data/$entry")" "$target/$entry"; done
    rm -f "$target/logfile.txt"
}

# Asks the program to close as the window manager would (SDL turns SIGTERM into a quit event)
# and expects it to end by itself with status 0.
close_and_expect_success() {
    local pid=$1 name=$2 status=0
    kill -TERM "$pid"
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the $name did not end after being asked to close"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the $name ended with status $status"
}

fail() {
    echo "$1"
    cat "${log:-}" 2>/dev/null || true
    kill -9 "${pid:-}" 2>/dev/null || true
    exit 1
}

# Waits up to 30 s for a line in the log.
wait_for_line() {
    for _ in $(seq 300); do
        grep -qF "$1" "$log" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the log never showed: $1"
}

# Clicks at a point of the window; each menu is centred in it.
click() { xdotool mousemove --window "$window" "$1" "$2" sleep 0.2 click 1 sleep 0.3; }

# Starts the given command in the background ($pid), waits for its window ($window) and its main
# menu. A busy virtual X server now and then refuses a connection, to the game or to xdotool; the
# search fails at once then, which earns another try.
start_game() {
    for attempt in 1 2 3; do
        "$@" & pid=$!
        window=$(timeout 30 xdotool search --sync --onlyvisible --name Asphaltia 2>/dev/null | head -n 1) && break
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        [ "$attempt" -lt 3 ] || fail "no game window appeared"
    done
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    wait_for_line "State: main menu."
}
