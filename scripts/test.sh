#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the document
# loader, the renderer and the data-file reader for a bounded time, and runs every test. Any sanitizer report fails
# the run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" --sanitize

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

# The fuzzers under libFuzzer (clang), from the seed files, each for a bounded time: the
# ".qmx" loader, the renderer drawing what the loader accepts to every output and printing it
# into a PDF, and a label run's data-file reader.
cmake -S "$root/fuzz" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build-fuzz" -j 2
seconds=${QM_FUZZ_SECONDS:-60}
fuzz() { # name, extra libFuzzer options...; SEEDS: the seed folder, the documents' by default
    local name=$1 corpus log seeds=${SEEDS:-$root/fuzz/seeds}
    shift
    corpus=$(mktemp -d)
    log=$(mktemp)
    echo "Fuzzing $name for ${seconds}s..."
    if ! (cd "$corpus" && "$root/build-fuzz/$name" -max_total_time="$seconds" "$@" \
            "$corpus" "$seeds" >"$log" 2>&1); then
        tail -n 60 "$log"
        echo "$name found a problem."
        rm -rf "$corpus" "$log"
        return 1
    fi
    grep -E '^Done [0-9]+ runs' "$log" || true
    rm -rf "$corpus" "$log"
}
fuzz qmx_load_fuzzer -timeout=10 -rss_limit_mb=2048
# Qt's font machinery keeps its caches until the process ends: not leaks of the program's.
ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" fuzz render_fuzzer -timeout=30 -rss_limit_mb=4096
SEEDS="$root/fuzz/data_seeds" fuzz data_file_fuzzer -timeout=30 -rss_limit_mb=2048 \
    -dict="$root/fuzz/data_file.dict"

cd "$root/build-sanitize"
ctest --output-on-failure -j 2 --timeout 600
