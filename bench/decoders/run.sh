#!/usr/bin/env bash
# What each decoder the Ogg formats (and AAC) could use costs on this machine, in one run:
#   CPU     user + system seconds per minute of audio to decode AUDIO_SECONDS of the bench chord
#           (the benchmark streams' source in tests/data/make-fixtures.sh), encoded at run time
#           in a scratch folder as Vorbis 128 kbit/s (held there: left free, libvorbis spends
#           about 90 on the chord), Opus 128 kbit/s and FLAC (16 bit), each in Ogg, and as
#           AAC LC 128 kbit/s in ADTS. Every decoder but FAAD2 runs in
#           `ffmpeg -threads 1` writing to its null muxer (which takes 16-bit samples, the same
#           conversion for every row): the library decoder (libvorbis, libopus) beside
#           libavcodec's own (vorbis, opus, flac, aac). FAAD2 is not in ffmpeg: it is timed in
#           Debian's `faad` command line writing raw 16-bit samples to /dev/null, which also
#           scans the file's ADTS headers once before decoding. Timed with /usr/bin/time, the
#           median of RUNS runs, the decoders interleaved. Each ffmpeg row includes ffmpeg's
#           start-up (loading its libraries, opening the file), shown below the table as the
#           same command stopped after one decoded frame; at 600 s of audio it is a small share.
#   memory  what loading each decoder's libraries adds to a running process: bench_libload's
#           resident memory (VmRSS) and mapped size (VmSize) before and after dlopen()ing them
#           with RTLD_NOW, their own dependencies included, one process per row. Resident is
#           what the relocations and initialisers touch; a decoder that runs touches more of
#           its code and tables, up to the mapped size.
# Installs ffmpeg, faad and time from Debian when they are missing.
#
# Usage: bench/decoders/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 3)
#        AUDIO_SECONDS=60 bench/decoders/run.sh    (shorter audio; default 600)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-3}
audio_seconds=${AUDIO_SECONDS:-600}
libload=$build/bin/bench_libload
[ -x "$libload" ] || { echo "missing $libload: build it first" >&2; exit 1; }

source bench/support/packages.sh
install_missing ffmpeg faad time libavcodec59 libvorbis0a libogg0 libopus0 libflac12 libfaad2
source bench/support/median.sh

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The bench chord over soft noise, as make-fixtures.sh makes the benchmark streams.
chord="0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277.18*t)+0.15*sin(2*PI*329.63*t)+0.1*sin(2*PI*440*t*(1+0.002*sin(2*PI*5*t)))"
source="aevalsrc=$chord+0.03*(random(0)-0.5)|$chord+0.03*(random(1)-0.5):s=44100:d=$audio_seconds"
echo "encoding $audio_seconds s of audio in four formats" >&2
encode() {
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "$source" "$@"
}
encode -c:a libvorbis -b:a 128k -minrate 128k -maxrate 128k "$tmp/audio.ogg"
encode -c:a libopus -b:a 128k "$tmp/audio.opus"
encode -c:a flac -sample_fmt s16 -f ogg "$tmp/audio.oga"
encode -c:a aac -b:a 128k -f adts "$tmp/audio.aac"

# Rows: "label|file|decoder", the decoder an ffmpeg decoder name or faad.
decoders=(
    "Vorbis 128 libvorbis|audio.ogg|libvorbis"
    "Vorbis 128 libavcodec vorbis|audio.ogg|vorbis"
    "Opus 128 libopus|audio.opus|libopus"
    "Opus 128 libavcodec opus|audio.opus|opus"
    "FLAC libavcodec flac|audio.oga|flac"
    "AAC 128 FAAD2 (faad)|audio.aac|faad"
    "AAC 128 libavcodec aac|audio.aac|aac"
)

# decode FILE DECODER [OUTPUT_OPTION...]: decodes FILE to nothing with DECODER, timed into
# $tmp/time; the options go to ffmpeg's output.
decode() {
    if [ "$2" = faad ]; then
        /usr/bin/time -f '%U %S' -o "$tmp/time" faad -q -f 2 -w "$tmp/$1" > /dev/null
    else
        /usr/bin/time -f '%U %S' -o "$tmp/time" ffmpeg -nostdin -loglevel error -threads 1 \
            -c:a "$2" -i "$tmp/$1" "${@:3}" -f null -
    fi
}

for run in $(seq "$runs"); do
    for index in "${!decoders[@]}"; do
        IFS='|' read -r label file decoder <<< "${decoders[$index]}"
        echo "run $run/$runs: $label" >&2
        decode "$file" "$decoder"
        awk -v audio="$audio_seconds" '{ print ($1 + $2) / audio * 60 }' "$tmp/time" \
            >> "$tmp/cpu-$index"
    done
    decode audio.ogg vorbis -frames:a 1
    awk '{ print $1 + $2 }' "$tmp/time" >> "$tmp/start-up"
done

# Rows: "label|library...".
libraries=(
    "libavcodec (Debian 12)|libavcodec.so.59"
    "libvorbis + libogg|libvorbis.so.0 libogg.so.0"
    "libopus|libopus.so.0"
    "libFLAC|libFLAC.so.12"
    "FAAD2|libfaad.so.2"
)

printf "%-30s %16s\n" "decoder" "CPU s/audio min"
for index in "${!decoders[@]}"; do
    IFS='|' read -r label _ <<< "${decoders[$index]}"
    printf "%-30s %16s\n" "$label" "$(median %.4f < "$tmp/cpu-$index")"
done
echo "($runs runs of $audio_seconds s of audio each, median; one thread)"
start_up=$(median %.3f < "$tmp/start-up")
share=$(awk -v s="$start_up" -v a="$audio_seconds" 'BEGIN { printf "%.4f", s / a * 60 }')
echo "ffmpeg's start-up, in every ffmpeg row: $start_up s a run, $share s per audio minute"
echo
printf "%-24s %17s %15s %13s\n" "libraries" "+resident KiB" "+mapped KiB" "+objects"
for row in "${libraries[@]}"; do
    IFS='|' read -r label names <<< "$row"
    # shellcheck disable=SC2086  # the names are separate arguments
    read -r rss_before rss_after size_before size_after objects_before objects_after \
        < <("$libload" $names)
    printf "%-24s %17d %15d %13d\n" "$label" $((rss_after - rss_before)) \
        $((size_after - size_before)) $((objects_after - objects_before))
done
