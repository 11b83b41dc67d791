#!/usr/bin/env bash
# Runs a test program on a private X server, where the X11 selection clipboard exists.
# Exits 77 (skipped) only when no X server can be started here.
#   on_x11.sh PROGRAM ARGS...
set -uo pipefail
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: no X server to test on"; exit 77; }
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a "$@"
