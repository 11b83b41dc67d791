#!/usr/bin/env bash
# A DYMO label printer, as the print system drives one: a queue with the print system's DYMO
# driver sends to a listener of the test's own in the printer's place. `quillmark -p` prints one
# DYMO 30252 address label (1-1/8 x 3-1/2 in) on it at 300 and at 203 dpi; dymo_queue_test.cpp
# reads the bytes received: the label's length, its bars whole dots of the printer (this driver's
# dots start at its printable area, 2 pt from the paper's edge: 5.64 dots at 203 dpi, 8.33 at
# 300), and the symbol read back. Exits 77 (skipped) only when no print system or no DYMO driver
# is installed.
#   dymo_queue_test.sh QUILLMARK SHELL_TESTS
set -uo pipefail
quillmark=$1
shell_tests=$2
source "$(dirname "${BASH_SOURCE[0]}")/../support/label_queue.sh"
open_label_queue QuillmarkDymo "DYMO Label Printer" "DYMO label printer"

"$quillmark" --export "$work/label.qmx" --symbology "Code 128" --data D1 || exit 1
status=0
for dpi in 300 203; do
    lpadmin -p "$queue" -o Resolution=${dpi}dpi ||
        { echo "FAIL: the queue's resolution cannot be set to $dpi dpi"; status=1; continue; }
    received=$(print_to_listener "$work" "$queue" "$quillmark" -p "$work/label.qmx" \
        --label DYMO:30252) || { echo "FAIL: printing at $dpi dpi: $received"; status=1; continue; }
    if QM_DYMO_RECEIVED=$received QM_DYMO_DPI=$dpi QM_DYMO_LENGTH_MILS=3500 QM_DYMO_DATA=D1 \
        "$shell_tests" --gtest_filter=DymoQueue.* >"$work/check.log" 2>&1; then
        echo "ok: one 3.5 in label at $dpi dpi, its bars whole dots"
    else
        echo "FAIL: at $dpi dpi:"
        grep -E "Failure|Expected|Which|actual|Skipped" "$work/check.log" | head -20
        status=1
    fi
done
exit $status
