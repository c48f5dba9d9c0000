#!/usr/bin/env bash
# Makes the screenshots in docs/screenshots again. Starts an X server (Xvfb)
# with a small window manager, runs the real windows, ticks "Сырой", loads
# samples/raw-program.bin through the load button's dialog, opens the
# byte-order window and grabs the screen; then notes on a copy of the raw
# image, the grid's menu, samples/header-program.bin with its name read as
# text, and samples/odd-length.bin for the warning.
#
#   bash scripts/screenshots.sh [BUILD_DIR]     (default build-shots/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh xvfb xauth openbox

build="${1:-build-shots}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSORREL_BUILD_BENCH=OFF
fi
cmake --build "$build" -j2 --target window_screenshots

raw=samples/raw-program.bin
odd=samples/odd-length.bin
header=samples/header-program.bin
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
if [ ! -f "$raw" ] || [ ! -f "$odd" ]; then
    # A few words of code (mov, jmp, ldr, mfpr) and an image of odd length.
    raw="$scratch/raw.bin"
    odd="$scratch/odd.bin"
    printf '\xe0\x07\x00\x80\x00\x20\xb3\x03\x00\x00\x01\x00' >"$raw"
    printf '\xe0\x07\x00\x80\xa5' >"$odd"
fi

mkdir -p docs/screenshots
cat >"$scratch/session.sh" <<'SESSION'
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    sleep 1
fi
exec "$@"
SESSION
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
    bash "$scratch/session.sh" "$build/tests/windows/window_screenshots" "$raw" "$odd" "$header" \
    docs/screenshots
