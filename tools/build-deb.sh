#!/usr/bin/env bash
# Builds the Debian package parcelon_<version>_<arch>.deb into the top folder
# of the repository, from a build of its own (build-deb/) made with Debian's
# compiler flags (hardening included), without tests and benchmarks. The
# distribution's own tools build the same package from debian/
# (dpkg-buildpackage -b).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh package
# Every time in the archives is the last commit's (the changelog's outside a
# clone), so two builds of the same tree give the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -S Timestamp)
fi
export SOURCE_DATE_EPOCH
# Qt's resource compiler stores each file's time unless told this one.
export QT_RCC_SOURCE_DATE_OVERRIDE=$SOURCE_DATE_EPOCH
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# ccache with a base folder hands the compiler relative paths, which end up in
# the program (the office headers' file names): the same tree would then give
# another package with ccache than without.
unset CCACHE_BASEDIR
# CMake reads no CPPFLAGS: they go in with the compiler flags.
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
rm -f build-deb/CMakeCache.txt # the flags are read at the first configuration only
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
    -DPARCELON_BUILD_BENCHMARKS=OFF
cmake --build build-deb -j"$(nproc)"
rm -f build-deb/parcelon_*.deb
(cd build-deb && cpack -G DEB)
deb=$(basename build-deb/parcelon_*.deb)
rm -f parcelon_*.deb # an older build, perhaps of another version
mv "build-deb/$deb" .
echo "Built $deb"
