#!/usr/bin/env bash
# The remembered printer and the paper a printer takes, through a real print queue: a PDF
# printer on the local print scheduler, which the label tests named PrinterSettings.*Queue*
# are given. Exits 77 (skipped) only when no print system is installed.
#   print_settings_queue.sh LABEL_TESTS
set -uo pipefail
tests=$1
queue=QuillmarkSettings$$
work=$(mktemp -d)

source "$(dirname "${BASH_SOURCE[0]}")/../support/pdf_queue.sh"
add_pdf_queue "$queue" "$work"
QM_TEST_PRINT_QUEUE=$queue QT_QPA_PLATFORM=offscreen "$tests" --gtest_filter='PrinterSettings.*Queue*'
