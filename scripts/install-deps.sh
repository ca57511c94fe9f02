#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building (and, with "test" or "bench", testing and
# benchmarking, with "package" packaging) Typeshelf needs.
# Run as root it installs what is missing; otherwise it names the command to run.
set -eu

# Qt's translation tools build the catalogues; Qt's own catalogues are loaded for the locale.
build_packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
libfontconfig-dev libfreetype-dev libharfbuzz-dev"
# A real X server, a window manager and the tools that drive and inspect real windows; the
# benchmarks make their font corpus with fontTools; the fuzzer needs clang and libFuzzer; the
# installed tree is checked with the validators desktops and software centres use; a headless
# weston and Qt's Wayland plugin run the program as a Wayland client; the URW fonts are symbol
# fonts in Type 1 files to draw samples in; FreeSerif holds several Indic scripts in one face;
# bitmap strikes, colour emoji (Noto Color Emoji: colour bitmap strikes) and a font collection
# are drawn beside Qt's drawing of them.
test_packages="xvfb xauth openbox xdotool wmctrl x11-utils xclip imagemagick fonts-dejavu-core
python3 python3-fonttools fontconfig fonts-urw-base35 fonts-freefont-ttf xfonts-base
fonts-noto-color-emoji fonts-wqy-microhei clang libclang-rt-dev desktop-file-utils appstream
weston qt6-wayland"

# What building the Debian package takes besides the build's own.
package_packages="dpkg-dev debhelper lintian fonts-dejavu-core python3"

packages=$build_packages
case "${1:-}" in
test | bench) packages="$packages $test_packages $package_packages" ;;
package) packages="$packages $package_packages" ;;
esac

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Typeshelf needs these Debian packages:$missing" >&2
    echo "Install them once with: sudo make deps (or: sudo apt-get install$missing)" >&2
    exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086 # the list is meant to split into words
apt-get install -y -qq --no-install-recommends $missing
