#!/bin/sh
# Builds the Debian package of a build folder and checks it as a rider's
# machine would meet it:
#  - lintian finds no error and no warning;
#  - its Depends name installed packages, and every program it holds finds
#    every library it links (dpkg -x, then ldd);
#  - apt-get installs it into a clean Debian root, where the installed app's
#    tour runs against the installed stand-in;
#  - with the package laid over /usr in a private mount and network namespace
#    (nothing of this machine changes),
#    a systemd user manager of its own verifies the units; with a
#    standin.conf naming a zipped city on free ports and a realtime source
#    keyed from a file, `systemctl --user enable --now busreal-standin`
#    returns only once the stand-in says READY=1, the installed app's English
#    tour runs on that city, the key never shows in the log, and the stop is
#    clean;
#  - the packaged balancer starts two copies and HAProxy from the same
#    configuration file, and its addresses keep answering while one copy
#    stops.
# Every service listens on ports the test finds free.
# Usage: deb_test.sh BUILD_DIR WORK_DIR SOURCE_DIR
# Needs root (namespaces, mounts); exits 77 (skipped) without it.
set -eu
build=$1 work=$2 source=$3
fail() { echo "package test: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "package test: needs root for its namespaces; skipped"; exit 77; }

rm -rf "$work" && mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/pkg/busreal_*.deb)
echo "built $(basename "$deb")"

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian found errors or warnings"; }

# Every package the control file depends on is one this machine has, found by
# dpkg-shlibdeps from the programs' libraries.
depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "the package depends on nothing"
echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | while read -r dep; do
    dpkg-query -W -f='${Status}\n' "$dep" 2>/dev/null | grep -q "install ok installed" ||
        fail "Depends names $dep, which is not installed here"
done
for lib in libqt6widgets6 libsqlite3-0 libcurl4 libsystemd0; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done

root=$work/root
dpkg -x "$deb" "$root"
for program in "$root/usr/bin/busreal" "$root/usr/bin/busreal-standin"; do
    [ -x "$program" ] || fail "no $program"
    if ldd "$program" | grep 'not found' >&2; then fail "$program misses libraries"; fi
done
for file in lib/systemd/user/busreal-standin.service share/applications/org.busreal.App.desktop \
    share/metainfo/org.busreal.App.metainfo.xml share/icons/hicolor/scalable/apps/org.busreal.App.svg \
    share/locale/en/LC_MESSAGES/busreal.mo share/busreal/standin/cities/datong.json \
    share/man/man1/busreal-standin.1.gz share/doc/busreal/copyright; do
    [ -s "$root/usr/$file" ] || fail "the package has no /usr/$file"
done

cp "$source/app/demo/tour.txt" "$work/tour.txt"

