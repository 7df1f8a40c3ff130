#!/usr/bin/env bash
# Installs what is missing, builds Parcelon and runs every test (unit,
# LibreOffice integration and end-to-end under a virtual X server).
# With --package it then builds the Debian package, checks it with lintian,
# installs it (through sudo when not root), runs the end-to-end test against
# the installed program and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
"") package= ;;
--package) package=package ;;
*) echo "usage: $0 [--package]" >&2; exit 2 ;;
esac
tools/install-deps.sh test $package
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure
[ -n "$package" ] || exit 0

tools/build-deb.sh
deb=$(ls parcelon_*.deb)
lintian --fail-on error "$deb"
if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall "./$deb"
e2e=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash tests/e2e/desktop.sh /usr/bin/parcelon || e2e=$?
# Removed again either way; removing leaves none of its files and folders behind.
files=$(dpkg-query -L parcelon)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y parcelon
left=$(while read -r f; do
    [ -e "$f" ] && { [ ! -d "$f" ] || [[ $f == */parcelon ]]; } && echo "$f"
done <<<"$files" || true)
[ -z "$left" ] || { echo "left behind by apt remove: $left" >&2; exit 1; }
[ "$e2e" -eq 0 ] || { echo "the end-to-end test of the installed package failed" >&2; exit 1; }
echo "package: built, lint-clean, installed, end-to-end passed, removed cleanly"
