#!/usr/bin/env bash
# Builds everything and runs every test: once normally, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

# A private PulseAudio server with two null sinks for the output device tests.
source scripts/pulse.sh

run_tests() { ctest --test-dir "$1" --output-on-failure -j2 --timeout 300 "${@:2}"; }

scripts/build.sh build
run_tests build

scripts/build.sh build-asan -DZENOVIA_SANITIZE=address,undefined
run_tests build-asan

cmake -S . -B build-tsan -G Ninja -DZENOVIA_WERROR=ON -DZENOVIA_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target threaded_tests
run_tests build-tsan -L threaded

scripts/fuzz.sh 30