# A clean Debian 12 (debootstrap's minimal base), the package installed with
# apt-get as a rider installs it, and the installed tour against the
# installed stand-in there. Only a mirror this machine cannot reach at all
# skips it; any fault once the base is fetched fails the test.
mirror=http://deb.debian.org/debian
if curl -fsS -m 20 -o /dev/null "$mirror/dists/bookworm/InRelease"; then
    clean=$work/clean
    debootstrap --variant=minbase bookworm "$clean" "$mirror" >"$work/debootstrap.log" 2>&1 ||
        { tail -20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
    cp "$deb" "$work/tour.txt" "$clean/tmp/"
    printf '%s\n' 'set -eu' 'export DEBIAN_FRONTEND=noninteractive' 'apt-get update -qq' \
        "apt-get install -y -qq /tmp/$(basename "$deb")" >"$clean/tmp/install.sh"
    unshare -m --propagation private sh -c "mount -t proc proc '$clean/proc' && chroot '$clean' sh /tmp/install.sh" \
        >"$work/apt.log" 2>&1 ||
        { tail -20 "$work/apt.log" >&2; fail "apt-get could not install the package into a clean Debian root"; }
    cp "$source/tests/install/choose_city.sh" "$clean/tmp/"
    cat >"$clean/tmp/clean.sh" <<'CLEAN'
set -eu
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
. /tmp/choose_city.sh
mkdir -p /tmp/tour && cd /tmp/tour
busreal-standin --any-ports --quiet >/tmp/standin.out 2>&1 &
standin=$!
trap 'kill -TERM $standin 2>/dev/null || true' EXIT
i=0
until grep -q '^ready' /tmp/standin.out || [ $i -ge 100 ]; do i=$((i + 1)); sleep 0.1; done
choose_city /tmp/tour/container /tmp/standin.out 16 大同
busreal --directory "$(directory_of /tmp/standin.out)" --script /tmp/tour.txt --container /tmp/tour/container \
    >/tmp/tour.log 2>&1 || { tail -20 /tmp/tour.log; exit 1; }
kill -TERM $standin
wait $standin
ls /tmp/tour/*.png | wc -l
CLEAN
    shots=$(unshare -mn --propagation private sh -c "ip link set lo up && mount -t proc proc '$clean/proc' &&
        chroot '$clean' sh /tmp/clean.sh") || fail "in a clean Debian root: $shots"
    [ "$shots" -ge 15 ] || fail "the tour in the clean root kept $shots screenshots"
    echo "apt-get installed the package into a clean Debian root; its tour kept $shots screenshots"
    rm -rf "$clean"
else
    echo "skipped the clean root: $mirror cannot be reached"
fi

mkdir -p "$work/home/.config/busreal" "$work/tour"
# The manager's sockets live here: short, as a socket's path must be.
runtime=$(mktemp -d /tmp/busreal-run.XXXXXX)
trap 'rm -rf "$runtime"' EXIT
# A city's feed as published, zipped in a folder of its own, and its key.
(cd "$source/tests/app" && /usr/bin/python3 -c 'import sys, zipfile, pathlib
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for f in sorted(pathlib.Path("feed-en").glob("*.txt")): z.write(f, "harbourton-gtfs/" + f.name)' \
    "$work/home/.config/busreal/harbourton.zip")
# No journal runs here: the test keeps the unit's log in a file of its own.
mkdir -p "$work/home/.config/systemd/user/busreal-standin.service.d"
printf '[Service]\nStandardOutput=append:%s\nStandardError=append:%s\n' "$work/standin.log" "$work/standin.log" \
    >"$work/home/.config/systemd/user/busreal-standin.service.d/log.conf"
cp "$source/app/demo/tour-en.txt" "$source/tests/install/choose_city.sh" "$work/"
od -An -N12 -tx1 /dev/urandom | tr -d ' \n' >"$work/home/.config/busreal/harbourton.key"
cat >"$work/inside.sh" <<'INSIDE'
set -eu
work=$1 runtime=$2
fail() { echo "package test: $*" >&2; exit 1; }
ip link set lo up
mount -t overlay overlay -o "lowerdir=$work/root/usr:/usr" /usr
# A user manager runs only where the system looks booted with systemd; a
# /run of the namespace's own says so without touching the machine's.
mount -t tmpfs tmpfs /run
mkdir -p /run/systemd/system
export HOME=$work/home XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$work/home/.config
unset DBUS_SESSION_BUS_ADDRESS
/lib/systemd/systemd --user --log-target=console >"$work/manager.log" 2>&1 &
manager=$!
trap 'kill $manager 2>/dev/null || true' EXIT
i=0
until systemctl --user is-system-running >/dev/null 2>&1 || [ $i -ge 300 ]; do i=$((i + 1)); sleep 0.1; done
state=$(systemctl --user is-system-running 2>&1 || true)
case $state in running | degraded) ;; *) fail "the user manager is $state: $(cat "$work/manager.log")" ;; esac

systemd-analyze --user verify busreal-standin.service busreal-balancer.service busreal-standin@127.0.0.2.service \
    >"$work/verify.log" 2>&1 || { cat "$work/verify.log" >&2; fail "systemd-analyze verify found faults"; }
[ ! -s "$work/verify.log" ] || { cat "$work/verify.log" >&2; fail "systemd-analyze verify warned"; }

show() { systemctl --user show -P "$2" "$1"; }
. "$work/choose_city.sh"
# Two free ports side by side: the directory's and the rider's city's.
first=$(/usr/bin/python3 -c 'import socket
while True:
    a, b = socket.socket(), socket.socket()
    a.bind(("127.0.0.1", 0))
    try:
        b.bind(("127.0.0.1", a.getsockname()[1] + 1))
    except OSError:
        continue
    print(a.getsockname()[1]); break')
second=$((first + 1))

# The rider's own city: its GTFS zip as published and a realtime source whose
# key is read from a file (its address refuses every connection), in the
# configuration file the unit reads.
key=$(cat "$work/home/.config/busreal/harbourton.key")
refused=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/home/.config/busreal/standin.conf" <<CONF
directory-port = $first
bundled = false
[[city]]
feed = "harbourton.zip"
id = 90
name = "Harbourton"
port = $second
poll = 1
[[city.realtime]]
url = "http://127.0.0.1:$refused/vehicles.pb?api_key={file:harbourton.key}"
headers = { "x-api-key" = "{file:harbourton.key}" }
CONF

# What a rider types. Type=notify: it returns once the stand-in said READY=1,
# or fails.
systemctl --user enable --now busreal-standin 2>"$work/enable.log" ||
    fail "the unit did not start: $(cat "$work/enable.log"; systemctl --user status busreal-standin)"
[ "$(systemctl --user is-enabled busreal-standin)" = enabled ] || fail "busreal-standin was not enabled"
[ "$(show busreal-standin ActiveState)" = active ] || fail "busreal-standin is $(show busreal-standin ActiveState)"
status=$(show busreal-standin StatusText)
echo "busreal-standin: $status"
case $status in "serving 1 city, directory http://127.0.0.1:$first/"*) ;; *) fail "status text: $status" ;; esac

# The installed app's English tour on that city.
choose_city "$work/tour/container" "$work/standin.log" 90 Harbourton
(cd "$work/tour" && LC_ALL= LANG=en_US.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen /usr/bin/busreal \
    --directory "$(directory_of "$work/standin.log")" --script "$work/tour-en.txt" --container "$work/tour/container") \
    >"$work/tour.log" 2>&1 || { tail -30 "$work/tour.log" >&2; fail "the installed app's tour failed against the unit"; }
shots=$(ls "$work/tour"/*.png | wc -l)
[ "$shots" -ge 15 ] || fail "the tour kept $shots screenshots"
echo "the installed English tour ran on the zipped city the unit serves: $shots screenshots"

i=0
until grep -q 'api_key=\*\*\*' "$work/standin.log" || [ $i -ge 100 ]; do i=$((i + 1)); sleep 0.1; done
grep -q 'api_key=\*\*\*' "$work/standin.log" || fail "no log line names the realtime source"
if grep -F "$key" "$work/standin.log" >&2; then fail "the session's log holds the realtime key"; fi
echo "its log shows the realtime key as ***"

pid=$(show busreal-standin MainPID)
systemctl --user disable --now busreal-standin 2>/dev/null
[ "$(show busreal-standin Result)" = success ] || fail "the stop ended as $(show busreal-standin Result)"
[ "$(show busreal-standin ExecMainStatus)" = 0 ] || fail "the stand-in exited $(show busreal-standin ExecMainStatus)"
! kill -0 "$pid" 2>/dev/null || fail "the stand-in ($pid) still runs"

# Two copies behind HAProxy, from the same configuration file; HAProxy takes
# its ports from the environment.
if [ -x /usr/sbin/haproxy ]; then
    systemctl --user set-environment "BUSREAL_PORTS=$first-$second" "BUSREAL_CHECK_PORT=$first"
    systemctl --user start busreal-balancer || fail "the balancer did not start: $(systemctl --user status busreal-balancer)"
    for copy in 127.0.0.2 127.0.0.3; do
        [ "$(show "busreal-standin@$copy" ActiveState)" = active ] || fail "the copy on $copy is not running"
    done
    wsdl() { curl -fsS -m 5 -o /dev/null "http://127.0.0.1:$1/$2?wsdl"; }
    ask() {
        i=0
        until wsdl "$first" ozkbus/CXFWebService/Bus && wsdl "$second" realBus/CXFWebService/bus; do
            i=$((i + 1)); [ $i -lt 50 ] || fail "the balancer does not answer $1"; sleep 0.2
        done
    }
    ask "with both copies"
    directory=$(curl -fsS -m 5 -H 'Content-Type: text/xml;charset=UTF-8' "http://127.0.0.1:$first/ozkbus/CXFWebService/Bus" \
        -d '<e:Envelope xmlns:e="http://schemas.xmlsoap.org/soap/envelope/" xmlns:d="http://service.ozkbus.transit/"><e:Body><d:queryCity/></e:Body></e:Envelope>')
    echo "$directory" | grep -q "127.0.0.1:$second" || fail "the directory does not send riders to the balancer: $directory"
    systemctl --user stop busreal-standin@127.0.0.2
    ask "with one copy stopped"
    echo "the balancer answered with both copies and with one"
    systemctl --user stop busreal-balancer busreal-standin@127.0.0.3
fi
INSIDE
unshare -mn --propagation private sh "$work/inside.sh" "$work" "$runtime"
