#!/usr/bin/env bash
# Builds grid_demo, shows it on a virtual X screen and saves a screenshot of
# the screen as a PNG: grid-demo-screenshot.sh [OUT.png] (default grid-demo.png).
# BUILD_DIR chooses the build folder (default build-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh xvfb xauth imagemagick
build="${BUILD_DIR:-build-demo}"
out="$(realpath -m "${1:-grid-demo.png}")"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORREL_BUILD_EXAMPLES=ON >/dev/null
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
