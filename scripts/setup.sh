#!/usr/bin/env bash
# Installs every Debian package Quillmark needs (only what is missing), then configures and
# builds one build tree.
#
#   scripts/setup.sh                 release build in build/
#   scripts/setup.sh --sanitize      tests with AddressSanitizer and UBSan in build-sanitize/
#   scripts/setup.sh --packages      only the packages
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

install_missing_packages() {
    local wanted=() missing=() pkg
    mapfile -t wanted < <(sed -e 's/#.*//' "$root/scripts/packages.txt" | awk 'NF {print $1}')
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
build="$root/build"
if [[ ${1:-} == --sanitize ]]; then
    sanitize=ON
    build="$root/build-sanitize"
fi

install_missing_packages
[[ ${1:-} == --packages ]] && exit 0

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQM_SANITIZE="$sanitize" >/dev/null
# Two jobs: the machines this is built on have two cores and the sanitizer builds are heavy.
cmake --build "$build" -j 2
