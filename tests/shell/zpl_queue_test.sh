#!/usr/bin/env bash
# A ZPL label printer, as the print system drives one: a queue with the print system's ZPL
# label printer driver sends to a listener of the test's own on a free local port (the socket
# a printer listens on), which keeps the very bytes a printer would receive. `quillmark -p`
# prints a numbered run of 20 labels of 2.25 x 1.25 in on it, and `quillmark --export run.zpl`
# writes the same run, which sent to the queue raw arrives as it is; zpl_queue_test.cpp decodes
# both (at 203 and at 300 dpi). Exits 77 (skipped) only when no print system or no ZPL driver
# is installed.
#   zpl_queue_test.sh QUILLMARK SHELL_TESTS
set -uo pipefail
quillmark=$1
shell_tests=$2
source "$(dirname "${BASH_SOURCE[0]}")/../support/label_queue.sh"
open_label_queue QuillmarkZpl "Zebra ZPL Label Printer" "ZPL label printer"

run=(--label Zebra:800262-125 --numbered 1:20 --digits 4 --prefix ZPL-)
"$quillmark" --export "$work/label.qmx" --symbology "Code 128" --data 1 || exit 1
status=0
for dpi in 203 300; do
    lpadmin -p "$queue" -o Resolution=${dpi}dpi ||
        { echo "FAIL: the queue's resolution cannot be set to $dpi dpi"; status=1; continue; }
    received=$(print_to_listener "$work" "$queue" "$quillmark" -p "$work/label.qmx" "${run[@]}") ||
        { echo "FAIL: printing at $dpi dpi: $received"; status=1; continue; }
    "$quillmark" --export "$work/run-$dpi.zpl" "$work/label.qmx" "${run[@]}" --dpi "$dpi" ||
        { echo "FAIL: --export run.zpl at $dpi dpi"; status=1; continue; }
    # The exported file sent to the queue raw reaches the printer as it is.
    raw=$(print_to_listener "$work" "$queue" lp -o raw "$work/run-$dpi.zpl") &&
        cmp -s "$raw" "$work/run-$dpi.zpl" ||
        { echo "FAIL: the ZPL file sent raw at $dpi dpi did not arrive as it is"; status=1; }
    if QM_ZPL_RECEIVED=$received QM_ZPL_EXPORT=$work/run-$dpi.zpl QM_ZPL_DPI=$dpi \
        QM_ZPL_LABELS=20 QM_ZPL_PREFIX=ZPL- "$shell_tests" --gtest_filter=ZplQueue.* \
        >"$work/check.log" 2>&1; then
        echo "ok: 20 labels at $dpi dpi, printed and exported"
    else
        echo "FAIL: at $dpi dpi:"
        grep -E "Failure|Expected|Which|actual|label|element|Skipped" "$work/check.log" | head -30
        status=1
    fi
done
# The same symbol on three labels, at the queue's last resolution.
copies=$(print_to_listener "$work" "$queue" "$quillmark" -p "$work/label.qmx" \
    --label Zebra:800262-125 --count 3) || { echo "FAIL: printing three copies: $copies"; status=1; }
if QM_ZPL_COPIES=$copies "$shell_tests" --gtest_filter=ZplQueue.* >"$work/check.log" 2>&1; then
    echo "ok: the same symbol three times is three labels"
else
    echo "FAIL: the same symbol three times:"
    grep -E "Failure|Expected|Which|actual" "$work/check.log" | head -10
    status=1
fi
exit $status
