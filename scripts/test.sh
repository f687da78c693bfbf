#!/usr/bin/env bash
# Checks the formatting, builds everything and runs every test: once normally, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

# The formatting first: a fault there fails in seconds, before the long builds. The tracked C++
# files when this is a git checkout, else every C++ file of the source folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run -Werror
else
    find audio meter player tests tools bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
        -print0 | xargs -0 clang-format --dry-run -Werror
fi

# A private PulseAudio server with two null sinks for the output device tests.
source scripts/pulse.sh

# ctest shows no output of a skipped test, so its reason, a line "skipped: ...", is shown after.
run_tests() {
    ctest --test-dir "$1" --output-on-failure -j2 --timeout 300 "${@:2}"
    grep -h '^skipped: ' "$1/Testing/Temporary/LastTest.log" || true
}

scripts/build.sh build
run_tests build

scripts/build.sh build-asan -DZENOVIA_SANITIZE=address,undefined
run_tests build-asan

cmake -S . -B build-tsan -G Ninja -DZENOVIA_WERROR=ON -DZENOVIA_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target threaded_tests
run_tests build-tsan -L threaded

scripts/fuzz.sh 30
