#!/usr/bin/env bash
# Builds what the product needs and runs it: the bundled transit service on
# loopback, then the app window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
# Paths relative to the checkout, so a fresh clone elsewhere reuses the cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUS_BUILD_BENCH=OFF >/dev/null
targets=(busreal-standin)
if cmake --build build/release --target help | grep -q '^busreal:'; then targets+=(busreal); fi
cmake --build build/release -j"$(nproc)" --target "${targets[@]}"

standin=build/release/standin/busreal-standin
"$standin" --data standin/data &
standin_pid=$!
trap 'kill "$standin_pid" 2>/dev/null; wait "$standin_pid" 2>/dev/null || true' EXIT INT TERM

app=build/release/app/busreal
if [ ! -x "$app" ]; then
  echo "The stand-in transit service is running (directory on 127.0.0.1:18080); press Ctrl-C to stop."
  wait "$standin_pid"
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MSG
No display: the app window needs X11 or Wayland.
Run it on a virtual display instead:
    xvfb-run -a -s "-screen 0 1280x1024x24" $app
or run a scripted demo headless that saves screenshots:
    QT_QPA_PLATFORM=offscreen $app --script app/demo/tour.txt --container /tmp/busreal-demo
MSG
  exit 1
fi
"$app" "$@"
