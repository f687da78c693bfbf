# A private X display for the benchmarks that show the receiver's window, sourced after
# stations.sh (it uses $tmp and stops what it starts through $pids).

# Starts Xvfb on a free display with openbox on it and exports DISPLAY.
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$tmp/display" 2> /dev/null &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$tmp/display" ] && break
        sleep 0.1
    done
    [ -s "$tmp/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    DISPLAY=":$(head -n 1 "$tmp/display")"
    export DISPLAY
    mkdir -p "$tmp/wm"
    XDG_CONFIG_HOME=$tmp/wm XDG_CACHE_HOME=$tmp/wm openbox --sm-disable > /dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && return
        sleep 0.1
    done
    echo "openbox did not start on $DISPLAY" >&2
    exit 1
}

# The window titled "Zenovia" of process PID, once it is mapped.
window_of() {
    timeout 20 xdotool search --sync --all --onlyvisible --pid "$1" --name '^Zenovia$' |
        head -n 1
}

# Whether process PID shows a window, whatever its title, within 20 s.
shows_window() {
    [ -n "$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$1" 2> /dev/null)" ]
}
