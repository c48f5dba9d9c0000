#!/usr/bin/env bash
# Installs what is missing, builds a Release of the programs in build-package/
# and packs them as a Debian package, build-package/sorrel_VERSION_ARCH.deb,
# then checks it with lintian. Install it with
#   sudo apt-get install ./build-package/sorrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) and file find the libraries' packages.
bash scripts/deps.sh dpkg-dev file lintian
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release \
    -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF
cmake --build build-package -j"$(nproc)"
rm -f build-package/sorrel_*.deb
(cd build-package && cpack -G DEB)
deb=$(echo build-package/sorrel_*.deb)
# Errors fail the script; warnings are printed.
lintian --fail-on error "$deb"
echo "Package: $deb"
