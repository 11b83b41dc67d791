#!/usr/bin/env bash
# Sets up, builds and starts Quillmark.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"

cat <<MSG

Quillmark is built in $root/build.
The program's window does not exist yet; what there is to run today:
  $root/scripts/test.sh                   every test (engine, archive, settings store)
  $root/build/bench/qm_bench              the benchmarks (settings reads, Code 39 drawing)
MSG
