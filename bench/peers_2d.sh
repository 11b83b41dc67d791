#!/usr/bin/env bash
# Quillmark's 2D symbols beside zint, whole processes, paired and interleaved (qm_paired_runs:
# each round runs both commands once, the order turning from round to round), medians and the
# ratio to quillmark:
#   1. one PNG per process of QR Code, Data Matrix and PDF417 holding 100 and 1,000 digits and
#      the most each holds (QR Code 7,089 digits at level L, Data Matrix 3,116, PDF417 2,528 at its automatic level);
#   2. 1,000 symbols of 100 and of 1,000 digits each into 1,000 PNG files in one process:
#      quillmark's run export from a data file and zint --batch.
# Both draw 3 pixels a module (quillmark: X = 10 mil at 300 dpi; zint: scale 1.5) and start on
# a settled file system (qm_paired_runs --settle).
# Installs zint when missing (root). Usage: bench/peers_2d.sh [BUILD] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-15}
quillmark=$build/bin/quillmark
paired=$build/bench/qm_paired_runs
command -v zint >/dev/null || apt-get install -y zint >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
mkdir -p "$work/q" "$work/z"

digits() { # N: N digits that no encoder can shorten to a run
    local all
    all=$(seq 1 "$1" | tr -d '\n')
    echo "${all:0:$1}"
}
# The timing lines without the data, which would fill the screen.
shown() { sed -E 's/(--data|-d) [0-9]{20,}/\1 .../'; }

# name, quillmark's symbology and options, zint's symbology and options, largest data
symbols=(
    "QR Code|QR Code|--option ecc=L|-b 58 --secure=1|7089"
    "Data Matrix|Data Matrix||-b 71|3116"
    "PDF417|PDF417||-b 55|2528"
)
"$quillmark" --export "$work/q/warm.png" --symbology "QR Code" --data warm --dpi 300

echo "== 1. one PNG per process"
for row in "${symbols[@]}"; do
    IFS='|' read -r name qm qmopts zopts most <<<"$row"
    for n in 100 1000 "$most"; do
        data=$(digits "$n")
        echo "-- $name, $n digits"
        # shellcheck disable=SC2086
        "$paired" --settle "$rounds" \
            -- "$quillmark" --export "$work/q/one.png" --symbology "$qm" $qmopts --data "$data" \
            --dpi 300 \
            -- zint $zopts --scale=1.5 -d "$data" -o "$work/z/one.png" | shown
    done
done

echo "== 2. 1,000 symbols in one process"
for row in "${symbols[@]}"; do
    IFS='|' read -r name qm qmopts zopts most <<<"$row"
    for n in 100 1000; do
        for i in $(seq 1 1000); do
            printf '%05d%s\n' "$i" "$(digits $((n - 5)))"
        done >"$work/items.txt"
        echo "-- $name, 1,000 symbols of $n digits"
        rm -rf "$work/qb" "$work/zb" && mkdir -p "$work/qb" "$work/zb"
        # shellcheck disable=SC2086
        "$paired" --settle "$((rounds / 3 + 1))" \
            -- "$quillmark" --export "$work/qb/{n}.png" --data-file "$work/items.txt" \
            --symbology "$qm" $qmopts --dpi 300 \
            -- zint --batch $zopts --scale=1.5 -i "$work/items.txt" -o "$work/zb/~~~~~.png"
        echo "   files: $(ls "$work/qb" | wc -l) and $(ls "$work/zb" | wc -l)"
    done
done
