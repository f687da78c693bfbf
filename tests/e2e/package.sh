#!/usr/bin/env bash
# The Debian package as a user meets it: cpack makes zenovia_<version>_<arch>.deb in the build
# tree, lintian finds no error in it and its Depends line names the package of every library
# its programs link; apt-get installs it; the launcher /usr/bin/zenovia, run as an ordinary user
# (nobody) with a home of its own on a private Xvfb display with openbox, fetches its station
# list from the configuration server the build points at (stationd with the demo stations),
# plays station 1, records one title into ~/Music/Zenovia as a decodable MP3 once recording is
# switched on in the settings dialog, and closes through the window manager; `apt-get purge`
# then leaves no file of the package behind. Installing needs root and apt-get: without them
# the package is only made and checked, and the test reports itself skipped (status 77). The
# exit trap ends the receiver and purges the package and whatever its install brought in,
# however the test ends.
#
# Usage: tests/e2e/package.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh
source tests/e2e/window.sh

skipped() { echo "skipped: $*"; exit 77; }
apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=60 "$@" \
        > "$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; return 1; }
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$build/zenovia_${version}_$(dpkg --print-architecture).deb
step "cpack -G DEB"
rm -f "$deb"
(cd "$build" && cpack -G DEB > "$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; exit 1; }
[ -f "$deb" ] || { echo "cpack made no $deb:" >&2; cat "$tmp/cpack.log" >&2; exit 1; }
step "package: ${deb##*/}"

step "lintian"
status=0
lintian --fail-on error "$deb" > "$tmp/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$tmp/lintian.log" || true
[ "$status" -eq 0 ] || { echo "lintian finds errors in ${deb##*/}" >&2; exit 1; }

# The package that holds the file PATH, as dpkg knows it (the folders of libraries may be known
# under /lib or /usr/lib).
owner() {
    local path
    for path in "$1" "$(realpath "$1")"; do
        { dpkg -S "$path" 2> /dev/null || true; } | sed -n '1s/:.*//p' | grep . && return
    done
    echo "no package holds $1" >&2
    exit 1
}

# The package of every library that an ELF file of the package links and does not carry.
linked_packages() {
    local root=$tmp/contents file library
    dpkg-deb -x "$deb" "$root"
    find "$root" -type f | while read -r file; do
        readelf -d "$file" 2> /dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'
    done | sort -u | while read -r library; do
        [ -z "$(find "$root" -name "$library")" ] || continue
        owner "$(ldconfig -p | awk -v l="$library" '$1 == l { print $NF; exit }')"
    done | sort -u
}
depends=$(dpkg-deb -f "$deb" Depends)
step "Depends: $depends"
# The package names of the Depends line, one a line, without their versions.
depended=$(sed 's/ ([^)]*)//g; s/, */\n/g' <<< "$depends")
linked=$(linked_packages)
for package in $linked libsdl2-2.0-0; do
    grep -qxF "$package" <<< "$depended" ||
        { echo "Depends does not name $package" >&2; exit 1; }
done

[ "$(id -u)" -eq 0 ] || skipped "installing the package needs root"
command -v apt-get > /dev/null || skipped "installing the package needs apt-get"
if dpkg-query -W -f='${Status}' zenovia 2> /dev/null | grep -qv '^unknown'; then
    skipped "zenovia is installed here already; the test would not leave it as it was"
fi
port=$(sed -n 's|^ZENOVIA_CONFIG_SERVER:STRING=http://127\.0\.0\.1:\([0-9]*\)$|\1|p' \
    "$build/CMakeCache.txt")
[ -n "$port" ] || skipped "the build points at a configuration server not on loopback http"
if port_taken "$port"; then
    echo "port $port is in use (the demo stations?): stop what listens there first" >&2
    exit 1
fi

# Every path of the package that exists before it is installed.
paths=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$')
existed=$(while read -r path; do [ ! -e "$path" ] || echo "$path"; done <<< "$paths")

# apt-get unpacks a local package as the user _apt, who cannot enter the build tree of every
# user: it installs a copy from the scratch folder.
cp "$deb" "$tmp/"
chmod 644 "$tmp/${deb##*/}"
# The packages the install brings in beside zenovia, purged with it.
brought_in=$(apt-get install -s "$tmp/${deb##*/}" 2> /dev/null |
    sed -n 's/^Inst \([^ ]*\) .*/\1/p' | grep -vx zenovia || true)
installed=0
remove_package() {
    [ "$installed" -eq 1 ] || return 0
    # shellcheck disable=SC2086 # one package name a word
    apt_get purge zenovia $brought_in
    installed=0
}
trap 'stop_receiver; remove_package; cleanup' EXIT
trap 'exit 1' INT TERM HUP

step "apt-get install ./${deb##*/}${brought_in:+ (bringing in $(echo $brought_in))}"
installed=1
apt_get install "$tmp/${deb##*/}"
dpkg -L zenovia > "$tmp/package-files"
listed=$(while read -r path; do [ -d "$path" ] || echo "${path#/usr/}"; done \
    < "$tmp/package-files" | sort)
expected=$(printf '%s\n' "${installed_files[@]}" "$manual_file" | sort)
if [ "$listed" != "$expected" ]; then
    echo "the package holds other files than expected:" >&2
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    exit 1
fi

# The receiver as a user of the machine: the program folder is not the user's to write in, so
# the recordings and Error.log go to the user's own folders.
prefix=/usr
program=$prefix/lib/zenovia
receiver_home nobody:nogroup
receiver_as=("${as_nobody[@]}")
error_log=$HOME/.local/state/zenovia/Error.log
recordings=$HOME/Music/Zenovia
unset XDG_MUSIC_DIR XDG_STATE_HOME DBUS_SESSION_BUS_ADDRESS
run_stationd tools/stationd/demo "$port" --log "$tmp/stationd.log"
start_display

step "start as nobody: /usr/bin/zenovia /hallgat 1"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb start_receiver /hallgat 1
wait_for "the station list from the configuration server" 30 \
    grep -qs '^GET /config/zvadok.txt ' "$tmp/stationd.log"
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
wait_for "the receiver asks for the stream" 30 grep -qs '^GET /radio/dallam ' "$tmp/stationd.log"
switch_recording_on "$win"

# The recording of the current title, once it holds 32 KiB.
recorded() {
    recording=$(find "$recordings" -name '*_Dallam FM.mp3' -size +32k 2> /dev/null | head -n 1)
    [ -n "$recording" ]
}
wait_for "a recording of 32 KiB in $recordings" 60 recorded
step "recording: ${recording#"$HOME"/}"
check_running
close_through_window_manager "$win"
check_decodes "$recording"
[ ! -e "$error_log" ] || { echo "Error.log:" >&2; cat "$error_log" >&2; exit 1; }

step "apt-get purge -y zenovia"
remove_package
left=$(while read -r path; do
    [ ! -e "$path" ] || grep -qxF "$path" <<< "$existed" || echo "$path"
done < "$tmp/package-files")
[ -z "$left" ] || { echo "the purge left these behind:" >&2; echo "$left" >&2; exit 1; }
gone=$(while read -r path; do [ -e "$path" ] || echo "$path"; done <<< "$existed")
[ -z "$gone" ] || { echo "the purge took away what was there before:" >&2; echo "$gone" >&2; exit 1; }
step "all checks passed"
