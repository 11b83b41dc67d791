#!/usr/bin/env bash
# Makes Quillmark's Debian package with CPack and checks it with lintian (any error fails).
#
#   scripts/package.sh                 sets up, builds a release in build-package/ (installed
#                                      under /usr, with Debian's hardening flags) and leaves
#                                      the .deb there
#   scripts/package.sh BUILD [OUT]     packages the built tree BUILD as it is, into OUT
#                                      (default BUILD/package); the package test does this
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if (($# == 0)); then
    "$root/scripts/setup.sh" --packages
    build="$root/build-package"
    out="$build"
    # Debian's compiler and linker flags, all its hardening included (fortified functions,
    # read-only relocations bound at start). CMake reads no CPPFLAGS: they go with CXXFLAGS.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    eval "$(dpkg-buildflags --export=sh)"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
        -DCMAKE_INSTALL_PREFIX=/usr -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" -j 2
else
    build=$(cd "$1" && pwd)
    out=${2:-$build/package}
fi

mkdir -p "$out"
rm -f "$out"/quillmark_*.deb
# CPack stages the installed tree under the output folder, so a package made from a test
# build leaves the build itself as it was.
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    exit 1
}
deb=$(ls "$out"/quillmark_*.deb)

if command -v lintian >/dev/null; then
    # lintian warns that it runs as root (as setup and CI do); its findings are what count.
    if ! lintian --fail-on error "$deb" 2> >(grep -v 'root privileges' >&2); then
        echo "lintian found errors in $deb"
        exit 1
    fi
fi
echo "$deb"
