#!/usr/bin/env bash
# Sets up the machine, builds, starts the demo station server on 127.0.0.1:8716 and the receiver.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
build/bin/stationd --port 8716 --root tools/stationd/demo >/dev/null &
stationd=$!
trap 'kill $stationd 2>/dev/null' EXIT
build/bin/zenovia "$@"
