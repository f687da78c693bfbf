# The loopback stations the benchmarks and the end-to-end tests play, sourced by their scripts:
# start_stationd and start_icecast set mp3_url and aac_url, start_ogg_station sets ogg_url,
# start_hls_station hls_url,
# serve_station_file serves the receiver's station list of them, run_stationd any folder.
# Expects $build (the build folder) and, for the first three, $data (the test data folder); sets
# $tmp, a scratch folder, and vlc, the command that starts VLC as a listener; stops every server
# it started on exit.
tmp=$(mktemp -d)
chmod 711 "$tmp"
pids=()  # servers and feeders, stopped on exit
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

# Icecast refuses to run as root; it runs as nobody then.
as_nobody=()
[ "$(id -u)" -ne 0 ] || as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# VLC refuses to run as root; it runs as nobody then, with a scratch home.
vlc=(cvlc)
if [ "$(id -u)" -eq 0 ]; then
    mkdir -p "$tmp/vlc-home"
    chown nobody "$tmp/vlc-home"
    vlc=("${as_nobody[@]}" env HOME="$tmp/vlc-home" cvlc)
fi

# run_stationd ROOT PORT [OPTION...]: starts a stationd serving ROOT on loopback PORT (0: a free
# one) with the further options given and sets stationd_port once it listens.
run_stationd() {
    local port_file
    port_file=$(mktemp "$tmp/port.XXXX")
    "$build/bin/stationd" --root "$1" --port "$2" "${@:3}" > "$port_file" &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$port_file" ] && break
        sleep 0.1
    done
    stationd_port=$(head -n 1 "$port_file")
    [ -n "$stationd_port" ] || { echo "stationd did not start" >&2; exit 1; }
}

# Sets mp3_url and aac_url to a loopback stationd.
start_stationd() {
    run_stationd "$data" 0
    mp3_url="http://127.0.0.1:$stationd_port/bench/mp3"
    aac_url="http://127.0.0.1:$stationd_port/bench/aac"
}

# Sets ogg_url to a loopback stationd's chained Ogg Vorbis station playing the Ogg benchmark
# stream (two titled chains of 10 s, looped) as an Icecast Ogg mount sends one: a burst of
# 64 KiB, then at the stream's pace, the titles in the chains and no ICY metadata, an HTTP
# status line, and a mount name ending in ".ogg" (Audacious picks its Ogg reader by that, and
# fails on an extensionless mount). The station has a folder of its own, so the tests' station
# table need not list it.
start_ogg_station() {
    local root=$tmp/ogg-station
    mkdir -p "$root/audio"
    cp "$data/audio/bench128.ogg" "$root/audio/"
    printf '%s\n' '[/bench/radio.ogg]' 'file=audio/bench128.ogg' 'status_line=HTTP/1.0 200 OK' \
        'icy-name=Mérő Ogg' 'icy-br=128' 'metaint=0' 'burst=65536' \
        > "$root/stations.ini"
    run_stationd "$root" 0
    ogg_url="http://127.0.0.1:$stationd_port/bench/radio.ogg"
}

# Sets hls_url to a loopback stationd's live HLS station: the AAC benchmark stream in MPEG-TS
# segments of 4 s in a window of six, its titles every 20 s in a timed ID3 stream, as a
# broadcaster's packager serves one. The station has a folder of its own.
start_hls_station() {
    local root=$tmp/hls-station
    mkdir -p "$root/audio"
    cp "$data/audio/bench64.aac" "$root/audio/"
    printf '%s\n' '[/bench/hls]' 'file=audio/bench64.aac' 'hls=ts' 'segment_seconds=4' \
        'titles=Mérő Előadó - Első|Mérő Előadó - Második' 'title_interval=20' > "$root/stations.ini"
    run_stationd "$root" 0
    hls_url="http://127.0.0.1:$stationd_port/bench/hls/live.m3u8"
}

# start_format_stations PORT: the stations of the formats in $formats (the Icecast MP3 and AAC
# mounts, the Ogg and the HLS station when "ogg" and "hls" are among them) and the receiver's
# station file on PORT.
start_format_stations() {
    start_icecast
    [[ " ${formats[*]} " != *" ogg "* ]] || start_ogg_station
    [[ " ${formats[*]} " != *" hls "* ]] || start_hls_station
    serve_station_file "$1"
}

# serve_station_file PORT: serves the receiver's station file on loopback PORT, the
# configuration server the build points at: station 1 is $mp3_url, station 2 $aac_url and,
# when they are set, station 3 $ogg_url and station 4 $hls_url.
serve_station_file() {
    local root=$tmp/config-root
    mkdir -p "$root/config" "$root/logos"
    cp tools/stationd/demo/logos/default.gif "$root/logos/"
    printf '%s\r\n' '[Main]' 'pictdef=http://@HOST@/logos/default.gif' '' '[Adok]' \
        "adoUrl0=$mp3_url" 'adoNam0=Bench MP3' 'pictur0=def' 'enable0=1' \
        "adoUrl1=$aac_url" 'adoNam1=Bench AAC' 'pictur1=def' 'enable1=1' \
        > "$root/config/zvadok.txt"
    [ -z "${ogg_url:-}" ] || printf '%s\r\n' "adoUrl2=$ogg_url" 'adoNam2=Bench Ogg' \
        'pictur2=def' 'enable2=1' >> "$root/config/zvadok.txt"
    [ -z "${hls_url:-}" ] || printf '%s\r\n' "adoUrl3=$hls_url" 'adoNam3=Bench HLS' \
        'pictur3=def' 'enable3=1' >> "$root/config/zvadok.txt"
    run_stationd "$root" "$1"
}

