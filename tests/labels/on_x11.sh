#!/usr/bin/env bash
# Runs a test program on a private X server, where the X11 selection clipboard exists.
# Exits 77 (skipped) only when no X server can be started here.
#   on_x11.sh PROGRAM ARGS...
set -uo pipefail
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: no X server to test on"; exit 77; }
export QT_QPA_PLATFORM=xcb
# The X keyboard library hands strndup names that are not terminated within the string (it
# passes their length); the sanitizers' strict string checks read past them and stop the run.
[[ -n ${ASAN_OPTIONS:-} ]] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
exec xvfb-run -a "$@"
