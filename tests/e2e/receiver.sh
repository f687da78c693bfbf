# The installed receiver for the scripts of this folder, sourced after bench/support/stations.sh
# (it needs $build, $tmp and $pids). install_receiver lays the build out in a fresh prefix and
# gives the receiver a home, settings and TEMP folder of its own; start_receiver runs it there.

# install_receiver: installs into $prefix ($program is its program folder) and points HOME,
# XDG_CONFIG_HOME, TEMP and XDG_RUNTIME_DIR into $tmp; $settings is the receiver's settings file.
install_receiver() {
    prefix=$tmp/prefix
    program=$prefix/lib/zenovia
    cmake --install "$build" --prefix "$prefix" > "$tmp/install.log"
    export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config TEMP=$tmp/temp \
        XDG_RUNTIME_DIR=$tmp/runtime
    mkdir -p "$XDG_CONFIG_HOME" "$TEMP" "$XDG_RUNTIME_DIR"
    chmod 700 "$HOME" "$TEMP" "$XDG_RUNTIME_DIR"
    settings=$XDG_CONFIG_HOME/Zenovia/Zenovia.ini
}

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
    "$prefix/bin/zenovia" "$@" > "$tmp/receiver.log" 2>&1 &
    receiver=$!
    pids+=("$receiver")
}

# Fails unless the receiver runs and has written no Error.log.
check_running() {
    if [ -e "$program/Error.log" ]; then
        echo "the receiver wrote an Error.log:" >&2
        cat "$program/Error.log" >&2
        exit 1
    fi
    if ! kill -0 "$receiver" 2> /dev/null; then
        echo "the receiver has ended; its output:" >&2
        cat "$tmp/receiver.log" >&2
        exit 1
    fi
}

# Ends the receiver without asking it (its settings are not of interest then).
stop_receiver() {
    kill -TERM "$receiver" 2> /dev/null || true
    wait "$receiver" 2> /dev/null || true
}
