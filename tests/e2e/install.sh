#!/usr/bin/env bash
# The install tree: `cmake --install` into a fresh prefix lays out exactly the program folder,
# the launcher, the desktop entry, its icon, the software-centre description, the manual page,
# the copyright file and the changelog; the desktop files pass their validators; the program's
# libraries resolve inside its folder; and the installed launcher starts a receiver that finds
# its skins, libraries and station file and plays a loopback station.
#
# Usage: tests/e2e/install.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
source bench/support/stations.sh
source tests/e2e/receiver.sh

install_receiver

installed=$(cd "$prefix" && find . ! -type d -printf '%P\n' | grep -vxF "$manual_file" | sort)
if [ "$installed" != "$(printf '%s\n' "${installed_files[@]}" | sort)" ]; then
    echo "the install laid out other files than expected:" >&2
    diff <(printf '%s\n' "${installed_files[@]}" | sort) <(echo "$installed") >&2 || true
    exit 1
fi

desktop-file-validate "$prefix/share/applications/zenovia.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/zenovia.metainfo.xml"

# The about box opens the licence from the program folder, in the build tree as in the install.
for folder in "$build/bin" "$program"; do
    grep -q 'GNU GENERAL PUBLIC LICENSE' "$folder/licensz.txt" ||
        { echo "no licence in $folder" >&2; exit 1; }
done

for file in "$program/zenovia" "$program"/lib*.so; do
    libraries=$(ldd "$file")
    ! grep -q 'not found' <<< "$libraries" || { echo "$libraries" >&2; exit 1; }
    for own in libzvaudio.so.2 libpulsebar.so.1; do
        grep -q "$own" <<< "$libraries" || continue
        if ! grep -q "$own => $program/$own" <<< "$libraries"; then
            echo "$file does not take $own from its folder:" >&2
            echo "$libraries" >&2
            exit 1
        fi
    done
done

# The receiver plays station 1 of a local station file: the stream request reaches stationd.
stationd_log=$tmp/stationd.log
run_stationd tools/stationd/demo 0 --log "$stationd_log"
printf '[Main]\r\npictdef=def\r\n[Adok]\r\nadoUrl0=http://127.0.0.1:%s/radio/dallam\r\n' \
    "$stationd_port" > "$program/zvadok.ini"
printf 'adoNam0=Dallam FM\r\npictur0=def\r\nenable0=1\r\n' >> "$program/zvadok.ini"
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy start_receiver /hallgat 1
wait_for "the receiver asks for the stream" 30 grep -qs '^GET /radio/dallam ' "$stationd_log"
check_running
# A second start hands over to the running copy and ends at once.
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy timeout 20 "$prefix/bin/zenovia" /hallgat 1
check_running
stop_receiver
echo "install tree: all checks passed"
