#!/usr/bin/env bash
# Runs a command and fails when it fails or prints anything, showing what it printed.
#   says_nothing.sh COMMAND [ARGUMENTS...]
said=$("$@" 2>&1)
status=$?
if ((status != 0)) || [[ -n $said ]]; then
    echo "$1 ended with status $status and said $(wc -l <<<"$said") lines:"
    head -n 20 <<<"$said"
    exit 1
fi
