#!/usr/bin/env bash
# Builds flow_widgets_demo, shows it on a virtual X screen at scale factors 1
# and 2 and saves a screenshot of each as a PNG in the build folder (BUILD_DIR,
# default build-demo): flow-widgets-1x.png and flow-widgets-2x.png. Arguments
# go to the demo (--row N, --raw, FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh xvfb xauth imagemagick
build="${BUILD_DIR:-build-demo}"
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DSORREL_BUILD_EXAMPLES=ON >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORREL_BUILD_EXAMPLES=ON \
        -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target flow_widgets_demo -j2
demo="$(realpath "$build/listing/demo/flow_widgets_demo")"
for scale in 1 2; do
    out="$(realpath -m "$build/flow-widgets-${scale}x.png")"
    size=$((500 * scale))x$((600 * scale))x24
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 $size" bash -c '
        demo=$1 out=$2
        shift 2
        "$demo" --quit-after 5000 "$@" &
        pid=$!
        sleep 3
        import -window root "$out"
        wait "$pid"
    ' screenshot "$demo" "$out" "$@"
    echo "Screenshot: $out"
done
