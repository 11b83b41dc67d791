#!/usr/bin/env bash
# Quillmark beside the other barcode programs, whole processes, paired and interleaved
# (qm_paired_runs: each round runs every command once, the order turning from round to round),
# medians and ratios to the first command of each line:
#   1. one Code 128 PNG at 300 dpi: quillmark, zint, and GNU barcode (which writes PostScript);
#   2. 1,000 symbols into 1,000 PNG files in one process: quillmark's run export and
#      zint --batch, the same data and the same folder each round;
#   3. a 1,000-character Code 128 with its text at 600 dpi, and at 2400 dpi with its peak memory;
#   4. the window program's start to its first painted frame (splash included, as it is the
#      first frame), against an earlier build when QM_BASELINE names its program.
# Lines 1 and 2 start every command on a settled file system (qm_paired_runs --settle): the
# peers leave their files unwritten when they end, and quillmark, which makes its files durable
# before it ends, would otherwise also write theirs out.
# Installs zint and barcode when missing (root). Usage: bench/peers.sh [BUILD] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-30}
quillmark=$build/bin/quillmark
paired=$build/bench/qm_paired_runs
for tool in zint barcode xvfb-run; do
    if ! command -v "$tool" >/dev/null; then
        package=$tool
        [[ $tool == xvfb-run ]] && package=xvfb
        apt-get install -y "$package" >/dev/null
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
mkdir -p "$work/q" "$work/z" "$work/b" "$work/qb" "$work/zb"

echo "== 1. one Code 128 PNG at 300 dpi (X = 10 mil: 3 pixels a module)"
"$quillmark" --export "$work/q/warm.png" --symbology "Code 128" --data SHEET-42 --dpi 300
"$paired" --settle "$rounds" \
    -- "$quillmark" --export "$work/q/one.png" --symbology "Code 128" --data SHEET-42 --dpi 300 \
    -- zint -b 20 --scale=1.5 -d SHEET-42 -o "$work/z/one.png" \
    -- barcode -e 128 -b SHEET-42 -o "$work/b/one.ps"

echo "== 2. 1,000 Code 128 symbols into 1,000 PNG files"
seq -f "ITEM-%05g" 1 1000 >"$work/items.txt"
"$paired" --settle "$((rounds / 3 + 1))" \
    -- "$quillmark" --export "$work/qb/{n}.png" --data-file "$work/items.txt" \
    --symbology "Code 128" --dpi 300 \
    -- zint --batch -b 20 --scale=1.5 -i "$work/items.txt" -o "$work/zb/~~~~~.png"
echo "   files: $(ls "$work/qb" | wc -l) and $(ls "$work/zb" | wc -l)"

echo "== 3. 1,000 characters of Code 128 with text"
long=$(head -c 1000 /dev/zero | tr '\0' 'A')
for dpi in 600 2400; do
    /usr/bin/time -f "   $dpi dpi: %e s, %M KB peak" \
        "$quillmark" --export "$work/q/long$dpi.png" --symbology "Code 128" --data "$long" \
        --dpi "$dpi"
    echo "   $(file -b "$work/q/long$dpi.png" | cut -d, -f1-2)"
done

echo "== 4. the window program's start to its first frame"
window=("$quillmark")
[[ -n ${QM_BASELINE:-} ]] && window=("$QM_BASELINE" -- "$quillmark")
xvfb-run -a env -u QT_QPA_PLATFORM LD_PRELOAD="$build/bench/libqm_first_paint.so" \
    "$paired" "$rounds" -- "${window[@]}"
