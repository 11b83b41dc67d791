#!/usr/bin/env bash
# Fails when a source file includes something above its own layer (the build's include paths
# refuse these too; this also names the culprit and covers headers no target compiles):
#   shell -> output -> job -> render -> engine -> common, cli -> job, shell -> labels -> ui -> common; common, engine
#   and render have no Qt.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

declare -A allowed=(
    [common]="common"
    [engine]="common engine"
    [render]="common engine render"
    [ui]="common ui"
    [labels]="common ui labels"
    [job]="common engine render job"
    [output]="common engine render job output"
    [cli]="common engine render job cli"
    [shell]="common engine render job cli output ui labels shell"
)
no_qt=" common engine render job cli "
status=0
for layer in "${!allowed[@]}"; do
    [[ -d $layer ]] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"${line#*:}")
        top=${target%%/*}
        if [[ $top == Q* || $target == Q* ]] && [[ $no_qt == *" $layer "* ]]; then
            echo "$file: $layer/ must not use Qt ($target)"
            status=1
        fi
        if [[ $target == ../* || $target == */../* ]]; then
            echo "$file: includes by a relative path ($target); name the layer instead"
            status=1
        fi
        if [[ $target == */* && -n ${allowed[$top]+x} ]] && [[ " ${allowed[$layer]} " != *" $top "* ]]; then
            echo "$file: $layer/ may not include $target"
            status=1
        fi
    done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include' "$layer" || true)
done
exit $status
