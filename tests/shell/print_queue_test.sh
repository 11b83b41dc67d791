#!/usr/bin/env bash
# End to end through a real print queue: a PDF printer on the local print scheduler, then
# `quillmark -p FILE` and `quillmark -pt FILE PRINTER DRIVER PORT`, each checked by the PDF the
# queue produced, and a numbered run of labels on the queue's stored calibration, checked label
# by label by the shell tests' reader. Exits 77 (skipped) only when no print system is installed.
#   print_queue_test.sh QUILLMARK SHELL_TESTS
set -uo pipefail
quillmark=$1
shell_tests=$2
queue=QuillmarkTest$$
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0

source "$(dirname "${BASH_SOURCE[0]}")/../support/pdf_queue.sh"
add_pdf_queue "$queue" "$work"

# The PDF printer writes into the job owner's PDF folder.
outdir=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
mkdir -p "$outdir"

# A document: EAN-13 5901234123457.
"$quillmark" --export "$work/ean.qmx" --symbology "EAN 13" --data 590123412345 || exit 1
# Printing needs no display.
unset DISPLAY WAYLAND_DISPLAY

check() { # how, args...
    local how=$1; shift
    print_page "$how" "$@" || return 1
    # The symbol is in the middle of the page: black pixels there, none at the corners.
    local middle corner
    middle=$(convert "$work/page.png" -gravity center -crop 20%x10%+0+0 -threshold 50% -format '%[fx:mean]' info:)
    corner=$(convert "$work/page.png" -gravity northwest -crop 20%x10%+0+0 -threshold 50% -format '%[fx:mean]' info:)
    awk -v m="$middle" -v c="$corner" 'BEGIN { exit !(m < 0.9 && c == 1) }' ||
        { echo "FAIL: $how: no symbol in the middle of the page (middle $middle, corner $corner)"; return 1; }
    echo "ok: $how printed through $queue"
}

# Prints FILE through the queue and leaves the page rasterised at 300 dpi in $work/page.png.
print_page() { # how, args...
    local how=$1; shift
    print_and_read "$outdir" 300 png "$how" "$quillmark" "$@"
}

# The settings of a 3 × 10 sheet of 2.625 × 1 inch labels with the side margin given (thousandths
# of a centimetre) and any further lines; restore_settings puts back what was there before.
sheet_settings() { # side margin, further lines...
    config=$XDG_CONFIG_HOME/Halvern/Quillmark.conf saved=""
    mkdir -p "$(dirname "$config")"
    [[ -f $config ]] && saved=$(cat "$config")
    cat >"$config" <<CONF
[Print]
UseLabel=1
FullPage=0
LabelWidth=6668
LabelHeight=2540
HorzPitch=6985
VertPitch=2540
TopMargin=1270
SideMargin=$1
NumberAcross=3
NumberDown=10
CONF
    shift
    [[ $# -eq 0 ]] || printf '%s\n' "$@" >>"$config"
}
restore_settings() {
    if [[ -n $saved ]]; then printf '%s\n' "$saved" >"$config"; else rm -f "$config"; fi
}

# Every symbology on a 3 × 10 sheet of 2.625 × 1 inch labels: each symbol's marks centred on
# its label within 0.25 mm (3 pixels at 300 dpi) across and down.
label_sheet() {
    sheet_settings 483
    local ok=0 sym data
    while IFS='|' read -r sym data; do
        "$quillmark" --export "$work/sheet.qmx" --symbology "$sym" --data "$data" || return 1
        print_page "$sym on a label sheet" -p "$work/sheet.qmx" || { ok=1; continue; }
        local worst
        worst=$(
            for r in 0 4 9; do
                for c in 0 1 2; do
                    # The label's rectangle and centre in pixels (thousandths of a cm at 300 dpi).
                    awk -v r=$r -v c=$c 'BEGIN {
                        k = 300 / 2540
                        x0 = (483 + c * 6985) * k; y0 = (1270 + r * 2540) * k
                        printf "%d %d %d %d %.2f %.2f\n", 6668 * k - 4, 2540 * k - 4, x0 + 2, y0 + 2,
                               x0 + 6668 * k / 2, y0 + 2540 * k / 2 }'
                done
            done | while read -r w h x y cx cy; do
                box=$(convert "$work/page.png" -crop "${w}x${h}+${x}+${y}" -threshold 50% \
                      -format '%@' info:)
                awk -v box="$box" -v x=$x -v y=$y -v cx=$cx -v cy=$cy 'BEGIN {
                    split(box, a, /[x+]/)
                    dx = x + a[3] + a[1] / 2 - cx; dy = y + a[4] + a[2] / 2 - cy
                    if (dx < 0) dx = -dx; if (dy < 0) dy = -dy
                    print (dx > dy ? dx : dy) }'
            done | sort -n | tail -1
        )
        if awk -v w="$worst" 'BEGIN { exit !(w <= 3) }'; then
            echo "ok: $sym centred on its labels (worst $worst px)"
        else
            echo "FAIL: $sym off its labels' centres by $worst px"
            ok=1
        fi
    done <<'LIST'
Code 39|SHEET-42
Code 39 Mod 43|SHEET-42
Code 39 Extended|Sheet-42
Code 93|Sheet-42
Code 128|SHEET-42
Interleaved 2 of 5|20261210
UPC-A|03600029145
UPC-E|425261
EAN 13|590123412345
EAN 8|9638507
Postnet|12345
LIST
    restore_settings
    return $ok
}

