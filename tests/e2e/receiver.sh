# The installed receiver for the scripts of this folder, sourced after bench/support/stations.sh
# (it needs $build, $tmp and $pids). install_receiver lays the build out in a fresh prefix,
# receiver_home gives the receiver a home, settings and TEMP folder of its own, and
# start_receiver runs it from $prefix, as the user in $receiver_as when that is set.

# Every file an install lays out, relative to its prefix (the manual once it has been built).
installed_files=(
    bin/zenovia
    lib/zenovia/zenovia
    lib/zenovia/libzvaudio.so lib/zenovia/libzvaudio.so.2 lib/zenovia/libzvaudio.so.2.3.0
    lib/zenovia/libzvaudio_aac.so lib/zenovia/libzvaudio_ogg.so
    lib/zenovia/libpulsebar.so.1 lib/zenovia/libpulsebar.so.1.0.0
    lib/zenovia/zv0.skn lib/zenovia/zv1.skn lib/zenovia/zv2.skn lib/zenovia/zv3.skn
    lib/zenovia/licensz.txt
    share/applications/zenovia.desktop
    share/icons/hicolor/128x128/apps/zenovia.png
    share/metainfo/zenovia.metainfo.xml
    share/doc/zenovia/copyright share/doc/zenovia/changelog.gz
    share/man/man1/zenovia.1.gz
)
manual_file=lib/zenovia/ZenoviaHasznalatiUtmutato.pdf

receiver=
receiver_as=()  # the command that runs the receiver as another user, empty: as this one

# receiver_home [USER]: points HOME, XDG_CONFIG_HOME, TEMP and XDG_RUNTIME_DIR into $tmp, owned
# by USER when given; $settings is the receiver's settings file.
receiver_home() {
    export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config TEMP=$tmp/temp \
        XDG_RUNTIME_DIR=$tmp/runtime
    mkdir -p "$XDG_CONFIG_HOME" "$TEMP" "$XDG_RUNTIME_DIR"
    chmod 700 "$HOME" "$TEMP" "$XDG_RUNTIME_DIR"
    [ $# -eq 0 ] || chown -R "$1" "$HOME" "$TEMP" "$XDG_RUNTIME_DIR"
    settings=$XDG_CONFIG_HOME/Zenovia/Zenovia.ini
}

# install_receiver: installs into $prefix ($program is its program folder, where the receiver
# keeps its $error_log) and calls receiver_home.
install_receiver() {
    prefix=$tmp/prefix
    program=$prefix/lib/zenovia
    error_log=$program/Error.log
    cmake --install "$build" --prefix "$prefix" > "$tmp/install.log"
    receiver_home
}

step() { echo "$(date +%T) $*"; }

# history_follows STATION FIRST THEN: whether the history file $history_file, from line $from on,
# has a line of THEN on STATION after one of FIRST (FIRST's recording was then whole).
history_follows() {
    awk -F '\t' -v from="$from" -v station="$1" -v first="$2" -v then="$3" '
        NR >= from && $2 == station && $3 == first { seen = 1 }
        NR >= from && $2 == station && $3 == then && seen { found = 1 }
        END { exit !found }' "$history_file" 2> /dev/null
}
# history_lines: the number of the history file's next line.
history_lines() { echo $(($(wc -l < "$history_file" 2> /dev/null || echo 0) + 1)); }
has_bytes() { [ -s "$1" ] && [ "$(stat -c %s "$1")" -ge "$2" ]; }

# wait_for WHAT SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_for() {
    local what=$1 deadline=$((SECONDS + $2))
    shift 2
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "timed out: $what" >&2
            if [ -s "$tmp/receiver.log" ]; then
                echo "the receiver's output:" >&2
                cat "$tmp/receiver.log" >&2
            fi
            exit 1
        fi
        sleep 0.2
    done
}

# start_receiver ARGUMENTS...: starts the installed launcher; $receiver is its process.
start_receiver() {
    "${receiver_as[@]}" "$prefix/bin/zenovia" "$@" > "$tmp/receiver.log" 2>&1 &
    receiver=$!
    pids+=("$receiver")
}

# Fails unless the receiver runs and has written no Error.log.
check_running() {
    if [ -e "$error_log" ]; then
        echo "the receiver wrote an Error.log:" >&2
        cat "$error_log" >&2
        exit 1
    fi
    if ! kill -0 "$receiver" 2> /dev/null; then
        echo "the receiver has ended; its output:" >&2
        cat "$tmp/receiver.log" >&2
        exit 1
    fi
}

# Ends the receiver, if one was started, without asking it (its settings are not of interest
# then).
stop_receiver() {
    [ -n "$receiver" ] || return 0
    kill -TERM "$receiver" 2> /dev/null || true
    wait "$receiver" 2> /dev/null || true
}

# whole_frames FILE: the length of the recording FILE up to the end of its last whole frame. A
# recording starts with a frame header and is cut where the title changes in the stream, mostly
# inside a frame; fails unless FILE starts with a header and every frame up to there is whole.
# (MP3: MPEG-1 Layer III, the test streams' format.)
whole_frames() {
    od -An -v -tu1 "$1" | awk -v adts="$([[ $1 == *.aac ]] && echo 1 || echo 0)" '
        function size(at,   bits) {
            if (b[at] != 255) return 0
            if (adts) {
                if (int(b[at + 1] / 16) != 15) return 0
                return (b[at + 3] % 4) * 2048 + b[at + 4] * 8 + int(b[at + 5] / 32)
            }
            if (b[at + 1] != 250 && b[at + 1] != 251) return 0
            bits = b[at + 2]
            return int(144000 * kbps[int(bits / 16)] / rate[int(bits / 4) % 4]) + int(bits / 2) % 2
        }
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        END {
            split("32 40 48 56 64 80 96 112 128 160 192 224 256 320", kbps, " ")
            rate[0] = 44100; rate[1] = 48000; rate[2] = 32000; rate[3] = 0
            for (at = 0; at + 7 <= n && at + size(at) <= n; at += size(at))
                if (size(at) < 7) exit 1
            print at
        }'
}

# Fails unless ffmpeg decodes the whole frames of the recording FILE without a single complaint.
check_decodes() {
    local length complaints
    if ! length=$(whole_frames "$1"); then
        echo "$1: no frame header at its start, or a damaged frame" >&2
        exit 1
    fi
    head -c "$length" "$1" > "$tmp/frames"
    complaints=$(ffmpeg -nostdin -v error -i "$tmp/frames" -f null - 2>&1) || true
    if [ -n "$complaints" ] || ! ffmpeg -nostdin -v quiet -i "$tmp/frames" -f null -; then
        echo "$1 does not decode cleanly:" >&2
        echo "$complaints" >&2
        exit 1
    fi
    step "decodes cleanly: ${1##*/} (its first $length of $(stat -c %s "$1") bytes)"
}
