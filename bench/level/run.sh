#!/usr/bin/env bash
# The levelling benchmark: CPU seconds per minute of audio of zvplay on the "no sound" device,
# with levelling and without, on the 128 kbit/s MP3 and the 64 kbit/s AAC benchmark stream from
# stationd. Runs alternate between the two settings and the median of RUNS is kept, so a busy
# machine weighs on both alike; the difference is the levelling's cost.
#
# Usage: bench/level/run.sh [BUILD_DIR [SECONDS [RUNS]]]   (defaults: build, 60, 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
runs=${3:-3}
data=tests/data

for tool in "$build/bin/zvplay" "$build/bin/stationd"; do
    [ -x "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done
source bench/support/stations.sh
source bench/support/median.sh
start_stationd

# cpu URL FLAG: user + system CPU seconds per minute of one zvplay run of $seconds.
cpu() {
    local times
    times=$( (
        TIMEFORMAT='%3U %3S'
        time timeout -s INT -k 5 "$seconds" "$build/bin/zvplay" --device 0 --quiet "$2" "$1" \
            > /dev/null 2>&1
    ) 2>&1 | tail -n 1)
    awk -v t="$seconds" '{ printf "%.4f\n", ($1 + $2) / t * 60 }' <<< "$times"
}

printf "%-8s %12s %12s %12s\n" stream "--no-level" "--level" "difference"
for stream in mp3 aac; do
    url=$mp3_url
    [ "$stream" = aac ] && url=$aac_url
    off=()
    on=()
    for ((run = 0; run < runs; ++run)); do
        off+=("$(cpu "$url" --no-level)")
        on+=("$(cpu "$url" --level)")
    done
    off_median=$(printf "%s\n" "${off[@]}" | median "%.4f")
    on_median=$(printf "%s\n" "${on[@]}" | median "%.4f")
    awk -v s="$stream" -v a="$off_median" -v b="$on_median" \
        'BEGIN { printf "%-8s %12.3f %12.3f %12.3f\n", s, a, b, b - a }'
done
