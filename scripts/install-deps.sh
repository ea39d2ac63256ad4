#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and demo the reporter.
# Does nothing when everything is present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config git
    qt6-base-dev qt6-svg-dev qt6-base-dev-tools libqt6svg6 qt6-charts-dev libqt6opengl6-dev
    libarchive-dev zlib1g-dev libboost-dev
    libarchive-tools gzip tar pigz python3 libxml2-utils libxml2-dev
    dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    libqt6sql6-sqlite libqt6sql6-psql libgmime-3.0-dev postgresql-15 time
    libssl-dev openssl libcurl4-openssl-dev curl dovecot-imapd
    clang libclang-rt-14-dev
    xvfb xauth xdg-utils openbox xdotool x11-utils imagemagick
    shared-mime-info desktop-file-utils libfile-mimeinfo-perl
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