# Labels 37 to 336 of a numbered run from the fifth label of a used 3 × 10 sheet, on a printer
# whose stored calibration moves everything 1 mm right and half a millimetre up and narrows each
# bar by one of its dots: 11 pages, every label read back with its own number where the offset puts it,
# the four used labels blank.
label_run() {
    sheet_settings 476 "[Printer $queue]" OffsetAcross=100 OffsetDown=-50 BarWidthReduction=1
    local ok=0
    local document=$work/numbered-run-$$.qmx
    "$quillmark" --export "$document" --symbology "Code 39" --height 0.4in || return 1
    if print_pdf "numbered run" "$document" --numbered 37:336 --prefix N --digits 4 --start 5; then
        if QM_RUN_PDF=$work/run.pdf QM_RUN_NUMBERS=37:300:N:4 QM_RUN_START=4 \
            QM_RUN_OFFSET=1,-0.5 QM_RUN_QUEUE=$queue "$shell_tests" --gtest_filter=PrintedRun.* \
            >"$work/check" 2>&1 && grep -q "\[  PASSED  \] 2 tests" "$work/check"; then
            echo "ok: labels 37 to 336 from the fifth label, each scanned where the offset puts it"
        else
            echo "FAIL: the numbered run's labels:"; grep -E "Failure|Expected|Which|page" "$work/check" | head -40
            ok=1
        fi
    else
        ok=1
    fi
    restore_settings
    return $ok
}

# Prints DOCUMENT through the queue and leaves the PDF the queue made of it in $work/run.pdf. The
# PDF printer names each file after its job's title, the document's name: other jobs on the
# scheduler are told apart by it.
print_pdf() { # how, document, args...
    local how=$1 document=$2; shift 2
    local title pdf="" before
    title=$(basename "$document" .qmx)
    before=$(ls "$outdir"/"$title"*job_*.pdf 2>/dev/null | wc -l)
    PRINTER=$queue "$quillmark" -p "$document" "$@" || { echo "FAIL: $how exited non-zero"; return 1; }
    for _ in $(seq 300); do
        if [[ $(ls "$outdir"/"$title"*job_*.pdf 2>/dev/null | wc -l) -gt $before ]]; then
            pdf=$(ls -t "$outdir"/"$title"*job_*.pdf | head -1)
            break
        fi
        sleep 0.2
    done
    [[ -n $pdf ]] || { echo "FAIL: $how: the queue produced no PDF"; return 1; }
    # The PDF printer writes the file as the job runs: wait until it has stopped growing.
    local size=-1
    while [[ $(stat -c %s "$pdf") != "$size" ]]; do size=$(stat -c %s "$pdf"); sleep 1; done
    mv "$pdf" "$work/run.pdf"
}

status=0
label_sheet || status=1
label_run || status=1
# A queue named in the environment that does not exist is refused, not replaced by another.
before=$(ls "$outdir" | wc -l)
if PRINTER=NoSuchQueue$$ "$quillmark" -p "$work/ean.qmx" 2>"$work/err"; then
    echo "FAIL: PRINTER naming no queue printed anyway"
    status=1
elif ! grep -q "Could not start print job." "$work/err"; then
    echo "FAIL: PRINTER naming no queue: no message ($(cat "$work/err"))"
    status=1
else
    sleep 1
    [[ $(ls "$outdir" | wc -l) -eq $before ]] || { echo "FAIL: a PDF appeared"; status=1; }
    echo "ok: PRINTER naming no queue is refused"
fi
check "-p" -p "$work/ean.qmx" || status=1
check "-pt" -pt "$work/ean.qmx" "$queue" driver port || status=1
exit $status
