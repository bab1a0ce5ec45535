#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 15) on a copy of its seed
# corpus, from data/ under a virtual X server. A crash, sanitizer report, broken property or input
# taking 30 s (libFuzzer's 10 s is too short on a busy machine) fails the run and leaves the input
# in build-fuzz/findings/. ASPHALTIA_FUZZ_OPTIMISATION (default -O1) sets the build's optimisation;
# ASPHALTIA_FUZZ_BUILD names another clang build made with -DASPHALTIA_FUZZ=ON to take them from.
# Usage: tests/fuzz/run.sh [SECONDS] [TARGET...]   (targets: fuzz_ini fuzz_text fuzz_loaders fuzz_race_files fuzz_packets)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
seconds=${1:-15}
shift || true
read -r -a targets <<<"${*:-fuzz_ini fuzz_text fuzz_loaders fuzz_race_files fuzz_packets}"

build=${ASPHALTIA_FUZZ_BUILD:-$root/build-fuzz}
if [ -z "${ASPHALTIA_FUZZ_BUILD:-}" ]; then
    CXX=clang++-14 cmake -S . -B "$build" -DASPHALTIA_FUZZ=ON -DASPHALTIA_TESTS=OFF -DASPHALTIA_BENCHMARKS=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="${ASPHALTIA_FUZZ_OPTIMISATION:--O1} -gline-tables-only" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$build/findings"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 SDL_AUDIODRIVER=dummy
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus" && cp -n "$root/tests/fuzz/corpus/${target#fuzz_}"/* "$corpus"/
    # Seeds from the shipped data as it is now; the loaders' first byte picks menu (0) or cars (2).
    case $target in
    fuzz_ini) for f in config.ini dat/countdown.dat mnu/options_restable.ini; do cp "$root/data/$f" "$corpus/"; done ;;
    fuzz_loaders)
        for f in main players; do { printf '\0'; cat "$root/data/mnu/$f.ini"; } >"$corpus/menu_$f"; done
        { printf '\2'; cat "$root/data/dat/cars.dat"; } >"$corpus/cars" ;;
    # The race files' first byte picks the track list (1).
    fuzz_race_files) { printf '\1'; cat "$root/data/dat/tracks.dat"; } >"$corpus/tracks" ;;
    esac
    rm -f "$build/findings/$target-"*
    echo "== $target for ${seconds}s"
    (cd "$root/data" && "$root/tools/with_xvfb.sh" "$build/tests/fuzz/$target" -max_total_time="$seconds" \
        -timeout=30 -report_slow_units=30 -rss_limit_mb=4096 -artifact_prefix="$build/findings/$target-" \
        -print_final_stats=1 "$corpus" 2>&1 | grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|==[0-9]+==|SUMMARY|.*(ERROR|WARNING):)' || true)
    # libFuzzer's exit status is lost in the pipe; a finding leaves an artifact.
    ! ls "$build/findings/$target-"* >/dev/null 2>&1 || { echo "$target: finding(s) in $build/findings" >&2; exit 1; }
done
