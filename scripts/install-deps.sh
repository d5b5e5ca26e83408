#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests and the benchmarks
# need that is not installed yet. Safe to run again: it does nothing when all are present.
set -euo pipefail

build=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config python3 vorbis-tools
       libgtest-dev libgmock-dev googletest)
runtime=(libx11-dev libxext-dev libxtst-dev libgtk2.0-dev libgdk-pixbuf-2.0-dev
         libpango1.0-dev libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
         libasound2-dev libogg-dev libvorbis-dev
         libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
         gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
         libdbus-1-dev libdbus-glib-1-dev dbus fonts-dejavu-core fontconfig)
testing=(xvfb xauth x11-utils sox libsox-fmt-all util-linux)
bench=(libbenchmark-dev libssl-dev libexpat1-dev libpixman-1-dev libbox2d-dev libtasn1-6-dev libsqlite3-dev)

want=("${build[@]}" "${runtime[@]}" "${testing[@]}")
[ "${1:-}" = "--bench" ] && want+=("${bench[@]}")

missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
