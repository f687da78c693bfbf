# A private PulseAudio server with one null sink, "bench", for the benchmarks whose players play
# into PulseAudio; sourced after stations.sh (it uses $tmp and stops what it starts through
# $pids). Its socket takes clients without a cookie, so a player run as nobody reaches it too;
# PULSE_SERVER, exported, points every client at it.

# Starts the server and returns once it answers.
start_pulse() {
    mkdir -m 755 "$tmp/pulse"
    HOME=$tmp/pulse XDG_RUNTIME_DIR=$tmp/pulse pulseaudio -n --daemonize=no \
        --exit-idle-time=-1 --disallow-exit \
        -L "module-native-protocol-unix socket=$tmp/pulse/native auth-anonymous=1" \
        -L 'module-null-sink sink_name=bench sink_properties=device.description=Bench' \
        > "$tmp/pulse.log" 2>&1 &
    pids+=($!)
    PULSE_SERVER=unix:$tmp/pulse/native
    export PULSE_SERVER
    for _ in $(seq 100); do
        pactl info > /dev/null 2>&1 && { chmod 666 "$tmp/pulse/native"; return; }
        sleep 0.1
    done
    echo "PulseAudio did not start; its output:" >&2
    cat "$tmp/pulse.log" >&2
    exit 1
}

# The sink inputs playing into the server, as "index pid" lines.
sink_inputs() {
    pactl list sink-inputs | awk '/^Sink Input #/ { index_ = substr($3, 2) }
        /application.process.id = / { gsub(/"/, "", $3); print index_, $3 }'
}