# port_taken PORT: whether something listens on loopback PORT.
port_taken() { (exec 3<> "/dev/tcp/127.0.0.1/$1") 2> /dev/null; }

# A loopback port nothing listens on, below the kernel's range of outgoing ports: a port from
# that range may be held by any client connection of a test running alongside, and a server
# could not bind it, or a client reconnecting while the server is down could connect to itself.
free_port() {
    local port lowest
    read -r lowest _ < /proc/sys/net/ipv4/ip_local_port_range
    [ "$lowest" -gt 11000 ] || lowest=32768
    while :; do
        port=$((10000 + RANDOM % (lowest - 10000)))
        port_taken "$port" || { echo "$port"; return; }
    done
}

# Sets mp3_url and aac_url to the two mounts of a loopback Icecast server with its own
# configuration, fed in real time by ffmpeg from the benchmark files, whose titles change every
# 20 s through the admin interface (with icecast_title_loop=0 only when set_icecast_title is
# called). A new listener gets a burst of $icecast_burst bytes, by default 16 KiB, less than
# half of the player's download buffer, so from then on its buffer stays about as full as the
# burst left it and the player waits for each packet as it comes, as with a station that bursts
# little.
start_icecast() {
    local port base
    port=$(free_port)
    base="http://127.0.0.1:$port"
    icecast_base=$base
    icecast_password=bench-$RANDOM$RANDOM
    mkdir -p "$tmp/icecast-log"
    [ ${#as_nobody[@]} -eq 0 ] || chown nobody "$tmp/icecast-log"
    cat > "$tmp/icecast.xml" <<XML
<icecast>
  <location>loopback</location>
  <admin>bench@localhost</admin>
  <limits>
    <clients>16</clients><sources>2</sources>
    <burst-on-connect>1</burst-on-connect><burst-size>${icecast_burst:-16384}</burst-size>
  </limits>
  <authentication>
    <source-password>$icecast_password</source-password>
    <admin-user>admin</admin-user>
    <admin-password>$icecast_password</admin-password>
  </authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>$port</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <paths>
    <basedir>/usr/share/icecast2</basedir>
    <logdir>$tmp/icecast-log</logdir>
    <webroot>/usr/share/icecast2/web</webroot>
    <adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog></logging>
  <security><chroot>0</chroot></security>
</icecast>
XML
    run_icecast
    mp3_url="$base/mp3"
    aac_url="$base/aac"
    [ "${icecast_title_loop:-1}" -eq 1 ] || return 0
    (
        for ((n = 1; ; n++)); do
            for mount in mp3 aac; do
                set_icecast_title "$mount" "Title $n"
            done
            sleep 20
        done
    ) &
    pids+=($!)
}

# run_icecast: starts the server of start_icecast and its two feeders ($icecast_pids) and
# returns once both mounts are on the air.
run_icecast() {
    "${as_nobody[@]}" icecast2 -c "$tmp/icecast.xml" > /dev/null 2>&1 &
    icecast_pids=($!)
    local answered=0
    for _ in $(seq 100); do
        curl -sf -o /dev/null "$icecast_base/status-json.xsl" && { answered=1; break; }
        sleep 0.1
    done
    if [ "$answered" -eq 0 ]; then
        echo "Icecast did not answer on $icecast_base; its error log:" >&2
        cat "$tmp/icecast-log/error.log" >&2 || true
        exit 1
    fi
    local mount file type format
    for mount in mp3 aac; do
        file=$data/audio/bench128.mp3 type=audio/mpeg format=mp3
        [ "$mount" = aac ] && file=$data/audio/bench64.aac type=audio/aac format=adts
        ffmpeg -nostdin -loglevel error -re -stream_loop -1 -i "$file" -c copy \
            -content_type "$type" -f "$format" \
            "icecast://source:$icecast_password@${icecast_base#http://}/$mount" &
        icecast_pids+=($!)
    done
    pids+=("${icecast_pids[@]}")
    for _ in $(seq 100); do
        [ "$(curl -sf "$icecast_base/status-json.xsl" | grep -o '"listenurl"' | wc -l)" -eq 2 ] &&
            break
        sleep 0.1
    done
    # Until Icecast holds a whole burst (2 s of the AAC mount), the first listener would get
    # less than the later ones.
    sleep 3
}

# restart_icecast: ends the server of start_icecast and its feeders, as a restart of the
# station's machine would, and starts them again on the same port.
restart_icecast() {
    kill "${icecast_pids[@]}"
    wait "${icecast_pids[@]}" 2> /dev/null || true
    run_icecast
}

# set_icecast_title MOUNT TITLE: the title the Icecast server of start_icecast sends on MOUNT
# (mp3 or aac) from now on.
set_icecast_title() {
    curl -sf -o /dev/null -u "admin:$icecast_password" -G --data-urlencode "song=$2" \
        "$icecast_base/admin/metadata?mount=/$1&mode=updinfo"
}

