#!/usr/bin/env bash
# Builds the parts without Qt with clang under ThreadSanitizer, in a folder of
# its own, and runs their tests: the worker threads (tasks), the scans that
# run on them (search), and the rest of the Qt-free tests. Halts on the first
# report.
#   TSAN_BUILD_DIR=build-tsan2 bash scripts/tsan.sh   # another folder (default build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev xxd

build=${TSAN_BUILD_DIR:-build-tsan}
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORREL_TSAN=ON -DSORREL_BUILD_GUI=OFF -DSORREL_BUILD_BENCH=OFF -DSORREL_WERROR=ON
cmake --build "$build" -j"$(nproc)"

export TSAN_OPTIONS=halt_on_error=1:abort_on_error=1:second_deadlock_stack=1
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 900)
