#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a bounded time, starting from its checked-in seeds in fuzz/corpus/<target>/.
#
#   fuzz/run.sh [seconds per target] [target...]     default: 25 seconds, every target
#
# Each target works on its own corpus in build/fuzz/corpus/<target>/, seeded from the checked-in one and
# kept between runs, so longer runs go on where earlier ones stopped. A finding stops that target, leaves
# the input in build/fuzz/artifacts/ and makes the script fail; reproduce it with
# `build/fuzz/fuzz/<target> <input>`.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-25}
shift || true
werror=${NOVRA_WERROR:-OFF}

if ! command -v clang++ >/dev/null; then
    echo "fuzz/run.sh needs clang and libclang-rt-14-dev (libFuzzer)" >&2
    exit 1
fi

cmake --preset fuzz -DNOVRA_WERROR="$werror" >/dev/null
cmake --build --preset fuzz --target novra_fuzz -j "$(nproc 2>/dev/null || echo 2)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

mkdir -p build/fuzz/artifacts
failed=()
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    log=build/fuzz/$target.log
    printf '\033[1m== fuzzing %s for %s s\033[0m\n' "$target" "$seconds"
    if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/"$target"- "$corpus" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "$target: clean, $runs inputs ($rate per second), corpus of $(ls "$corpus" | wc -l)"
    else
        failed+=("$target")
        grep -v '^#' "$log" | tail -n 40
        echo "$target: FINDING, input kept in build/fuzz/artifacts/ (log $log)" >&2
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz targets with findings: ${failed[*]}" >&2
    exit 1
fi
