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
# The app asks the directory service as soon as it starts.
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/18080) 2>/dev/null && break
  sleep 0.1
done

app=build/release/app/busreal
if [ ! -x "$app" ]; then
  echo "The stand-in transit service is running (directory on 127.0.0.1:18080); press Ctrl-C to stop."
  wait "$standin_pid"
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No display to open the window on: walk through the app with the scripted
  # tour instead, on a fresh container, and keep its screenshots.
  out="$PWD/build/tour"
  rm -rf "$out" && mkdir -p "$out"
  echo "No display: running the scripted tour headless against the stand-in service."
  (cd "$out" && QT_QPA_PLATFORM=offscreen "$OLDPWD/$app" --script "$OLDPWD/app/demo/tour.txt" \
      --container "$out/container")
  echo "Screenshots of the tour are in $out:"
  ls "$out"/*.png | sed 's/^/  /'
  cat <<MSG
To use the app in a window on a machine without a display, run it on a virtual one:
    xvfb-run -a -s "-screen 0 1280x1024x24" $app
MSG
  exit 0
fi
"$app" "$@"
