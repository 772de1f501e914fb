#!/usr/bin/env bash
# Throughput and p99 latency of the stand-in's "realBus" on a 40-stop line,
# against the same cpp-httplib server returning a constant body of the same
# size. Loopback only; wrk with 2 threads, 32 connections, 10 seconds.
#
# Usage: bench/standin/run_wrk.sh BUILD_DIR [THREADS]
#   BUILD_DIR holds standin/busreal-standin and bench/standin/standin-constant-server.
#   THREADS: worker threads of both servers (default 32: one per wrk
#   connection, as a thread-per-connection server wants).
# Exits 1 when the stand-in reaches less than half the ceiling or any
# request fails.
set -euo pipefail

build=${1:?usage: run_wrk.sh BUILD_DIR [THREADS]}
threads=${2:-32}
here=$(cd "$(dirname "$0")" && pwd)
standin="$build/standin/busreal-standin"
constant="$build/bench/standin/standin-constant-server"
for f in "$standin" "$constant"; do [[ -x $f ]] || { echo "missing $f: build it first" >&2; exit 2; }; done
command -v wrk >/dev/null || { echo "wrk is not installed (apt-get install wrk)" >&2; exit 2; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# The stand-in serves Datong alone, with the clock frozen so that every reply
# is the same size; its log lines go to a file as they would in use.
city_port=$(free_port)
dir_port=$(free_port)
"$standin" --city="16:$city_port" --directory-port="$dir_port" --time=2024-05-06T12:00:00+08:00 --speed=0 \
    --threads="$threads" >"$work/standin.out" 2>"$work/standin.log" &
pids+=($!)
until grep -q '^ready' "$work/standin.out" 2>/dev/null; do
    kill -0 "${pids[0]}" 2>/dev/null || { cat "$work/standin.log" >&2; exit 1; }
    sleep 0.05
done
url="http://127.0.0.1:$city_port/realBus/CXFWebService/bus"

cat >"$work/request.xml" <<'XML'
<soapenv:Envelope xmlns:soapenv="http://schemas.xmlsoap.org/soap/envelope/" xmlns:ns1="http://service.realbus.transit/"><soapenv:Header/><soapenv:Body><ns1:realBus><gprsId>16009</gprsId><orderNo>20</orderNo><direction>0</direction></ns1:realBus></soapenv:Body></soapenv:Envelope>
XML
curl -sf -H 'Content-Type: text/xml;charset=UTF-8' --data-binary @"$work/request.xml" "$url" >"$work/reply.xml"
size=$(stat -c %s "$work/reply.xml")
grep -q '<return>\[' "$work/reply.xml" || { echo "unexpected reply: $(head -c 300 "$work/reply.xml")" >&2; exit 1; }

const_port=$(free_port)
"$constant" "$const_port" "$work/reply.xml" "$threads" >"$work/constant.out" &
pids+=($!)
until grep -q '^ready' "$work/constant.out" 2>/dev/null; do sleep 0.05; done

run() {  # name url -> prints wrk output to $work/name.txt
    BODY_FILE="$work/request.xml" wrk -t2 -c32 -d10s --latency -s "$here/post.lua" "$2" >"$work/$1.txt"
}
rps() { awk '/^Requests\/sec:/ {print $2}' "$work/$1.txt"; }
p99() { awk '$1 == "99%" {print $2}' "$work/$1.txt"; }
errors() {
    awk '/Non-2xx or 3xx responses:/ {n += $NF} /Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10} END {print n + 0}' "$work/$1.txt"
}

run standin "$url"
run constant "http://127.0.0.1:$const_port/realBus/CXFWebService/bus"

echo "realBus on a 40-stop line, reply $size bytes, $threads server threads"
echo "wrk -t2 -c32 -d10s --latency -s post.lua (POST, loopback)"
printf '%-10s %12s %10s %8s\n' server req/s p99 errors
printf '%-10s %12s %10s %8s\n' stand-in "$(rps standin)" "$(p99 standin)" "$(errors standin)"
printf '%-10s %12s %10s %8s\n' constant "$(rps constant)" "$(p99 constant)" "$(errors constant)"
ratio=$(awk -v a="$(rps standin)" -v b="$(rps constant)" 'BEGIN {printf "%.2f", a / b}')
echo "stand-in / constant: $ratio"
echo "log lines written by the stand-in: $(wc -l <"$work/standin.log")"

if [[ $(errors standin) != 0 || $(errors constant) != 0 ]]; then echo "FAIL: requests failed" >&2; exit 1; fi
if awk -v r="$ratio" 'BEGIN {exit !(r < 0.5)}'; then echo "FAIL: below half the ceiling" >&2; exit 1; fi
echo "OK"
