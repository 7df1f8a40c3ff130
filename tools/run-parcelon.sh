#!/usr/bin/env bash
# Installs what is missing, builds Parcelon and starts it (arguments go to
# the program, e.g. --help).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# Configure only when packages were installed or a CMakeLists.txt changed
# since the last time.
stamp=build/.configured
if [ ! "$stamp" -nt /var/lib/dpkg/status ] ||
    [ -n "$(find . -path './build*' -prune -o -name CMakeLists.txt -newer "$stamp" -print -quit)" ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    touch "$stamp"
fi
cmake --build build -j"$(nproc)" --target parcelon_program
exec build/bin/parcelon "$@"
