#!/bin/sh
# What accessibility costs: start-up to the first painted frame (qt_startup)
# and a tap on a stop to the next frame (bench_tap_to_frame) of two Release
# builds, run alternately so that a busy machine weighs on both alike, with
# no assistive technology; the start-ups again on an X server, without and
# with an AT-SPI listener; and bench_accessible_tap of the second build
# without and with a listener.
#
#   bench/qt/accessibility_cost.sh BEFORE_BUILD AFTER_BUILD [ROUNDS=30]
#
# Needs xvfb-run, dbus-run-session, at-spi2-core and python3-pyatspi. Prints
# medians: per tap, of each run's median tap and CPU time per tap; per
# start-up, of single start-ups (process spawn to paint, main to paint).
set -eu
here=$(cd "$(dirname "$0")" && pwd)

median() {  # FILE COLUMN
    sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
taps() {  # BUILD OUT: CPU per tap, median tap
    "$1/bench/qt/bench_tap_to_frame" 2>/dev/null |
        sed -nE 's/^BM_.* ([0-9.]+) ms +400 +median_ms=([0-9.]+).*/\1 \2/p' >>"$2"
}
accessible_taps() {  # BUILD OUT: CPU per tap, median tap
    "$1/bench/qt/bench_accessible_tap" 2>/dev/null |
        sed -nE 's/^BM_.* ([0-9.]+) ms +400 +listening=[01] median_ms=([0-9.]+).*/\1 \2/p' >>"$2"
}
startup() {  # BUILD OUT: spawn to paint, main to paint
    "$1/bench/qt/qt_startup" 1 2>/dev/null |
        sed -nE 's/^run 1: spawn to paint ([0-9.]+) ms; from main: painted ([0-9.]+).*/\1 \2/p' >>"$2"
}
report() {  # WHAT OUT FIRST SECOND
    echo "$1: $3 $(median "$2" 1) ms, $4 $(median "$2" 2) ms ($(wc -l <"$2") runs)"
}

if [ "${1:-}" = --on-x ]; then  # inside xvfb-run and dbus-run-session
    before=$2 after=$3 rounds=$4 out=$5
    export QT_QPA_PLATFORM=xcb
    i=0
    while [ $i -lt "$rounds" ]; do
        startup "$before" "$out/x-before"; startup "$after" "$out/x-after"; i=$((i + 1))
    done
    for n in 1 2 3; do accessible_taps "$after" "$out/acc-none"; done
    /usr/bin/python3 "$here/atspi_listener.py" >"$out/heard" 2>/dev/null &
    listener=$!
    n=0
    until grep -q listening "$out/heard" || [ $n -ge 100 ]; do n=$((n + 1)); sleep 0.1; done
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    i=0
    while [ $i -lt "$rounds" ]; do
        startup "$before" "$out/l-before"; startup "$after" "$out/l-after"; i=$((i + 1))
    done
    for n in 1 2 3; do accessible_taps "$after" "$out/acc-listener"; done
    kill -TERM $listener; wait $listener || true
    report "start-up on X, no listener, before" "$out/x-before" "spawn to paint" "main to paint"
    report "start-up on X, no listener, after" "$out/x-after" "spawn to paint" "main to paint"
    report "start-up on X, a listener, before" "$out/l-before" "spawn to paint" "main to paint"
    report "start-up on X, a listener, after" "$out/l-after" "spawn to paint" "main to paint"
    report "tap on the window, no listener" "$out/acc-none" "CPU per tap" "median tap"
    report "tap on the window, a listener" "$out/acc-listener" "CPU per tap" "median tap"
    grep heard "$out/heard"
    exit 0
fi

before=$1 after=$2 rounds=${3:-30}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen
i=0
while [ $i -lt "$rounds" ]; do
    taps "$before" "$out/tap-before"; taps "$after" "$out/tap-after"
    startup "$before" "$out/su-before"; startup "$after" "$out/su-after"
    i=$((i + 1))
done
report "tap, before" "$out/tap-before" "CPU per tap" "median tap"
report "tap, after" "$out/tap-after" "CPU per tap" "median tap"
report "start-up, before" "$out/su-before" "spawn to paint" "main to paint"
report "start-up, after" "$out/su-after" "spawn to paint" "main to paint"
xvfb-run -a dbus-run-session -- "$0" --on-x "$before" "$after" "$rounds" "$out" 2>&1 |
    grep -v -e dbus-daemon -e SpiRegistry -e dbind-WARNING -e '^$' || true
