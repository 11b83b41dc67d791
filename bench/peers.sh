#!/usr/bin/env bash
# Quillmark beside the other barcode programs, whole processes, paired and interleaved
# (qm_paired_runs: each round runs every command once, the order turning from round to round),
# medians and ratios to the first command of each line:
#   1. one Code 128 PNG at 300 dpi: quillmark, zint, and GNU barcode (which writes PostScript);
#   2. 1,000 symbols into 1,000 PNG files in one process: quillmark's run export and
#      zint --batch, the same data and the same folder each round;
#   3. a 1,000-character Code 128 with its text at 600 dpi, and at 2400 dpi with its peak memory;
#   4. the window program's start to its first painted frame (splash included, as it is the
#      first frame) beside zint-qt's, and against an earlier build when QM_BASELINE names its
#      program;
#   6. one QR Code and one Data Matrix PNG;
#   7. one SVG, one EPS (beside zint's) and one PDF (beside zint's SVG: no peer writes PDF);
#   8. 300 numbered labels on a 3 x 10 sheet (Avery 5160) into a PDF file;
#   9. 10,000 and 100,000 numbered labels into a PDF file, and into PNG files: time per label
#      and peak memory;
#   10. line 1 again, one export every 3 s, while another program writes large files to the same
#      file system (as a build, a copy or a backup does), and the same with --sync; last, as it
#      leaves the disk busy.
# Lines 1, 2, 6 and 7 start every command on a settled file system (qm_paired_runs --settle),
# so that no command pays for writing out what the one before it left unwritten. Every line
# ends with the load average, which says how busy the machine was.
# Installs zint, zint-qt and barcode when missing (root). Usage: bench/peers.sh [BUILD] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-30}
quillmark=$build/bin/quillmark
paired=$build/bench/qm_paired_runs
for tool in zint zint-qt barcode xvfb-run; do
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
window=("$quillmark" -- zint-qt)
[[ -n ${QM_BASELINE:-} ]] && window=("$quillmark" -- zint-qt -- "$QM_BASELINE")
xvfb-run -a env -u QT_QPA_PLATFORM LD_PRELOAD="$build/bench/libqm_first_paint.so" \
    "$paired" "$rounds" -- "${window[@]}"

echo "== 6. one QR Code and one Data Matrix PNG"
for s in "QR Code:58" "Data Matrix:71"; do
    "$quillmark" --export "$work/q/warm2d.png" --symbology "${s%%:*}" --data "HTTPS://EXAMPLE.COM/A1"
    "$paired" --settle "$rounds" \
        -- "$quillmark" --export "$work/q/2d.png" --symbology "${s%%:*}" \
        --data "HTTPS://EXAMPLE.COM/A1" \
        -- zint -b "${s##*:}" -d "HTTPS://EXAMPLE.COM/A1" -o "$work/z/2d.png"
done

echo "== 7. one SVG, one EPS and one PDF of a Code 128 symbol"
for e in svg:svg eps:eps pdf:svg; do
    "$quillmark" --export "$work/q/warm.${e%%:*}" --symbology "Code 128" --data SHEET-42
    "$paired" --settle "$rounds" \
        -- "$quillmark" --export "$work/q/one.${e%%:*}" --symbology "Code 128" --data SHEET-42 \
        -- zint -b 20 -d SHEET-42 -o "$work/z/one.${e##*:}"
done

echo "== 8. 300 numbered labels on a 3 x 10 sheet into a PDF file"
"$quillmark" --export "$work/tag.qmx" --symbology "Code 128" --height "0.5 inch"
"$paired" "$((rounds / 3 + 1))" \
    -- "$quillmark" --pdf "$work/q/run.pdf" "$work/tag.qmx" --label Avery:5160 --numbered 1:300
echo "   pages: $(grep -c '/Type /Page\b' "$work/q/run.pdf" 2>/dev/null || echo '?')"

echo "== 9. 10,000 and 100,000 numbered labels"
for n in 10000 100000; do
    /usr/bin/time -f "   PDF, $n labels: %e s, %M KB peak" \
        "$quillmark" --pdf "$work/q/many.pdf" "$work/tag.qmx" --label Avery:5160 --numbered "1:$n"
    rm -rf "$work/qm"
    /usr/bin/time -f "   PNG files, $n labels: %e s, %M KB peak" \
        "$quillmark" --export "$work/qm/{n}.png" --numbered "1:$n" --symbology "Code 128" --dpi 300
done

echo "== 10. one Code 128 PNG every 3 s while another program writes large files"
mkdir -p "$work/big" "$work/qs"
# The other program: 1 GiB files one after another, each removed when the next is written, as
# a copy or a backup leaves gigabytes of data waiting for the disk.
(
    i=0
    while :; do
        dd if=/dev/zero of="$work/big/$((i % 2))" bs=4M count=256 status=none 2>/dev/null || exit 0
        i=$((i + 1))
    done
) &
writer=$!
# What waits for the disk, once a second while the exports run.
(while :; do awk '/^Dirty:/ {print int($2 / 1024)}' /proc/meminfo; sleep 1; done >"$work/dirty") &
sampler=$!
sleep 3
"$paired" --every 3 "$((rounds / 3 + 2))" \
    -- "$quillmark" --export "$work/q/busy.png" --symbology "Code 128" --data SHEET-42 --dpi 300 \
    -- zint -b 20 --scale=1.5 -d SHEET-42 -o "$work/z/busy.png" \
    -- "$quillmark" --export "$work/qs/busy.png" --symbology "Code 128" --data SHEET-42 \
    --dpi 300 --sync
kill $(pgrep -P "$writer") "$writer" "$sampler" 2>/dev/null
wait "$writer" "$sampler" 2>/dev/null || true
echo "   other programs' data waiting for the disk meanwhile: $(sort -n "$work/dirty" |
    awk '{v[NR] = $1} END {print v[1] " to " v[NR] " MB, median " v[int((NR + 1) / 2)] " MB"}')"
rm -rf "$work/big"
sync

uptime
