#!/usr/bin/env bash
# Builds grid_demo, shows it on a virtual X screen and saves a screenshot of
# the screen as a PNG: grid-demo-screenshot.sh [OUT.png]. BUILD_DIR chooses the
# build folder (default build-demo); the PNG goes there unless OUT.png is given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh xvfb xauth imagemagick
build="${BUILD_DIR:-build-demo}"
out="$(realpath -m "${1:-$build/grid-demo.png}")"
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DSORREL_BUILD_EXAMPLES=ON >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORREL_BUILD_EXAMPLES=ON \
        -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target grid_demo -j2
demo="$(realpath "$build/grid/demo/grid_demo")"
xvfb-run -a -s "-screen 0 720x340x24" bash -c '
    "$1" --quit-after 6000 &
    pid=$!
    sleep 3
    import -window root "$2"
    wait "$pid"
' screenshot "$demo" "$out"
echo "Screenshot: $out"
