#!/usr/bin/env bash
# What the export form asks of the disk, as strace sees it: without --sync nothing is flushed
# (no fsync, fdatasync, syncfs or sync), with --sync each file written has its data flushed
# (fdatasync, before it takes its name) and each folder written into one fsync, and nothing of
# the rest of the file system is waited for. A batch killed midway leaves only whole files.
#   durable_export_test.sh QUILLMARK
set -uo pipefail
quillmark=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
strace -f -qq -e trace=getpid true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }
status=0
fail() { echo "FAIL: $*"; status=1; }

# The flushing calls of one run, one a line: "call path" (the path of the flushed descriptor).
flushes() {
    strace -f -y -qq -o "$work/trace" -e trace=fsync,fdatasync,syncfs,sync,sync_file_range,msync \
        "$quillmark" "$@" >/dev/null || echo "exit status $?"
    sed -E -n 's/^[0-9]+ +([a-z_]+)\([0-9]+<([^>]*)>.*/\1 \2/p; s/^[0-9]+ +(sync)\(.*/\1/p' \
        "$work/trace" | sed -E 's|/#[0-9]+$|/(unnamed)|' | sort
}
expect() { # what, expected lines, actual lines
    [[ $2 == "$3" ]] || fail "$1: expected [$2], traced [$3]"
}

cd "$work" || exit 1
mkdir one
"$quillmark" --export warm.png --data SYNC-1 || exit 1 # the font cache is made here
expect "an export without --sync" "" "$(flushes --export one/a.png --data SYNC-1)"
expect "an export with --sync" "fdatasync $work/one/(unnamed)
fsync $work/one" "$(flushes --export one/b.png --data SYNC-1 --sync)"
# A file replaced: the new one is flushed before it takes the name.
expect "a file replaced with --sync" "fdatasync $work/one/(unnamed)
fsync $work/one" "$(flushes --export one/b.png --data SYNC-2 --sync)"
[[ -s one/a.png && -s one/b.png ]] || fail "the exports were not written"

printf 'A\nB\nA\n' >parts.txt
expect "a batch without --sync" "" \
    "$(flushes --export 'batch/{data}/{n}.png' --data-file parts.txt)"
expect "a batch with --sync" "fdatasync $work/synced/A/(unnamed)
fdatasync $work/synced/A/(unnamed)
fdatasync $work/synced/B/(unnamed)
fsync $work/synced/A
fsync $work/synced/B" "$(flushes --export 'synced/{data}/{n}.png' --data-file parts.txt --sync)"
made=$(find synced -type f | sort | tr '\n' ' ')
[[ $made == "synced/A/1.png synced/A/3.png synced/B/2.png " ]] || fail "the batch wrote $made"

# A batch killed while it writes: every file there is a whole PNG (it ends with its IEND chunk),
# and no temporary file is left.
"$quillmark" --export 'killed/{n}.png' --numbered 1:20000 --data 'K-{n}' &
pid=$!
for _ in $(seq 100); do
    (($(find killed -name '*.png' 2>/dev/null | wc -l) > 50)) && break
    sleep 0.05
done
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
written=$(find killed -type f | wc -l)
((written > 0 && written < 20000)) || fail "the batch was not killed midway ($written files)"
bad=$(find killed -type f ! -name '*.png' | head -3)
[[ -z $bad ]] && bad=$(for f in killed/*.png; do
    [[ $(tail -c 8 "$f" | head -c 4) == IEND ]] || echo "$f"
done | head -3)
[[ -z $bad ]] || fail "a killed batch left partial or temporary files: $bad"

((status == 0)) && echo "ok: no flush without --sync; with it each file's data and each folder" \
    "once; a killed batch left $written whole files"
exit $status
