# The player a benchmark measures, sourced by their scripts: $player holds its process id.
player=

# Ends the player gently and waits for it; one that ignores SIGTERM is killed.
stop_player() {
    [ -n "$player" ] || return 0
    kill -TERM "$player" 2> /dev/null || true
    for _ in $(seq 50); do
        kill -0 "$player" 2> /dev/null || break
        sleep 0.1
    done
    kill -KILL "$player" 2> /dev/null || true
    wait "$player" 2> /dev/null || true
    player=
}
