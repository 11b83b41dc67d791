#!/usr/bin/env bash
# The manual page and "quillmark --help" name the same options, and the page renders without
# a warning.
#   man_page_test.sh QUILLMARK QUILLMARK.1
set -euo pipefail
program=$1
page=$2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# Every word that starts with one or two dashes and a letter: -p, -Unregister, --no-text, ...
options() { grep -oE '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]*//' | sort -u; }

help_options=$("$program" --help | options)
# The page's text: troff's escaped dashes and font changes undone, its comments left out.
page_options=$(grep -v '^\.\\"' "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' | options)

status=0
if [[ $help_options != "$page_options" ]]; then
    echo "The options of \"quillmark --help\" (<) and of $page (>) differ:"
    diff <(echo "$help_options") <(echo "$page_options") || true
    status=1
fi
[[ -n $help_options ]] || { echo "quillmark --help names no option"; status=1; }

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1 || true)
if [[ -n $warnings ]]; then
    echo "$page does not render cleanly:"
    echo "$warnings"
    status=1
fi
exit $status
