#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)" --target sorrel
exec ./build/app/sorrel "$@"
