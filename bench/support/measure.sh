# Measuring a running player's process tree, sourced by the benchmark scripts after
# stations.sh and player.sh: expects $build, $tmp, $player and $seconds, and the player's
# output in $tmp/player.log.

# Process PID and all its descendants, one a line.
tree_of() {
    local child
    echo "$1"
    for child in $(pgrep -P "$1"); do
        tree_of "$child"
    done
}

# "tid nanoseconds-on-the-CPU" for every thread of process PID's tree.
thread_times() {
    local pid task ns
    for pid in $(tree_of "$1"); do
        for task in /proc/"$pid"/task/*; do
            read -r ns _ 2> /dev/null < "$task/schedstat" && echo "${task##*/} $ns"
        done
    done
}

# Fails with the player's output when it has ended or the receiver wrote an Error.log.
check_alive() {
    if [ -e "$build/bin/Error.log" ]; then
        echo "$1: the receiver wrote $build/bin/Error.log:" >&2
        cat "$build/bin/Error.log" >&2
        exit 1
    fi
    if ! kill -0 "$player" 2> /dev/null; then
        echo "$1: the player ended early; its output:" >&2
        cat "$tmp/player.log" >&2
        exit 1
    fi
}

# measure_tree NAME: from now on, for $seconds seconds, the time on the CPU (user and system) of
# every thread of the player's process tree, read from /proc/PID/task/TID/schedstat in
# nanoseconds once a second (a thread that ends meanwhile counts up to its last reading), and
# at the end the sum of VmHWM over the tree; appends the CPU seconds per minute of that time to
# $tmp/NAME.cpu and the peak RSS in MiB to $tmp/NAME.rss. Fails when the player ends meanwhile.
measure_tree() {
    local name=$1 from_ns to_ns second pid rss=0
    from_ns=$(date +%s%N)
    thread_times "$player" | sed 's/^/0 /' > "$tmp/times"
    for ((second = 1; second <= seconds; second++)); do
        sleep 1
        check_alive "$name"
        thread_times "$player" | sed "s/^/$second /" >> "$tmp/times"
    done
    to_ns=$(date +%s%N)
    for pid in $(tree_of "$player"); do
        rss=$((rss + $(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")))
    done
    awk -v wall=$((to_ns - from_ns)) '$1 == 0 { base[$2] = $3 } { last[$2] = $3 }
        END { for (t in last) ns += last[t] - base[t]; print ns / wall * 60 }' \
        "$tmp/times" >> "$tmp/$name.cpu"
    awk -v kib="$rss" 'BEGIN { print kib / 1024 }' >> "$tmp/$name.rss"
}

# run_rounds: $runs rounds of `measure PLAYER FORMAT` over $players and $formats, the player
# order rotated by one each round; mpg123 plays MP3 only.
run_rounds() {
    local run first name format order
    for run in $(seq "$runs"); do
        first=$(((run - 1) % ${#players[@]}))
        order=("${players[@]:first}" "${players[@]:0:first}")
        for format in "${formats[@]}"; do
            for name in "${order[@]}"; do
                [[ "$name/$format" = mpg123/@(aac|ogg|hls) ]] && continue
                echo "run $run/$runs: $name $format" >&2
                measure "$name" "$format"
            done
        done
    done
}

# print_table WIDTH FIRST_SOUND_TITLE: the medians of every player and format, the player
# column WIDTH wide; each median of CPU and memory is also kept in $tmp/PLAYER-FORMAT.*-median.
print_table() {
    local width=$1 name format stream
    printf "%-${width}s %-8s %16s %13s %15s\n" "player" "stream" "CPU s/audio min" \
        "peak RSS MiB" "$2"
    for format in "${formats[@]}"; do
        case $format in
            mp3) stream="MP3 128" ;;
            aac) stream="AAC 64" ;;
            ogg) stream="Ogg 128" ;;
            hls) stream="HLS 64" ;;
        esac
        for name in "${players[@]}"; do
            if [[ "$name/$format" = mpg123/@(aac|ogg|hls) ]]; then
                printf "%-${width}s %-8s %s\n" "$name" "$stream" "(plays MP3 only)"
                continue
            fi
            median %.3f < "$tmp/$name-$format.cpu" > "$tmp/$name-$format.cpu-median"
            median %.1f < "$tmp/$name-$format.rss" > "$tmp/$name-$format.rss-median"
            printf "%-${width}s %-8s %16s %13s %15s\n" "$name" "$stream" \
                "$(cat "$tmp/$name-$format.cpu-median")" "$(cat "$tmp/$name-$format.rss-median")" \
                "$(median %.0f < "$tmp/$name-$format.first")"
        done
    done
    echo "($runs runs of ${seconds} s after the first sound each, median)"
}
