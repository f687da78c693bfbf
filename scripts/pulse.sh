# Sourced by the test script: starts a private PulseAudio server with two null sinks,
# "Egyes" and "Kettes", and exports ZENOVIA_PULSE_RUNTIME_DIR for the tests that play into them.
# The server ends with the shell that sourced this file.
ZENOVIA_PULSE_RUNTIME_DIR=$(mktemp -d)
export ZENOVIA_PULSE_RUNTIME_DIR
XDG_RUNTIME_DIR=$ZENOVIA_PULSE_RUNTIME_DIR pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disallow-exit -L module-native-protocol-unix \
    -L 'module-null-sink sink_name=egyes sink_properties=device.description=Egyes' \
    -L 'module-null-sink sink_name=kettes sink_properties=device.description=Kettes' \
    >/dev/null 2>&1 &
zenovia_pulse_pid=$!
trap 'kill $zenovia_pulse_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -S "$ZENOVIA_PULSE_RUNTIME_DIR/pulse/native" ] && break
    sleep 0.1
done
