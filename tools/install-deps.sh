#!/usr/bin/env bash
# Installs everything Parcelon needs to build, run and test on Debian 12.
# Runs apt-get as root, through sudo when started by another user.
set -euo pipefail

packages=(
    # build
    build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev
    # printing from the preview renders the sheet's PDF with poppler
    pkg-config libpoppler-qt6-dev
    # the document engine and its SDK (the PNG export needs Draw)
    libreoffice-writer-nogui libreoffice-draw-nogui libreoffice-dev fonts-liberation2
    # tests: an X server with a window manager and real input, screenshots,
    # independent readers of the Word files
    xvfb xauth openbox xdotool x11-utils imagemagick antiword catdoc unzip procps
)

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y "${packages[@]}"
