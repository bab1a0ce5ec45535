# Shared steps of the end-to-end scripts; sourced, not run. Each script defines fail().

# A working folder for a program: every entry of the data folder linked into it, so the program
# finds its data while whatever it writes stays out of the repository. Names given after the
# folders are copied instead of linked (the files the program may write).
link_data_folder() {
    local data=$1 target=$2
    shift 2
    mkdir -p "$target"
    for entry in "$data"/*; do
        ln -s "$(realpath "$entry")" "$target/$(basename "$entry")"
    done
    for copied in "$@"; do
        rm -f "$target/$copied"
        cp -r "$(realpath "$data/$copied")" "$target/$copied"
    done
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
