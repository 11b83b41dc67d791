#!/usr/bin/env bash
# The command-line forms on the worst inputs found so far, each under a time limit and a memory
# bound: every one must end at once with the program's message and status 1, never an abort
# (134), a kill or a timeout, and never take memory in proportion to the input.
#   resource_test.sh QUILLMARK
set -uo pipefail
quillmark=$1
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work
export QT_QPA_PLATFORM=offscreen
# Sanitizers reserve terabytes of address space, so a limit on it only fits a plain build;
# there the peak resident memory is the bound instead (with the sanitizers' own overhead).
# (ldd's whole list is read first: a grep that stops at the first match could end ldd with
# SIGPIPE, which pipefail would count as no sanitizer.)
if grep -q 'libasan' <<<"$(ldd "$quillmark")"; then
    # Freed memory is held back in the sanitizer's quarantine (256 MB of it by default, several
    # times that in resident pages): kept small, the peak is the program's own.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0:quarantine_size_mb=16"
    limit_kb=0
    rss_bound_kb=$((900 * 1024))
else
    limit_kb=$((1024 * 1024))
    rss_bound_kb=$((400 * 1024))
fi
# Registration started by the print form may still be writing below the data folder.
trap 'sleep 1; rm -rf "$work" 2>/dev/null' EXIT

status=0
# expect NAME TEXT -- ARGS...: status 1 within 60 s, TEXT on standard error, bounded memory
# (BOUND_KB, when set for the call, in place of the common bound).
expect() {
    local name=$1 text=$2 bound=${BOUND_KB:-$rss_bound_kb}
    shift 3
    local rc
    (
        ((limit_kb > 0)) && ulimit -v "$limit_kb"
        exec timeout 60 /usr/bin/time -f '%M' -o "$work/rss" "$quillmark" "$@"
    ) >/dev/null 2>"$work/err"
    rc=$?
    local rss
    rss=$(tail -n 1 "$work/rss" 2>/dev/null)
    if [[ $rc -ne 1 ]]; then
        echo "FAIL: $name: status $rc ($(head -c 300 "$work/err"))"
        status=1
    elif ! grep -qF -- "$text" "$work/err"; then
        echo "FAIL: $name: no \"$text\" on standard error ($(head -c 300 "$work/err"))"
        status=1
    elif [[ -z $rss || $rss -gt $bound ]]; then
        echo "FAIL: $name: took ${rss:-?} KB"
        status=1
    else
        echo "ok: $name (${rss} KB)"
    fi
}

# A gigabyte that is no document, and a document of megabytes.
truncate -s 1G "$work/huge.qmx"
"$quillmark" --export "$work/small.qmx" --symbology "Code 128" || exit 1
head -c 6000000 /dev/zero | cat "$work/small.qmx" - >"$work/oversized.qmx"
# A real Code 128 document whose data is three megabytes ("AB12" repeated).
{
    printf '\xff\xff\x00\x01\x0b\x00C128Barcode'
    printf '\xff\xff\xff\xc0\xc6\x2d\x00' # a 32-bit length: 3,000,000
    yes AB12 | tr -d '\n' | head -c 3000000
    printf '\x0bCourier New'
    printf '\x08\x00\x00\x00\xee\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
} >"$work/long.qmx"
mkfifo "$work/fifo.png"
long=$(head -c 60000 /dev/zero | tr '\0' 'A')

expect "export of a 1 GiB file" "Unexpected file format." -- --export "$work/o.png" "$work/huge.qmx"
expect "export of a 6 MB document" "too large to be a Quillmark document" -- \
    --export "$work/o.png" "$work/oversized.qmx"
expect "metafile of 3 MB of data" "larger than 64 MB" -- --export "$work/o.wmf" "$work/long.qmx"
expect "image of 3 MB of data" "pixels" -- --export "$work/o.png" "$work/long.qmx"
expect "image of 60,000 characters at 3000 dpi" "pixels" -- \
    --export "$work/o.png" --symbology "Code 128" --data "$long" --dpi 3000
expect "export into a pipe with no reader" "not a regular file" -- \
    --export "$work/fifo.png"
expect "printing a 1 GiB file" "Unexpected file format." -- -p "$work/huge.qmx"

# A data file of 50 MB of commas: one row of fifty million fields, of which the run uses the
# first. Only that field is built, so the peak is the file's text and little more (twice it
# bounds a plain build).
head -c 50000000 /dev/zero | tr '\0' ',' >"$work/commas.csv"
mkdir -p "$work/out"
commas_bound_kb=$((limit_kb > 0 ? 2 * 50000000 / 1024 : rss_bound_kb))
BOUND_KB=$commas_bound_kb expect "a row of fifty million fields" "the data is empty" -- \
    --export "$work/out/{n}.png" --data-file "$work/commas.csv"
rm -f "$work/commas.csv"

# A label sheet of 100,000 × 100,000 labels a hundredth of a millimetre apart and apart in size:
# refused with its reason at once, before any print queue is asked.
mkdir -p "$XDG_CONFIG_HOME/Halvern"
cat >"$XDG_CONFIG_HOME/Halvern/Quillmark.conf" <<'CONF'
[Print]
UseLabel=1
FullPage=0
LabelWidth=1
LabelHeight=1
HorzPitch=1
VertPitch=1
TopMargin=0
SideMargin=0
NumberAcross=100000
NumberDown=100000
CONF
expect "printing labels smaller than a dot" "smaller than a dot" -- -p "$work/small.qmx"
exit $status
