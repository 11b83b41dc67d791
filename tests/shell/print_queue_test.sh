#!/usr/bin/env bash
# End to end through a real print queue: a PDF printer on the local print scheduler, then
# `quillmark -p FILE` and `quillmark -pt FILE PRINTER DRIVER PORT`, each checked by the PDF the
# queue produced. Exits 77 (skipped) only when no print system is installed.
#   print_queue_test.sh QUILLMARK
set -uo pipefail
quillmark=$1
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
    local before
    before=$(ls "$outdir" 2>/dev/null | wc -l)
    PRINTER=$queue "$quillmark" "$@" || { echo "FAIL: $how exited non-zero"; return 1; }
    local pdf=""
    for _ in $(seq 150); do
        [[ $(ls "$outdir" | wc -l) -gt $before ]] && pdf=$(ls -t "$outdir"/*.pdf | head -1) && break
        sleep 0.2
    done
    [[ -n $pdf ]] || { echo "FAIL: $how: the queue produced no PDF"; return 1; }
    sleep 0.5
    pdftoppm -r 300 -png -singlefile "$pdf" "$work/page" 2>/dev/null || { echo "FAIL: $how: unreadable PDF"; return 1; }
    rm -f "$pdf"
    # The symbol is in the middle of the page: black pixels there, none at the corners.
    local middle corner
    middle=$(convert "$work/page.png" -gravity center -crop 20%x10%+0+0 -threshold 50% -format '%[fx:mean]' info:)
    corner=$(convert "$work/page.png" -gravity northwest -crop 20%x10%+0+0 -threshold 50% -format '%[fx:mean]' info:)
    awk -v m="$middle" -v c="$corner" 'BEGIN { exit !(m < 0.9 && c == 1) }' ||
        { echo "FAIL: $how: no symbol in the middle of the page (middle $middle, corner $corner)"; return 1; }
    echo "ok: $how printed through $queue"
}

status=0
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
