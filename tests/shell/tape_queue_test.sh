#!/usr/bin/env bash
# Continuous tape through a real print queue: a PDF printer whose driver takes custom page sizes
# up to 1 m long, as a tape printer's does. `quillmark -p` prints a 62 mm tape label of a set
# length of 100 mm as one page of 62 x 100 mm, Brother's 62 mm tape cut to the symbol as one
# page 62 mm wide and shorter than that, and refuses 1.2 m of tape naming the driver's limit.
# Exits 77 (skipped) only when no print system is installed.
#   tape_queue_test.sh QUILLMARK
set -uo pipefail
quillmark=$1
queue=QuillmarkTape$$
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
unset DISPLAY WAYLAND_DISPLAY PRINTER LPDEST

# The PDF printer's driver with pages up to 1 m (2835 pt) long.
source_ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [[ -f $source_ppd ]]; then
    sed -e 's/^\*MaxMediaHeight: .*/*MaxMediaHeight: 2835/' \
        -e 's/^\*ParamCustomPageSize Height: .*/*ParamCustomPageSize Height: 2 points 36 2835/' \
        "$source_ppd" >"$work/tape.ppd"
fi
source "$(dirname "${BASH_SOURCE[0]}")/../support/pdf_queue.sh"
add_pdf_queue "$queue" "$work" "$work/tape.ppd"
outdir=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
mkdir -p "$outdir" "$XDG_CONFIG_HOME/Halvern"

# The print settings of a tape label of the user's own, LENGTH thousandths of a cm long.
tape_settings() {
    printf '[Print]\nUselabel=1\nFullPage=0\nLabelKind=2\nLabelWidth=6200\nLabelHeight=%s\n' "$1" \
        >"$XDG_CONFIG_HOME/Halvern/Quillmark.conf"
    printf 'HorzPitch=6200\nVertPitch=%s\nNumberAcross=1\nNumberDown=1\n' "$1" \
        >>"$XDG_CONFIG_HOME/Halvern/Quillmark.conf"
}

# Prints with the arguments given and prints the page count and size ("1 175.75 283.46") of the
# PDF the queue made.
print_pages() {
    local before pdf=""
    before=$(ls "$outdir" | wc -l)
    PRINTER=$queue "$quillmark" -p "$@" >"$work/print.log" 2>&1 || { cat "$work/print.log"; return 1; }
    for _ in $(seq 150); do
        [[ $(ls "$outdir" | wc -l) -gt $before ]] && pdf=$(ls -t "$outdir"/*.pdf | head -1) && break
        sleep 0.2
    done
    [[ -n $pdf ]] || { echo "the queue produced no PDF"; return 1; }
    sleep 0.5
    pdfinfo "$pdf" | awk '/^Pages:/ {n=$2} /^Page size:/ {w=$3; h=$5} END {print n, w, h}'
    rm -f "$pdf"
}

status=0
"$quillmark" --export "$work/tape.qmx" --symbology "Code 128" --data TAPE-62 || exit 1
tape_settings 10000
pages=$(print_pages "$work/tape.qmx") || { echo "FAIL: printing 100 mm of tape: $pages"; status=1; }
# 62 x 100 mm are 175.75 x 283.46 pt.
if awk -v p="$pages" 'BEGIN {split(p, a, " "); exit !(a[1] == 1 && a[2] > 174.5 && a[2] < 177 &&
                                                      a[3] > 282.2 && a[3] < 284.7)}'; then
    echo "ok: 62 mm tape of 100 mm is one page of 62 x 100 mm"
else
    echo "FAIL: 62 mm tape of 100 mm printed as pages, width, height: $pages"
    status=1
fi

pages=$(print_pages "$work/tape.qmx" --label Brother:DK-22205) ||
    { echo "FAIL: printing tape cut to the symbol: $pages"; status=1; }
if awk -v p="$pages" 'BEGIN {split(p, a, " "); exit !(a[1] == 1 && a[2] > 174.5 && a[2] < 177 &&
                                                      a[3] > 36 && a[3] < 150)}'; then
    echo "ok: 62 mm tape cut to the symbol is one page 62 mm wide, $pages"
else
    echo "FAIL: 62 mm tape cut to the symbol printed as pages, width, height: $pages"
    status=1
fi

tape_settings 120000
if PRINTER=$queue "$quillmark" -p "$work/tape.qmx" >"$work/long.log" 2>&1; then
    echo "FAIL: 1.2 m of tape was printed on a driver that takes 1 m"
    status=1
elif grep -q "the label is 1200 mm long, longer than the 1000 mm the printer's driver takes at most" \
    "$work/long.log"; then
    echo "ok: 1.2 m of tape is refused with the driver's limit"
else
    echo "FAIL: 1.2 m of tape refused with: $(cat "$work/long.log")"
    status=1
fi
exit $status
