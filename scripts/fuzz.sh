#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds, as many
# at a time as there are cores.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZENOVIA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers
mkdir -p build-fuzz/corpus
# One target per core at a time; a failing target shows the end of its report.
export seconds
find build-fuzz/fuzz -maxdepth 1 -type f -executable -print0 | sort -z |
    xargs -0 -P "$(nproc)" -I{} bash -c '
        name=$(basename "$1")
        mkdir -p "build-fuzz/corpus/$name"
        if ! report=$("$1" -max_total_time="$seconds" -rss_limit_mb=2048 \
            "build-fuzz/corpus/$name" 2>&1); then
            printf "%s\nfuzzing %s failed\n" "$(tail -n 40 <<<"$report")" "$name"
            exit 1
        fi
        echo "fuzzed $name for ${seconds}s: $(tail -n 1 <<<"$report")"' _ {}
