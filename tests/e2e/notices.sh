#!/usr/bin/env bash
# The installed receiver's desktop notices, watched from outside: a private session bus with the
# test's notification service on it (notifyd, which reads markup in the body), a loopback
# stationd whose titles change every few seconds, and the receiver on a private Xvfb display with
# openbox, notices switched on in its settings file. Once its window is minimised, every new
# title shows in a notice with the station's caption, the escaped title and the built-in logo,
# each replacing the one before.
#
# Usage: tests/e2e/notices.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
data=tests/data
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh
source tests/e2e/window.sh

install_receiver
run_stationd "$data" 0
printf '[Main]\r\npictdef=def\r\n[Adok]\r\n' > "$program/zvadok.ini"
printf 'adoUrl0=%s\r\nadoNam0=Teszt MP3\r\npictur0=def\r\nenable0=1\r\n' \
    "http://127.0.0.1:$stationd_port/mp3?titles=Elso%20cim|Rock%20%26%20Roll&title_interval=3" \
    >> "$program/zvadok.ini"
mkdir -p "$(dirname "$settings")"
printf '[Beallitasok]\nErtesites=1\n' > "$settings"

step "a private session bus and the test's notification service"
dbus-daemon --session --nofork --print-address=1 > "$tmp/bus" 2> /dev/null &
pids+=($!)
wait_for "the session bus" 20 test -s "$tmp/bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS
"$build/tests/notifyd" > "$tmp/notices" &
pids+=($!)
serving() { grep -qs '^serving$' "$tmp/notices"; }
wait_for "the notification service" 20 serving
start_display

step "start: zenovia /hallgat 1, then minimise"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
timeout 20 xdotool windowminimize --sync "$win"

notices() { grep -c '^Zenovia|' "$tmp/notices" || true; }
notices_seen() { [ "$(notices)" -ge "$1" ]; }
wait_for "three notices" 60 notices_seen 3
check_running
step "notices:"
grep '^Zenovia|' "$tmp/notices"
# Each notice replaces the one before (the service's ids count from 1) and shows the station's
# caption, a title of the schedule (escaped, for the service reads markup), no expiry of its own
# and the built-in logo.
grep '^Zenovia|' "$tmp/notices" | awk -F'|' '
    $2 != NR - 1 { print "notice " NR " replaces " $2; bad = 1 }
    $3 != "" || $4 != "Teszt MP3" || $6 != "-1" || $7 != "377x126" { print "notice " NR ": " $0; bad = 1 }
    $5 != "Elso cim" && $5 != "Rock &amp; Roll" { print "notice " NR " body: " $5; bad = 1 }
    { bodies[$5] = 1 }
    END { if (length(bodies) != 2) { print "not both titles told"; bad = 1 } exit bad }' >&2

close_through_window_manager "$win"
[ ! -e "$error_log" ] || { echo "Error.log:" >&2; cat "$error_log" >&2; exit 1; }
step "all checks passed"
