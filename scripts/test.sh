#!/usr/bin/env bash
# Builds and runs every test: the whole tree (benchmarks included) in Release,
# as README builds it for measuring, with the suite run there; the suite again
# under AddressSanitizer + UndefinedBehaviorSanitizer; the suites labelled
# "threads" (worker threads in the screens, the stand-in's serving threads)
# under ThreadSanitizer; then the service fuzzer for a bounded time. Fails on any compile warning, test failure, sanitizer finding or
# fuzzer crash.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
# Paths relative to the checkout, so a fresh clone elsewhere reuses the cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
# Headless: the window's tests render offscreen.
export QT_QPA_PLATFORM=offscreen

echo "== release build"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUS_SANITIZE=OFF >/dev/null
cmake --build build/test -j"$jobs"

echo "== sanitizer build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUS_SANITIZE=ON -DBUS_BUILD_BENCH=OFF >/dev/null
cmake --build build/asan -j"$jobs"

echo "== thread sanitizer build (the suites labelled \"threads\")"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUS_TSAN=ON -DBUS_BUILD_APP=OFF -DBUS_BUILD_BENCH=OFF >/dev/null
cmake --build build/tsan -j"$jobs" --target tracking_tests personal_tests standin_tests

echo "== fuzzer build"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUS_BUILD_FUZZ=ON \
  -DBUS_BUILD_APP=OFF -DBUS_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$jobs" --target fuzz_service

echo "== tests"
ctest --test-dir build/test --output-on-failure -j"$jobs"

echo "== tests under ASan+UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== the suites with worker threads (screens, stand-in) under ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan -L threads --output-on-failure -j"$jobs"

echo "== fuzzing the reply reader for 30 s"
corpus=build/fuzz/corpus
mkdir -p "$corpus"
cp -n fuzz/seeds/* "$corpus"/ 2>/dev/null || true
build/fuzz/fuzz/fuzz_service -max_total_time=30 -timeout=10 -print_final_stats=0 "$corpus" 2>build/fuzz/fuzz.log \
  || { tail -40 build/fuzz/fuzz.log; echo "fuzzer found a crash"; exit 1; }
grep -E "^Done|runs in" build/fuzz/fuzz.log | tail -1 || true

echo "All tests passed."
