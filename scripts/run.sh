#!/usr/bin/env bash
# Builds what the product needs and runs it: the bundled transit service on
# loopback, then the app window (or, without a display, the scripted tour).
# A build that fails, or a stand-in that cannot start, ends the command with
# its message and a non-zero status.
#
# BUS_BUILD_DIR names the build folder (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
# Paths relative to the checkout, so a fresh clone elsewhere reuses the cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
build="${BUS_BUILD_DIR:-build/release}"
# Release, as the test command builds it, so the two share the compiler cache.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUS_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target busreal-standin busreal

standin="$build/standin/busreal-standin"
app="$build/app/busreal"
standin_out="$build/standin.out" standin_log="$build/standin.log"
"$standin" --data standin/data >"$standin_out" 2>"$standin_log" &
standin_pid=$!
trap 'kill "$standin_pid" 2>/dev/null; wait "$standin_pid" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

# Says which of those ports another program holds, and which program.
report_taken_ports() {
  local port holder
  for port in $(scripts/standin-ports.sh); do
    # users:(("name",pid=N,fd=M),...) -> name (pid N)
    holder=$(ss -Hltnp "sport = :$port" 2>/dev/null |
      sed -n 's/.*users:(("\([^"]*\)",pid=\([0-9]*\).*/\1 (pid \2)/p') || true
    holder=${holder%%$'\n'*}
    if [ -n "$holder" ]; then
      echo "  port $port is taken by $holder" >&2
    elif [ -n "$(ss -Hltn "sport = :$port" 2>/dev/null)" ]; then
      echo "  port $port is taken (by a program of another user)" >&2
    fi
  done
}

# The app asks the directory service as soon as it starts: wait until the
# stand-in says it serves, or stop with what it said if it ends first.
for _ in $(seq 300); do
  grep -qx ready "$standin_out" && break
  if ! kill -0 "$standin_pid" 2>/dev/null; then
    echo "The stand-in transit service did not start:" >&2
    cat "$standin_log" >&2
    report_taken_ports
    exit 1
  fi
  sleep 0.1
done
if ! grep -qx ready "$standin_out"; then
  echo "The stand-in transit service did not say it was ready within 30 s; its log is $standin_log" >&2
  exit 1
fi
echo "The stand-in transit service is running ($(head -1 "$standin_out")); its log is $standin_log."

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
