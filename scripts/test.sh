#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the document
# loader for a bounded time, and runs every test. Any sanitizer report fails the run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" --sanitize

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

# The ".qmx" loader under libFuzzer (clang), from the seed files, for a bounded time.
cmake -S "$root/fuzz" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build-fuzz" -j 2
corpus=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$corpus" "$log"' EXIT
seconds=${QM_FUZZ_SECONDS:-60}
echo "Fuzzing the document loader for ${seconds}s..."
if ! (cd "$corpus" && "$root/build-fuzz/qmx_load_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 "$corpus" "$root/fuzz/seeds" >"$log" 2>&1); then
    tail -n 60 "$log"
    echo "The document loader's fuzzer found a problem."
    exit 1
fi
grep -E '^Done [0-9]+ runs' "$log" || true

cd "$root/build-sanitize"
ctest --output-on-failure -j 2 --timeout 600
