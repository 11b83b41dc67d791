#!/usr/bin/env bash
# Bars on a label printer's dots: a PDF printer whose driver reports 203 dpi, as thermal label
# printers do, prints symbols from `quillmark -p`; each page, read back at 203 dpi, must have
# every bar and space a whole number of the module's dots, and with the queue's bar-width
# reduction of one dot every bar one dot narrower and every space one dot wider. Exits 77
# (skipped) only when no print system is installed.
#   dot_exact_queue_test.sh QUILLMARK SHELL_TESTS
set -uo pipefail
quillmark=$1
shell_tests=$2
queue=QuillmarkDots$$
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
unset DISPLAY WAYLAND_DISPLAY

# The PDF printer's driver with 203 dpi as its resolution.
source_ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [[ -f $source_ppd ]]; then
    sed -e 's/^\*DefaultResolution: .*/*DefaultResolution: 203dpi/' \
        -e 's|^\*Resolution 150dpi/.*|*Resolution 203dpi/203 DPI: "<</HWResolution[203 203]>>setpagedevice"\n&|' \
        "$source_ppd" >"$work/label203.ppd"
fi
source "$(dirname "${BASH_SOURCE[0]}")/../support/pdf_queue.sh"
add_pdf_queue "$queue" "$work" "$work/label203.ppd"
outdir=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
mkdir -p "$outdir"

status=0
check() { # symbology, data, what the reader reads, modules|widenarrow, reduction
    local name=${1// /_}
    printf '[Printer %s]\nBarWidthReduction=%s\n' "$queue" "$5" >"$XDG_CONFIG_HOME/Halvern/Quillmark.conf"
    "$quillmark" --export "$work/$name.qmx" --symbology "$1" --data "$2" || { status=1; return; }
    print_and_read "$outdir" 203 mono "printing $1" "$quillmark" -p "$work/$name.qmx" ||
        { status=1; return; }
    if QM_DOT_PAGE=$work/page.pbm QM_DOT_DPI=203 QM_DOT_REDUCTION=$5 QM_DOT_KIND=$4 \
        QM_DOT_DATA=$3 "$shell_tests" --gtest_filter=DotExactQueue.* >"$work/check.log" 2>&1; then
        echo "ok: $1 at 203 dpi with a reduction of $5"
    else
        echo "FAIL: $1 at 203 dpi with a reduction of $5:"
        grep -E "Failure|element|Expected|Which|actual" "$work/check.log" | head -20
        status=1
    fi
}
mkdir -p "$XDG_CONFIG_HOME/Halvern"
check "Code 128" "DOTS-203" "DOTS-203" modules 0
check "EAN 13" "590123412345" "5901234123457" modules 0
check "Code 39" "DOTS203" "DOTS203" widenarrow 0
check "Code 128" "DOTS-203" "DOTS-203" modules 1
check "Code 39" "DOTS203" "DOTS203" widenarrow 1
exit $status
