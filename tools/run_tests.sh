#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under a virtual X server:
# once in a normal build, once with AddressSanitizer and UndefinedBehaviorSanitizer (built by
# clang, which also builds the fuzz targets there). ASPHALTIA_SKIP_SANITIZERS=1 skips the second
# run for a quicker local check. Then each fuzz target runs for a few seconds on its seed corpus
# (ASPHALTIA_SKIP_FUZZ=1 skips that).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

jobs=$(nproc)

# Sources stay formatted by the repository's .clang-format.
if git rev-parse --git-dir >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
fi

run_suite() {
    local dir=$1 started=$SECONDS
    shift
    # lld links the many test programs in a fraction of the time of the default linker.
    cmake -S . -B "$dir" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    echo "== $dir built in $((SECONDS - started)) s"
    (cd "$dir" && ../tools/with_xvfb.sh ctest --output-on-failure -j"$jobs" --timeout 300 \
        ${skip_tests:+-E "$skip_tests"})
    echo "== $dir built and tested in $((SECONDS - started)) s"
}

# Line tables are enough for the backtraces a failure prints, and build much quicker than full
# debug information.
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"

if [ "${ASPHALTIA_SKIP_SANITIZERS:-0}" != 1 ]; then
    # Mesa and SDL keep allocations until exit, so leak checking would only report theirs.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # The whole catalogue and the kill test ran above; here a sample of each keeps CI short.
    export ASPHALTIA_CATALOGUE='^(intact|world missing|world NaN|cars huge|tile claims|font name|editor)'
    # Whole computer races take minutes under the sanitizers; the plain build runs them, and the
    # shorter computer tests still drive the computer cars here.
    # The fuzz targets need clang and the same sanitizers: one build serves both, and the fuzz run
    # below takes its targets from it. At -O1 the tests run in half the time they take unoptimised
    # under the fuzzers' instrumentation, for a third more build time.
    CXX=clang++-14 skip_tests='ComputerRace' \
        run_suite build-checked -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" \
        -DASPHALTIA_SANITIZE=ON -DASPHALTIA_FUZZ=ON -DASPHALTIA_BENCHMARKS=OFF -DASPHALTIA_KILLS=2
fi

if [ "${ASPHALTIA_SKIP_FUZZ:-0}" != 1 ]; then
    # A few seconds each catch what a change broke. Longer runs: tests/fuzz/run.sh 600.
    if [ "${ASPHALTIA_SKIP_SANITIZERS:-0}" != 1 ]; then
        export ASPHALTIA_FUZZ_BUILD=$PWD/build-checked
    fi
    ASPHALTIA_FUZZ_OPTIMISATION=${ASPHALTIA_FUZZ_OPTIMISATION:--O0} tests/fuzz/run.sh "${ASPHALTIA_FUZZ_SECONDS:-5}"
fi
