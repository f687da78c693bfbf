# The receiver's windows driven from outside through xdotool and wmctrl, as a user would, on the
# display of bench/support/display.sh; sourced after tests/e2e/receiver.sh ($receiver).

# The window of the receiver titled exactly TITLE, once it is shown.
window_named() {
    timeout 20 xdotool search --sync --onlyvisible --pid "$receiver" --name "^$1\$" | head -n 1
}
window_gone() { ! xdotool search --onlyvisible --name "^$1\$" > /dev/null; }
windows_shown() { [ "$(xdotool search --onlyvisible --pid "$receiver" | wc -l)" -ge "$1" ]; }
receiver_ended() { ! kill -0 "$receiver" 2> /dev/null; }

# open_from_menu WINDOW KEY TITLE: opens the dialog titled TITLE through the window menu
# (Shift+F10) of the main WINDOW and the entry's access KEY, and activates it as $dialog.
open_from_menu() {
    timeout 20 xdotool windowactivate --sync "$1"
    xdotool key shift+F10
    wait_for "the window menu opens" 10 windows_shown 2
    xdotool key "$2"
    dialog=$(window_named "$3") || true
    [ -n "$dialog" ] || { echo "the dialog \"$3\" did not open" >&2; exit 1; }
    timeout 20 xdotool windowactivate --sync "$dialog"
}

# switch_recording_on WINDOW: the window menu (Shift+F10) of the main WINDOW, "Beállítások",
# the recording box, OK.
switch_recording_on() {
    step "recording on: window menu (Shift+F10), Beállítások, the recording box, OK"
    open_from_menu "$1" b 'Beállítások'
    # The focus starts in the proxy box; the recording box is the third control after it.
    xdotool key Tab Tab Tab space Return
    wait_for "the settings dialog closes" 10 window_gone 'Beállítások'
}

# close_through_window_manager WINDOW: closes the main WINDOW as its title bar's close button
# does; fails unless the receiver then ends with status 0.
close_through_window_manager() {
    step "close through the window manager"
    wmctrl -i -c "$1"
    wait_for "the receiver ends" 30 receiver_ended
    local status=0
    wait "$receiver" || status=$?
    [ "$status" -eq 0 ] || { echo "the receiver ended with status $status" >&2; exit 1; }
}
