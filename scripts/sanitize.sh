#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (halting on the first report), runs every test
# but the end-to-end one, then runs each libFuzzer target over its corpus for
# a fixed number of inputs (at most 60 s), so that every run covers the same
# ground whatever the machine's speed.
#   FUZZ_SECONDS=600 bash scripts/sanitize.sh   # fuzz for a time instead
#   FUZZ_RUNS=0 bash scripts/sanitize.sh        # tests only (FUZZ_SECONDS=0 too)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh clang libclang-rt-14-dev xxd

build=${SANITIZE_BUILD_DIR:-build-asan}
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORREL_SANITIZE=ON -DSORREL_FUZZ=ON -DSORREL_BUILD_BENCH=OFF -DSORREL_WERROR=ON
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
# The end-to-end test on a real X server types into the program at a user's
# pace, which a sanitized build, several times slower, does not keep up with;
# scripts/test.sh runs it on the plain build.
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 900 -E '^e2e\.')

# Inputs a target: some 20 s of each on the development machine.
declare -A runs=([decoder]=${FUZZ_RUNS:-400000} [image]=${FUZZ_RUNS:-40000})
seconds=${FUZZ_SECONDS:-60}
[ "$seconds" -gt 0 ] || exit 0
for fuzzer in "$build"/fuzz/*_fuzzer; do
    name=$(basename "$fuzzer" _fuzzer)
    limit=${runs[$name]:-${FUZZ_RUNS:-100000}}
    if [ -n "${FUZZ_SECONDS:-}" ]; then
        limit=-1  # as many as the time allows
    fi
    [ "$limit" -ne 0 ] || continue
    work=$(mktemp -d)
    echo "== fuzzing $name: $limit inputs, at most $seconds s (new inputs in $work, findings in $build/fuzz/findings-$name-*)"
    status=0
    "$fuzzer" -runs="$limit" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/findings-$name-" "$work" "fuzz/corpus/$name" \
        >"$build/fuzz/$name.log" 2>&1 || status=$?
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added)' \
        "$build/fuzz/$name.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$build/fuzz/$name.log"
        echo "fuzzer $name found a failure (exit $status)"
        exit 1
    fi
    rm -rf "$work"
done
