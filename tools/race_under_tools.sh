#!/usr/bin/env bash
# Runs the game's application classes from the start through the menus into a two-player race
# and out (the catalogue driver, on a copy of data/) under valgrind's memcheck and under
# ThreadSanitizer, which watches the loader thread against the main thread. Any report fails the
# run, except what the software OpenGL driver does among its own threads and the dynamic loader
# does while loading it (tools/tsan.supp, tools/valgrind.supp say why); the run prints how often
# each suppression matched.
# Usage: tools/race_under_tools.sh [FRAMES]   (race frames, 120 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
frames=${1:-120}
tools/setup.sh
command -v valgrind >/dev/null || { echo "valgrind is missing (tools/setup.sh installs it)" >&2; exit 1; }

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target catalogue_driver
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DASPHALTIA_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target catalogue_driver

work=$(mktemp -d /tmp/asphaltia_tools_XXXXXX)
trap 'rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
status=0
for tool in valgrind tsan; do
    cp -al data "$work/$tool" && rm -f "$work/$tool/logfile.txt"
    echo "== $tool"
    if [ $tool = valgrind ]; then
        run=(valgrind -s --error-exitcode=99 --suppressions="$root/tools/valgrind.supp" --gen-suppressions=all
             "$root/build/tests/catalogue_driver")
    else
        export TSAN_OPTIONS="exitcode=99 suppressions=$root/tools/tsan.supp second_deadlock_stack=1 print_suppressions=1"
        run=("$root/build-tsan/tests/catalogue_driver")
    fi
    (cd "$work/$tool" && "$root/tools/with_xvfb.sh" "${run[@]}" game 2 "$frames") >"$work/$tool.out" 2>&1 || status=1
    grep -E '^(==[0-9]+== (ERROR SUMMARY|Invalid|Conditional|Use of)|.*used_suppression|WARNING: ThreadSanitizer|SUMMARY|reached|ThreadSanitizer: Matched|[0-9]+ race:)' \
        "$work/$tool.out" | sort | uniq -c || true
    [ $status = 0 ] || cp "$work/$tool.out" "$root/build/$tool.out"
done
[ $status = 0 ] && echo "both clean" || echo "reports kept in build/valgrind.out, build/tsan.out"
exit $status
