#!/usr/bin/env bash
# Sets up, builds and starts Quillmark: only the packages and the build the program itself
# needs (scripts/test.sh adds the rest). Arguments go to the program (a file to open, say).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" --program

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "Quillmark is built in $root/build, but there is no display to show its window on."
    echo "Start it from a desktop session: $root/build/bin/quillmark"
    exit 1
fi
exec "$root/build/bin/quillmark" "$@"
