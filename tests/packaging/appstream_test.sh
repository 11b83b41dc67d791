#!/usr/bin/env bash
# The AppStream metadata validates as distributions validate it, the network allowed: an address
# in it that does not answer fails, as it fails there.
#   appstream_test.sh METAINFO
set -uo pipefail
command -v appstreamcli >/dev/null || { echo "SKIPPED: appstreamcli is not installed"; exit 77; }
appstreamcli validate "$1"
