#!/usr/bin/env bash
# What the receiver costs when it is left open all day: CPU seconds per minute of audio and peak
# memory of the real zenovia program playing demo station 1 (the 128 kbit/s MP3 "Dallam FM")
# with its window shown, the same with its window minimised, zenovia with no station (CPU
# seconds per minute of wall time), and zvplay on the same stream beside them. Sound goes to
# SDL's dummy driver; the window lives on a private Xvfb display with openbox as its window
# manager; the station list and the stream come from stationd serving the demo stations on
# 127.0.0.1:8716, the configuration server the build points at. Every scenario runs RUNS times,
# interleaved, and the table shows the median. Installs openbox, xdotool and x11-utils from
# Debian when they are missing.
#
# Usage: bench/receiver/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 5)
#        SECONDS_PER_RUN=15 bench/receiver/run.sh   (a shorter measured window; default 60)
# A run starts the program and lets it settle (the station connects and fills its buffer; the
# minimised window is minimised after that and settles again), then counts the time on the CPU
# of every thread of the process over SECONDS_PER_RUN seconds, read from
# /proc/PID/task/TID/schedstat in nanoseconds once a second (the 10-ms ticks of utime and stime
# would round an idle minute to nothing or to a tick). Peak memory is VmHWM at the run's end. For
# the window shown, the script also tells where the time goes, by thread, and what the resident
# memory is, by mapped file.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-5}
seconds=${SECONDS_PER_RUN:-60}
settle=5
port=8716
demo=tools/stationd/demo
scenarios=(visible minimised idle zvplay)

source bench/support/programfolder.sh
program_folder_ready "$port" zenovia zvplay stationd zv0.skn

source bench/support/packages.sh
install_missing openbox xdotool x11-utils
source bench/support/stations.sh
source bench/support/median.sh
source bench/support/display.sh
source bench/support/player.sh

trap 'stop_player; cleanup' EXIT

# "tid name nanoseconds-on-the-CPU" for every thread of process PID; blanks in a name become _.
thread_times() {
    local task name ns
    for task in /proc/"$1"/task/*; do
        read -r name 2> /dev/null < "$task/comm" || continue
        read -r ns _ 2> /dev/null < "$task/schedstat" && echo "${task##*/} ${name// /_} $ns"
    done
}

# "KiB mapping" for every file process PID has mapped and for its anonymous memory together:
# the resident memory each costs, largest first.
resident_by_mapping() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 == "" ? "[anonymous]" : $6 }
        /^Rss:/ { kib[name] += $2 } END { for (n in kib) print kib[n], n }' \
        "/proc/$1/smaps" | sort -rn
}

