#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and
# runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
# The end-to-end test drives the program on a real X server of its own; the
# package test makes a Debian package (dpkg-shlibdeps, file).
bash scripts/deps.sh xxd desktop-file-utils groff-base \
    xvfb openbox xdotool xclip x11-utils imagemagick dpkg-dev file
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORREL_WERROR=ON
cmake --build build-test -j"$(nproc)"
cd build-test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600
