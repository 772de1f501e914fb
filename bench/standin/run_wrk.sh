#!/usr/bin/env bash
# Throughput and p99 latency of the stand-in's "realBus", against a
# cpp-httplib server returning a constant body of the same size (the
# yardstick, ConstantServer.cpp). Loopback only; wrk with 2 threads, 32
# connections, 10 seconds. By default on the bundled 40-stop line; given a
# GTFS feed folder, on a line of that feed.
#
# Usage: bench/standin/run_wrk.sh BUILD_DIR [THREADS] [FEED_DIR LINE TIME]
#   BUILD_DIR holds standin/busreal-standin and bench/standin/standin-constant-server.
#   THREADS: the constant server's threads (default 32: one per wrk
#   connection, as a thread-per-connection server wants). The stand-in runs
#   with its own default, its connections served by an event loop.
#   FEED_DIR LINE TIME: a GTFS feed folder (make_city_feed.py writes one),
#   the line's name and the clock's time with its UTC offset, as in
#   /tmp/city-feed M15 2026-09-09T08:00:00-04:00; the rider waits mid-line.
# Exits 1 when the stand-in reaches less than half the ceiling or any
# request fails, and on a feed also when its p99 is 5 ms or more.
set -euo pipefail

build=${1:?usage: run_wrk.sh BUILD_DIR [THREADS] [FEED_DIR LINE TIME]}
threads=${2:-32}
feed=${3:-}
line_name=${4:-}
feed_time=${5:-}
if [[ -n $feed && ( -z $line_name || -z $feed_time ) ]]; then echo "a feed needs its LINE and TIME" >&2; exit 2; fi
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

# The stand-in serves one city alone, with the clock frozen so that every
# reply is the same size; its log lines go to a file as they would in use.
city_port=$(free_port)
dir_port=$(free_port)
if [[ -n $feed ]]; then
    city=(--no-bundled "--gtfs=$feed,id=90,port=$city_port,utc=${feed_time: -6}")
    time_arg=$feed_time
else
    city=("--city=16:$city_port")
    time_arg=2024-05-06T12:00:00+08:00
fi
"$standin" "${city[@]}" --directory-port="$dir_port" --time="$time_arg" --speed=0 \
    >"$work/standin.out" 2>"$work/standin.log" &
pids+=($!)
until grep -q '^ready' "$work/standin.out" 2>/dev/null; do
    kill -0 "${pids[0]}" 2>/dev/null || { cat "$work/standin.log" >&2; exit 1; }
    sleep 0.05
done
url="http://127.0.0.1:$city_port/realBus/CXFWebService/bus"

envelope() {  # operation, parameters as XML
    echo "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"http://service.realbus.transit/\"><soapenv:Header/><soapenv:Body><ns1:$1>$2</ns1:$1></soapenv:Body></soapenv:Envelope>"
}
call() {  # operation, parameters -> the JSON of <return>
    curl -sf -H 'Content-Type: text/xml;charset=UTF-8' --data-binary "$(envelope "$1" "$2")" "$url" |
        /usr/bin/python3 -c 'import sys, html, re; print(html.unescape(re.search(r"<return>(.*)</return>", sys.stdin.read(), re.S).group(1)))'
}

gprs=16009
order=20
description="a 40-stop line"
if [[ -n $feed ]]; then
    # The named line's outbound direction, the rider at its middle stop.
    read -r gprs order stops < <(
        line_id=$(call queryKeyword "<keyword>$line_name</keyword>" | /usr/bin/python3 -c '
import json, sys
hits = [h for h in json.load(sys.stdin) if h["attribute"] == 0 and h["lineName"] == sys.argv[1]]
print(hits[0]["lineId"] if hits else "")' "$line_name")
        [[ -n $line_id ]] || { echo "no line $line_name in the feed" >&2; exit 1; }
        call queryLine "<direction>0</direction><lineId>$line_id</lineId>" | /usr/bin/python3 -c '
import json, sys
line = json.load(sys.stdin)
n = len(line["stations"])
print(line["gprsId"], (n + 1) // 2, n)')
    [[ -n $gprs ]] || exit 1
    description="line $line_name of $(basename "$feed") ($stops stops) at $feed_time"
fi

envelope realBus "<gprsId>$gprs</gprsId><orderNo>$order</orderNo><direction>0</direction>" >"$work/request.xml"
curl -sf -H 'Content-Type: text/xml;charset=UTF-8' --data-binary @"$work/request.xml" "$url" >"$work/reply.xml"
size=$(stat -c %s "$work/reply.xml")
grep -q '<return>\[' "$work/reply.xml" || { echo "unexpected reply: $(head -c 300 "$work/reply.xml")" >&2; exit 1; }
vehicles=$(grep -o 'licensePlate' "$work/reply.xml" | wc -l)

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

echo "realBus on $description: $vehicles vehicles, reply $size bytes, $threads constant server threads"
echo "wrk -t2 -c32 -d10s --latency -s post.lua (POST, loopback)"
printf '%-10s %12s %10s %8s\n' server req/s p99 errors
printf '%-10s %12s %10s %8s\n' stand-in "$(rps standin)" "$(p99 standin)" "$(errors standin)"
printf '%-10s %12s %10s %8s\n' constant "$(rps constant)" "$(p99 constant)" "$(errors constant)"
ratio=$(awk -v a="$(rps standin)" -v b="$(rps constant)" 'BEGIN {printf "%.2f", a / b}')
echo "stand-in / constant: $ratio"
echo "log lines written by the stand-in: $(wc -l <"$work/standin.log")"

if [[ $(errors standin) != 0 || $(errors constant) != 0 ]]; then echo "FAIL: requests failed" >&2; exit 1; fi
# wrk writes p99 as 1.23ms, 812.00us or 1.02s.
p99_ms=$(p99 standin | awk '/us$/ {print $1 / 1000; next} /ms$/ {print $1 + 0; next} /s$/ {print $1 * 1000}')
if [[ -n $feed ]] && awk -v p="$p99_ms" 'BEGIN {exit !(p >= 5)}'; then echo "FAIL: p99 $p99_ms ms, not under 5 ms" >&2; exit 1; fi
if awk -v r="$ratio" 'BEGIN {exit !(r < 0.5)}'; then echo "FAIL: below half the ceiling" >&2; exit 1; fi
echo "OK"
