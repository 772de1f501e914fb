#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the app need, and
# only those that are missing (apt-get update runs only when needed).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache clang libclang-rt-14-dev
  libcurl4-openssl-dev nlohmann-json3-dev libsqlite3-dev libpugixml-dev
  libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev zlib1g-dev haproxy
  libprotobuf-dev protobuf-compiler libhowardhinnant-date-dev tzdata
  # The stand-in's configuration file (--config, --session) is TOML.
  libtomlplusplus-dev
  qt6-base-dev fonts-wqy-microhei
  python3-zeep wrk
  desktop-file-utils appstream
  # The catalogs of the app's texts: xgettext, msgfmt, msgcmp, msgmerge.
  gettext
  # The riders' journeys: a virtual X server, a private D-Bus session with
  # the accessibility bus, the screen reader's side of it, and key presses.
  xvfb dbus at-spi2-core python3-pyatspi xdotool
  # xvfb-run, which the accessibility benchmarks and the window on a virtual
  # display use, needs xauth.
  xauth
  # The Debian package: the stand-in's readiness for systemd, and the test that
  # checks the package (lintian) and runs its units under a user manager.
  libsystemd-dev lintian systemd curl
  # A clean Debian root for the package test to install the package into.
  debootstrap
  # ss, with which the scripts name what holds a port the stand-in needs.
  iproute2
  # libzip: the stand-in reads a GTFS zip in place, and its tests write zips.
  libzip-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages and not root: run as root, or: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
