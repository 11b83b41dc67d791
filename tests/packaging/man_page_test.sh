#!/usr/bin/env bash
# The manual page and "quillmark --help" name the same options, the page names every format
# the export form writes (--help lists them from the program's table of formats), and the page
# renders without a warning.
#   man_page_test.sh QUILLMARK QUILLMARK.1
set -euo pipefail
program=$1
page=$2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# Every word that starts with one or two dashes and a letter: -p, -Unregister, --no-text, ...
options() { grep -oE '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]*//' | sort -u; }

help_options=$("$program" --help | options)
# The page's text: troff's escaped dashes and font changes undone, its comments left out.
page_text=$(grep -v '^\.\\"' "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')
page_options=$(options <<<"$page_text")

status=0
if [[ $help_options != "$page_options" ]]; then
    echo "The options of \"quillmark --help\" (<) and of $page (>) differ:"
    diff <(echo "$help_options") <(echo "$page_options") || true
    status=1
fi
[[ -n $help_options ]] || { echo "quillmark --help names no option"; status=1; }

# "write OUTPUT by its extension (wmf, emf, ...)", its lines joined.
formats=$("$program" --help | tr -s ' \n' ' ' |
    sed -nE 's/.*by its extension \(([^)]*)\).*/\1/p' | tr -d ',')
[[ -n $formats ]] || { echo "quillmark --help lists no export format"; status=1; }
for format in $formats; do
    # As the page gives an extension: ".B .png", ".BR .png ," and the like.
    if ! grep -qE "(^|[[:space:]])\.${format}([[:space:],]|\$)" <<<"$page_text"; then
        echo "$page does not name the export format .$format"
        status=1
    fi
done

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1 || true)
if [[ -n $warnings ]]; then
    echo "$page does not render cleanly:"
    echo "$warnings"
    status=1
fi
exit $status
