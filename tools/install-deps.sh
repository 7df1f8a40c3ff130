#!/usr/bin/env bash
# Installs what Parcelon needs on Debian 12 and is not installed yet:
#   tools/install-deps.sh                 to build and run it
#   tools/install-deps.sh test            ... and to run the tests
#   tools/install-deps.sh test package    ... and to build and check the .deb
# With everything in place it runs no apt-get at all (works offline). Runs
# apt-get as root, through sudo when started by another user.
set -euo pipefail

wanted=(
    # build
    build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libpoppler-qt6-dev
    # a list laid out by two offices is joined into one PDF
    libqpdf-dev
    # the benchmark reads the screen through Xlib and clicks through XTest
    libx11-dev libxtst6
    # the document engine and its SDK (Draw is kept for older set-ups
    # that made the picture through its export); either
    # flavour of LibreOffice does, the first is installed when neither is
    "libreoffice-writer-nogui|libreoffice-writer" "libreoffice-draw-nogui|libreoffice-draw"
    # Calc reads address lists kept as spreadsheets (.xlsx, .xls, .ods)
    "libreoffice-calc-nogui|libreoffice-calc"
    libreoffice-dev fonts-liberation2
)
for group in "$@"; do
    case $group in
    test)
        wanted+=(
            # an X server with a window manager and real input, screenshots,
            # independent readers of the Word files
            xvfb xauth openbox xdotool x11-utils imagemagick antiword catdoc unzip procps poppler-utils
            # checkers of the desktop entry, the AppStream file and the manual page
            desktop-file-utils appstream man-db
            # the layout check of the sources
            clang-format
        ) ;;
    package)
        wanted+=(file lintian) ;;
    *)
        echo "usage: $0 [test] [package]" >&2
        exit 2 ;;
    esac
done

# One look at dpkg's database for every name; it fails on names it has never
# seen, which only means they are missing.
names=()
for want in "${wanted[@]}"; do
    IFS='|' read -r -a choices <<<"$want"
    names+=("${choices[@]}")
done
installed=" $({ dpkg-query -W -f='${Package}:${db:Status-Abbrev}\n' "${names[@]}" 2>/dev/null || true; } |
    sed -n 's/^\([^:]*\):ii.*/\1/p' | tr '\n' ' ') "

missing=()
for want in "${wanted[@]}"; do
    IFS='|' read -r -a choices <<<"$want"
    found=
    for choice in "${choices[@]}"; do
        [[ $installed == *" $choice "* ]] && found=1
    done
    [ -n "$found" ] || missing+=("${choices[0]}")
done
[ ${#missing[@]} -gt 0 ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    as_root=(sudo)
fi
echo "Installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
