#!/usr/bin/env bash
# Installs what is missing, builds Parcelon and runs every test (unit,
# LibreOffice integration and end-to-end under a virtual X server).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure
