# Sourced by the tests that print through a real print queue: add_pdf_queue adds a PDF printer
# on the local print scheduler, starting the scheduler when none runs, and removes the queue and
# the scratch folder when the test ends. Exits 77 (skipped) only when no print system is
# installed; with one installed, a queue that cannot be set up is a failure.
add_pdf_queue() { # name, scratch folder[, the driver's PPD file]
    local queue=$1 work=$2
    qm_queue=$queue qm_work=$work
    trap 'lpadmin -x "$qm_queue" 2>/dev/null; rm -rf "$qm_work"' EXIT
    command -v cupsd >/dev/null || { echo "no print scheduler installed"; exit 77; }
    [[ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ]] || { echo "no PDF printer driver installed"; exit 77; }
    local ppd=${3:-/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd}
    # A scheduler that has just started does not take requests yet: retry the queue's creation
    # until it is accepted.
    scheduler_running || cupsd >/dev/null 2>&1
    local _
    for _ in $(seq 60); do
        if lpadmin -p "$queue" -v cups-pdf:/ -E -P "$ppd" 2>"$work/lpadmin.err"; then
            return 0
        fi
        scheduler_running || cupsd >/dev/null 2>&1
        sleep 0.25
    done
    echo "FAIL: cannot add a queue: $(cat "$work/lpadmin.err")"
    exit 1
}

# "lpstat -r" trusts a socket a stopped scheduler left behind; its process is what counts.
scheduler_running() {
    local pid
    pid=$(cat /run/cups/cupsd.pid 2>/dev/null) && kill -0 "$pid" 2>/dev/null
}

# Prints with COMMAND (PRINTER naming the queue), waits for the PDF the queue makes in OUTDIR,
# and reads its page back at DPI into $qm_work/page.png ("png") or $qm_work/page.pbm ("mono").
print_and_read() { # outdir, dpi, png|mono, how, command...
    local outdir=$1 dpi=$2 kind=$3 how=$4
    shift 4
    local before pdf=""
    before=$(ls "$outdir" 2>/dev/null | wc -l)
    PRINTER=$qm_queue "$@" || { echo "FAIL: $how exited non-zero"; return 1; }
    for _ in $(seq 150); do
        [[ $(ls "$outdir" | wc -l) -gt $before ]] && pdf=$(ls -t "$outdir"/*.pdf | head -1) && break
        sleep 0.2
    done
    [[ -n $pdf ]] || { echo "FAIL: $how: the queue produced no PDF"; return 1; }
    sleep 0.5
    local format=-png
    [[ $kind == mono ]] && format=-mono
    pdftoppm -r "$dpi" "$format" -singlefile "$pdf" "$qm_work/page" 2>/dev/null ||
        { echo "FAIL: $how: unreadable PDF"; return 1; }
    rm -f "$pdf"
}
