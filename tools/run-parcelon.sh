#!/usr/bin/env bash
# Installs what is missing, builds Parcelon and starts it (arguments go to
# the program, e.g. --help).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# Configure again only when packages were installed since the last time (the
# build re-runs CMake by itself when a CMakeLists.txt changes).
stamp=build/.configured-after-packages
if [ ! "$stamp" -nt /var/lib/dpkg/status ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    touch "$stamp"
fi
cmake --build build -j"$(nproc)"
exec build/bin/parcelon "$@"
