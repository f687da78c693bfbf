#!/usr/bin/env bash
# Sets up the machine, builds the receiver, starts the demo station server on 127.0.0.1:8716
# (the configuration server the build points at) and the receiver. Arguments go to the receiver,
# e.g. scripts/demo.sh /hallgat 2
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$(nproc)" --target zenovia zvaudio_aac stationd manual
build/bin/stationd --port 8716 --root tools/stationd/demo >/dev/null &
stationd=$!
trap 'kill $stationd 2>/dev/null' EXIT
build/bin/zenovia "$@"
