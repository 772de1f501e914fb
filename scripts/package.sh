#!/usr/bin/env bash
# Builds the Debian package: the app, the transit service and their data in
# Release, installed under /usr, with the dependencies dpkg-shlibdeps finds.
# Prints the package's path; install it with apt-get install ./<path>.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build="${BUS_BUILD_DIR:-build/package}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUS_BUILD_TESTS=OFF -DBUS_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/busreal_*.deb
