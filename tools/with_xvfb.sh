#!/usr/bin/env bash
# Runs a command with its own virtual X server. Xvfb picks a free display number itself
# (-displayfd), so several runs at once never share or kill each other's server.
# -noreset: by default the server resets whenever its last client leaves, and a test that
# connects during that moment is refused or cut off.
set -euo pipefail

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$fifo"' EXIT
if ! read -r -t 30 display <"$fifo"; then
    echo "the virtual X server did not start" >&2
    exit 1
fi
export DISPLAY=":$display"
"$@"
