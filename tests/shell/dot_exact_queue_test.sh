#!/usr/bin/env bash
# Bars on a printer's dots: a PDF printer whose driver reports 203 dpi, as thermal label
# printers do, prints symbols from `quillmark -p`; each page, read back at 203 dpi, must have
# every bar and space a whole number of the module's dots, and with the queue's bar-width
# reduction of one dot every bar one dot narrower and every space one dot wider. The queue set
# to 300 and to 600 dpi does the same at those resolutions. Exits 77
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
check() { # dpi, symbology, data, what the reader reads, modules|widenarrow, reduction
    local dpi=$1 name=${2// /_}
    printf '[Printer %s]\nBarWidthReduction=%s\n' "$queue" "$6" >"$XDG_CONFIG_HOME/Halvern/Quillmark.conf"
    "$quillmark" --export "$work/$name.qmx" --symbology "$2" --data "$3" || { status=1; return; }
    print_and_read "$outdir" "$dpi" mono "printing $2" "$quillmark" -p "$work/$name.qmx" ||
        { status=1; return; }
    if QM_DOT_PAGE=$work/page.pbm QM_DOT_DPI=$dpi QM_DOT_REDUCTION=$6 QM_DOT_KIND=$5 \
        QM_DOT_DATA=$4 "$shell_tests" --gtest_filter=DotExactQueue.* >"$work/check.log" 2>&1; then
        echo "ok: $2 at $dpi dpi with a reduction of $6"
    else
        echo "FAIL: $2 at $dpi dpi with a reduction of $6:"
        grep -E "Failure|element|Expected|Which|actual|Skipped" "$work/check.log" | head -20
        status=1
    fi
}
mkdir -p "$XDG_CONFIG_HOME/Halvern"
check 203 "Code 128" "DOTS-203" "DOTS-203" modules 0
check 203 "EAN 13" "590123412345" "5901234123457" modules 0
check 203 "Code 39" "DOTS203" "DOTS203" widenarrow 0
check 203 "Code 128" "DOTS-203" "DOTS-203" modules 1
check 203 "Code 39" "DOTS203" "DOTS203" widenarrow 1
# The same queue set to print at 300 and at 600 dpi: the page follows the queue's choice.
for dpi in 300 600; do
    lpadmin -p "$queue" -o Resolution=${dpi}dpi 2>/dev/null ||
        { echo "FAIL: the queue's resolution cannot be set to $dpi dpi"; status=1; continue; }
    check "$dpi" "Code 128" "DOTS-$dpi" "DOTS-$dpi" modules 0
    check "$dpi" "Code 39" "DOTS$dpi" "DOTS$dpi" widenarrow 1
done
exit $status
