#!/bin/sh
# Installs the build into a fresh prefix, then runs what was installed: the app
# through one script (a tab with images, a page) in Chinese and in English,
# and the stand-in on its data. The installed pages and data are edited
# first, so reading the source tree's copies instead fails; the English run
# reads the installed catalog. Usage: install_test.sh BUILD_DIR WORK_DIR
set -eu
build=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install test: $*" >&2; exit 1; }

share=$prefix/share
desktop-file-validate "$share/applications/org.busreal.App.desktop"
appstreamcli validate --no-net "$share/metainfo/org.busreal.App.metainfo.xml" >/dev/null
# Software centres tell riders without a pointer that the app is theirs too.
for control in keyboard pointing touch; do
    grep -q "<control>$control</control>" "$share/metainfo/org.busreal.App.metainfo.xml" || fail "no $control control"
done
for icon in 128x128/apps/org.busreal.App.png scalable/apps/org.busreal.App.svg; do
    [ -s "$share/icons/hicolor/$icon" ] || fail "no icon $icon"
done

sed -i 's/^实时公交 1.0 版$/实时公交 1.0 安装版/' "$share/busreal/pages/about.txt"
sed -i 's/^Live Bus 1.0$/Live Bus 1.0 installed/' "$share/busreal/pages/about.en.txt"
[ -s "$share/busreal/pages/agreement.en.txt" ] || fail "no English agreement page"
# Without 朔州 (17) in the installed data, the stand-in must serve 大同 (16) only.
rm "$share/busreal/standin/cities/shuozhou.json"
printf '%s\n' 'tap_text 更多' 'tap_text 关于我们' 'expect_text 实时公交 1.0 安装版' 'screenshot shot.png' >"$work/tour.txt"
printf '%s\n' 'tap_text More' 'tap_text About us' 'expect_text Live Bus 1.0 installed' >"$work/tour-en.txt"

# Runs the app and the stand-in found in folder $1 on the installed data.
run_installed() {
    bin=$1
    rm -f "$work/shot.png"
    # The written texts whatever the caller's locale; then English.
    (cd "$work" && LC_ALL=C.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen "$bin/busreal" --script tour.txt --container c) \
        2>"$work/app.err" || { cat "$work/app.err" >&2; fail "the app in $bin failed its script"; }
    (cd "$work" && LC_ALL= LANG=en_US.UTF-8 LANGUAGE=en QT_QPA_PLATFORM=offscreen "$bin/busreal" --script tour-en.txt \
        --container c-en) 2>"$work/app-en.err" ||
        { cat "$work/app-en.err" >&2; fail "the app in $bin failed in English"; }
    [ -s "$work/shot.png" ] || fail "no screenshot"
    if grep 'Could not load' "$work/app.err" >&2; then fail "the app in $bin misses images"; fi

    "$bin/busreal-standin" --any-ports --quiet >"$work/standin.out" 2>&1 &
    pid=$!
    i=0
    until grep -q '^ready' "$work/standin.out" || [ $i -ge 100 ]; do i=$((i + 1)); sleep 0.1; done
    kill -TERM $pid
    wait $pid || fail "the stand-in did not stop cleanly: $(cat "$work/standin.out")"
    grep -q '^city 16 大同 http://127.0.0.1:' "$work/standin.out" || fail "no 大同 in: $(cat "$work/standin.out")"
    if grep -q '^city 17 ' "$work/standin.out"; then fail "the stand-in in $bin read the source tree's data"; fi
}

run_installed "$prefix/bin"
# bin/ reached through a link: the programs' real folder has no share/ beside it.
mv "$prefix/bin" "$work/real-bin"
ln -s "$work/real-bin" "$prefix/bin"
run_installed "$prefix/bin"
