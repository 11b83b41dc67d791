#!/usr/bin/env bash
# Exports every symbology to every format the command line lists (and the long spellings of
# the extensions), in the four rotations, by the command and by the window program, with two
# builds, and compares the files byte for byte, the exit status and what each run wrote to
# standard error. A PDF file's creation date is masked before the comparison. Prints each
# difference and a summary; exits 1 when anything differs.
#   compare_exports.sh BEFORE_BIN AFTER_BIN      (folders holding quillmark and quillmark-window)
set -uo pipefail
before=$(realpath "$1")
after=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/c XDG_DATA_HOME=$work/home/d
export XDG_CACHE_HOME=$work/home/cache QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"

# The help text in one line, to read its lists from.
help=$("$before/quillmark" --help | tr -s ' \n' ' ')
read -r -a formats <<<"$(sed -E 's/.*by its extension \(([^)]*)\).*/\1/; s/,//g' <<<"$help")"
formats+=(jpeg tiff PNG)
mapfile -t symbologies < <(sed -E 's/.*--symbology NAME (.*) \(letter case ignored\).*/\1/' \
    <<<"$help" | sed 's/, /\n/g')
[[ ${#formats[@]} -gt 3 && ${#symbologies[@]} -gt 1 ]] || { echo "no formats or symbologies"; exit 1; }

data_for() {
    case $1 in
    "UPC-A") echo 01234567890 ;;
    "UPC-E") echo 0123456 ;;
    "EAN 13") echo 590123412345 ;;
    "EAN 8") echo 9638507 ;;
    "Postnet") echo 123456789 ;;
    "Interleaved 2 of 5") echo 12345678 ;;
    "GS1-128") echo "(01)09501101530003(10)AB12" ;;
    "QR Code" | "Data Matrix") echo "https://example.org/Quillmark 2026" ;;
    *) echo "HALVERN-2026 12" ;;
    esac
}

# Runs one export with both builds into before/ and after/ under the same name: by quillmark,
# which writes images itself, or with PROGRAM set to quillmark-window, which writes every format
# as the window's Export does.
export_both() {
    local name=$1
    shift
    for side in before after; do
        local bin=$before
        [[ $side == after ]] && bin=$after
        mkdir -p "$work/$side"
        "$bin/${PROGRAM:-quillmark}" --export "$work/$side/$name" "$@" 2>"$work/$side/$name.err"
        echo $? >"$work/$side/$name.rc"
        # The error text names the folder; make it the same for both.
        sed -i "s|$work/$side/|OUT/|g" "$work/$side/$name.err"
    done
}

masked() {
    if [[ $1 == *.pdf || $1 == *.PDF ]]; then
        LC_ALL=C sed -E 's/\(D:[0-9]{14}[^)]*\)/(D:masked)/g' "$1"
    else
        cat "$1"
    fi
}

count=0
for symbology in "${symbologies[@]}"; do
    for format in "${formats[@]}"; do
        for rotation in 0 1 2 3; do
            for PROGRAM in quillmark quillmark-window; do
                name="${symbology// /_}-r$rotation-$PROGRAM.$format"
                export_both "$name" --symbology "$symbology" --data "$(data_for "$symbology")" \
                    --rotation "$rotation" --dpi 150
                count=$((count + 1))
            done
        done
    done
    PROGRAM=quillmark
    # One without its text at another resolution, and data the symbology cannot encode.
    export_both "${symbology// /_}-plain.png" --symbology "$symbology" --no-text \
        --data "$(data_for "$symbology")" --dpi 300
    for format in svg png; do
        export_both "${symbology// /_}-letters.$format" --symbology "$symbology" --data abc
    done
    count=$((count + 3))
done
export_both "unknown.eps" --data 1
count=$((count + 1))

differ=0 files=0
for rc in "$work"/before/*.rc; do
    name=$(basename "$rc" .rc)
    for part in "$name.rc" "$name.err"; do
        cmp -s "$work/before/$part" "$work/after/$part" || {
            echo "differs: $part"
            differ=$((differ + 1))
        }
    done
    if [[ -e $work/before/$name || -e $work/after/$name ]]; then
        files=$((files + 1))
        cmp -s <(masked "$work/before/$name") <(masked "$work/after/$name") || {
            echo "differs: $name"
            differ=$((differ + 1))
        }
    fi
done
echo "$count exports, $files files written, $differ differences"
[[ $differ -eq 0 ]]
