#!/usr/bin/env bash
# Installs the Debian packages Quillmark needs (only what is missing), then configures and
# builds one build tree.
#
#   scripts/setup.sh                 release build in build/ with the tests and benchmarks
#   scripts/setup.sh --program       only what the program needs: its packages, and in a new
#                                    build/ the program without tests and benchmarks
#   scripts/setup.sh --sanitize      tests with AddressSanitizer and UBSan in build-sanitize/
#   scripts/setup.sh --packages      only the packages, all of them
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

install_missing_packages() {
    local wanted=() missing=() pkg
    # With --program the lines marked [check] are left out.
    mapfile -t wanted < <(sed -e 's/#.*//' "$root/scripts/packages.txt" |
        awk -v program="$program" 'NF && !(program && $2 == "[check]") {print $1}')
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    ((${#missing[@]} == 0)) && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

sanitize=OFF
program=""
build="$root/build"
options=()
case ${1:-} in
--sanitize)
    sanitize=ON
    build="$root/build-sanitize"
    ;;
--program)
    program=1
    # A build folder set up before keeps its choices: the tests of a developer's tree stay.
    [[ -f $build/CMakeCache.txt ]] || options=(-DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF)
    ;;
esac

install_missing_packages
[[ ${1:-} == --packages ]] && exit 0

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQM_SANITIZE="$sanitize" "${options[@]}" >/dev/null
# Two jobs: the machines this is built on have two cores and the sanitizer builds are heavy.
cmake --build "$build" -j 2
