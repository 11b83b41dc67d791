#!/usr/bin/env bash
# The examples of the README and of the manual page, run as written, one after another in an
# empty folder of their own with the built quillmark first on the PATH: every line must succeed.
# A print (-p) goes through a PDF printer on the local print scheduler, and the PDF it makes must
# have the pages the example prints; with --without-printing the print lines are left out (and
# the test needs no scheduler).
#   examples_test.sh QUILLMARK README MANPAGE [--without-printing]
set -uo pipefail
quillmark=$(realpath "$1")
readme=$2
manpage=$3
printing=true
[[ ${4:-} == --without-printing ]] && printing=false
work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache ASAN_OPTIONS=detect_leaks=0 PAPERSIZE=letter
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -p "$HOME"
PATH=$(dirname "$quillmark"):$PATH

if $printing; then
    source "$(dirname "${BASH_SOURCE[0]}")/../support/pdf_queue.sh"
    add_pdf_queue "QuillmarkExamples$$" "$work"
    export PRINTER=$qm_queue
    outdir=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
    mkdir -p "$outdir"
else
    trap 'rm -rf "$work"' EXIT
fi

# The README's example lines: its indented command lines, the set-up scripts left out.
readme_lines() { sed -n -E 's/^    ((quillmark|printf) .*)$/\1/p' "$readme"; }
# The manual page's: the lines between .EX and .EE, troff's escapes undone.
manpage_lines() {
    sed -n '/^\.EX$/,/^\.EE$/{/^\.E[XE]$/!p}' "$manpage" |
        sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\e/\\/g'
}

# The pages of the PDF the queue makes next, once it is there.
printed_pages() {
    local pdf="" _
    for _ in $(seq 300); do
        pdf=$(find "$outdir" -name '*.pdf' -newer "$work/before-print" 2>/dev/null | head -n 1)
        [[ -n $pdf ]] && break
        sleep 0.2
    done
    [[ -n $pdf ]] || { echo 0; return; }
    sleep 1 # the printer writes the file before it closes it
    pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p'
    rm -f "$pdf"
}

status=0
run_examples() { # name, lines...
    local name=$1 line ran=0
    shift
    local folder="$work/$name"
    mkdir -p "$folder"
    for line in "$@"; do
        local printed=false
        [[ $line == *" -p "* ]] && printed=true
        if $printed && ! $printing; then continue; fi
        $printed && touch "$work/before-print" && sleep 1
        if ! output=$(cd "$folder" && bash -c "$line" 2>&1); then
            echo "FAIL: $name: $line"
            echo "$output"
            status=1
            continue
        fi
        ran=$((ran + 1))
        if $printed; then
            # A document prints one page; a run of 300 labels from the fifth of a sheet of 30
            # prints 11.
            local want=1 pages
            [[ $line == *"--numbered 1:300"* ]] && want=11
            pages=$(printed_pages)
            [[ $pages == "$want" ]] ||
                { echo "FAIL: $name: $line printed $pages pages, not $want"; status=1; }
        fi
        if [[ $line == *"--list-labels 5160"* ]] && ! grep -qE '^ *106 +Avery +5160 ' <<<"$output"; then
            echo "FAIL: $name: $line does not list Avery 5160 as 106"
            status=1
        fi
    done
    ((ran > 0)) || { echo "FAIL: $name has no example to run"; status=1; }
    for image in label.png out/1.png out/3.png; do
        [[ -s $folder/$image ]] || { echo "FAIL: $name made no $image"; status=1; }
    done
    echo "ok: $ran examples of $name"
}

mapfile -t lines < <(readme_lines)
run_examples README "${lines[@]}"
mapfile -t lines < <(manpage_lines)
run_examples manpage "${lines[@]}"
exit $status