# Whether process PID holds an established TCP connection to the station server.
connected() {
    local fd inodes
    inodes=$(for fd in /proc/"$1"/fd/*; do readlink "$fd" 2> /dev/null || true; done |
        sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p')
    awk -v p="$(printf ':%04X' "$port")" 'NR == FNR { own[$1]; next }
        FNR > 1 && $3 ~ p "$" && $4 == "01" && ($10 in own) { found = 1 }
        END { exit !found }' <(echo "$inodes") "/proc/$1/net/tcp"
}

# Fails unless window WIN is in the ICCCM state STATE (Normal or Iconic).
expect_state() {
    if ! xprop -id "$1" WM_STATE | grep -q "window state: $2"; then
        echo "$scenario: the window is not in the $2 state:" >&2
        xprop -id "$1" WM_STATE >&2
        exit 1
    fi
}

# Fails with the log when the receiver wrote an Error.log into its program folder.
check_error_log() {
    if [ -e "$build/bin/Error.log" ]; then
        echo "$scenario: the receiver wrote $build/bin/Error.log:" >&2
        cat "$build/bin/Error.log" >&2
        exit 1
    fi
}

# Fails with the player's output when it has ended or the program wrote an Error.log.
check_alive() {
    check_error_log
    if ! kill -0 "$player" 2> /dev/null; then
        echo "$scenario: the player ended early; its output:" >&2
        cat "$tmp/player.log" >&2
        exit 1
    fi
}

# measure SCENARIO: one run; appends its CPU seconds per minute to $tmp/SCENARIO.cpu and its
# peak memory in MiB to $tmp/SCENARIO.rss.
measure() {
    scenario=$1
    case $scenario in
        zvplay)
            SDL_AUDIODRIVER=dummy "$build/bin/zvplay" --quiet "$url" > "$tmp/player.log" 2>&1 &
            ;;
        *)
            local station=(/hallgat 1)
            [ "$scenario" = idle ] && station=()
            XDG_CONFIG_HOME=$(mktemp -d "$tmp/config.XXXX") TEMP=$(mktemp -d "$tmp/temp.XXXX") \
                XDG_RUNTIME_DIR=$(mktemp -d "$tmp/runtime.XXXX") QT_QPA_PLATFORM=xcb \
                SDL_AUDIODRIVER=dummy \
                "$build/bin/zenovia" "${station[@]}" > "$tmp/player.log" 2>&1 &
            ;;
    esac
    player=$!
    sleep "$settle"
    check_alive
    if [ "$scenario" != zvplay ]; then
        local win
        win=$(window_of "$player") || true
        [ -n "$win" ] || { echo "$scenario: no window titled Zenovia appeared" >&2; exit 1; }
        if [ "$scenario" = minimised ]; then
            # A window manager that does not iconify it would keep --sync waiting for ever.
            timeout 10 xdotool windowminimize --sync "$win" || true
            expect_state "$win" Iconic
            sleep "$settle"
        else
            expect_state "$win" Normal
        fi
    fi
    local start_ns end_ns second
    thread_times "$player" | sed 's/^/0 /' > "$tmp/times"
    start_ns=$(date +%s%N)
    for ((second = 1; second <= seconds; second++)); do
        sleep 1
        check_alive
        thread_times "$player" | sed "s/^/$second /" >> "$tmp/times"
    done
    end_ns=$(date +%s%N)
    if [ "$scenario" != idle ] && ! connected "$player"; then
        echo "$scenario: the player is not connected to the station; its output:" >&2
        cat "$tmp/player.log" >&2
        exit 1
    fi
    awk '/^VmHWM:/ { print $2 / 1024 }' "/proc/$player/status" >> "$tmp/$scenario.rss"
    # Every thread from the first reading it appears in to its last one, so a thread that starts
    # or ends meanwhile counts while it ran.
    awk -v wall=$((end_ns - start_ns)) '!($2 in base) { base[$2] = $1 == 0 ? $4 : 0 }
        { last[$2] = $4; name[$2] = $3 }
        END { for (t in last) print name[t], last[t] - base[t], wall }' "$tmp/times" \
        > "$tmp/run.threads"
    awk '{ ns += $2; wall = $3 } END { print ns / wall * 60 }' "$tmp/run.threads" \
        >> "$tmp/$scenario.cpu"
    if [ "$scenario" = visible ]; then
        cat "$tmp/run.threads" >> "$tmp/threads"
        resident_by_mapping "$player" > "$tmp/mappings"
    fi
    stop_player
    check_error_log
}

run_stationd "$demo" "$port"
# The receiver's station 1 is the station file's first entry, adoUrl0; the file has CR LF
# line ends.
url=$(sed -n 's/^adoUrl0=\([^\r]*\)\r\?$/\1/p' "$demo/config/zvadok.txt")
url=${url//@HOST@/127.0.0.1:$port}
start_display

for run in $(seq "$runs"); do
    for scenario in "${scenarios[@]}"; do
        echo "run $run/$runs: $scenario" >&2
        measure "$scenario"
    done
done

declare -A goal=(
    [visible]="CPU <= cvlc's in bench/compare, RSS <= 40"
    [minimised]="CPU <= 0.15, RSS <= 40"
    [idle]="CPU <= 0.01, RSS <= 40"
    [zvplay]="-"
)
printf "%-10s %17s %13s  %s\n" "scenario" "CPU s/audio min" "peak RSS MiB" "goal"
for scenario in "${scenarios[@]}"; do
    printf "%-10s %17s %13s  %s\n" "$scenario" "$(median %.3f < "$tmp/$scenario.cpu")" \
        "$(median %.1f < "$tmp/$scenario.rss")" "${goal[$scenario]}"
done
echo "(idle: CPU seconds per minute of wall time; $runs runs of ${seconds} s each, median)"
echo
echo "window shown, CPU s per audio minute by thread (all runs together):"
awk '{ used[$1] += $2; wall[$1] += $3 } END { for (n in used) printf "  %-18s %6.3f\n", n, used[n] / wall[n] * 60 }' \
    "$tmp/threads" | sort -k2 -rn
echo
echo "window shown, resident memory by mapping at the last run's end (KiB):"
head -n 20 "$tmp/mappings" | awk '{ printf "  %7d  %s\n", $1, $2 }'
awk 'NR > 20 { rest += $1 } { all += $1 } END { printf "  %7d  (the other %d)\n  %7d  in all\n", rest, NR - 20, all }' \
    "$tmp/mappings"
