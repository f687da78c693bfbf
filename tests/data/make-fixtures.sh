#!/usr/bin/env bash
# Makes the audio fixtures of this folder and their manifest fixtures.ini. Run by hand (it needs
# ffmpeg with libmp3lame, and python3); the results are committed, so CI never runs it.
#
# Every tone file is about 3 s of steady sine tones, a different frequency and amplitude on each
# channel. The manifest's peaks are measured on the DECODED audio (ffmpeg's decoders, 0..32768
# scale) over the steady middle of the file, from 0.5 s to 2.5 s; encoder delay and the loop
# seam are left out, and every 20 ms window of that stretch peaks within 1 % of it (checked
# below; loud tones make the AAC encoder wobble, hence amplitudes of 0.4 and less). A mono file
# lists its one channel as both left and right.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p audio
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

manifest=fixtures.ini
cat > "$manifest" <<'HEAD'
; Audio fixtures made by make-fixtures.sh. Per file: container format (mp3 = MPEG layer III,
; mp2 = MPEG layer II, aac = AAC LC in ADTS), MPEG version where it applies, sample rate in Hz,
; channels, nominal bit rate in kbit/s, length in seconds, tone frequency in Hz and peak of the
; decoded audio (0..32768, measured from 0.5 s to 2.5 s, where every 20 ms window peaks within
; 1 % of it) per channel. Mono files give their one channel as both left and right. The bench
; files hold a chord with some noise, not one tone. Chained Ogg files (format=ogg) list the codec
; and the title of each chain, in order.
HEAD

# Encodes a two-tone (or one-tone) signal and appends the file's manifest section.
#   fixture NAME FORMAT MPEG RATE CHANNELS KBITS SECONDS FREQ_L AMP_L [FREQ_R AMP_R]
fixture() {
    local name=$1 format=$2 mpeg=$3 rate=$4 channels=$5 kbits=$6 seconds=$7
    local fl=$8 al=$9 fr=${10:-$8} ar=${11:-$9}
    local expr="$al*sin(2*PI*$fl*t)"
    [ "$channels" = 2 ] && expr="$expr|$ar*sin(2*PI*$fr*t)"
    encode "$name" "$format" "aevalsrc=$expr:s=$rate:d=$seconds" "$kbits"
    measure "$name" "$format" "$mpeg" "$rate" "$channels" "$kbits" "$seconds" "$fl" "$fr"
}

# encode NAME FORMAT LAVFI_SOURCE KBITS: no tags and no Xing frame, so the file is bare frames.
encode() {
    local name=$1 format=$2 source=$3 kbits=$4
    local codec=(-c:a libmp3lame -write_xing 0 -id3v2_version 0 -f mp3)
    case $format in
        mp2) codec=(-c:a mp2 -f mp2) ;;
        # The fast coder keeps steady tones steady; the default one wobbles their level.
        aac) codec=(-c:a aac -profile:a aac_low -aac_coder fast -f adts) ;;
    esac
    ffmpeg -loglevel error -y -f lavfi -i "$source" "${codec[@]}" -b:a "${kbits}k" \
        "audio/$name"
}

measure() {
    local name=$1 format=$2 mpeg=$3 rate=$4 channels=$5 kbits=$6 seconds=$7 fl=$8 fr=$9
    ffmpeg -loglevel error -y -i "audio/$name" -f s16le -c:a pcm_s16le "$tmp/pcm"
    python3 - "$tmp/pcm" "$rate" "$channels" "$name" <<'PY' > "$tmp/peaks"
import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
rate, channels = int(sys.argv[2]), int(sys.argv[3])
start, end = int(0.5 * rate) * channels, int(2.5 * rate) * channels
window = samples[start:end]
peaks = [max(abs(s) for s in window[c::channels]) for c in range(channels)]
# Level meters look at 20 ms; every such window must show the same peak within 1 %.
step = int(0.02 * rate)
for c in range(channels):
    one = window[c::channels]
    lowest = min(max(abs(s) for s in one[i:i + step]) for i in range(0, len(one) - step, step))
    if lowest < 0.99 * peaks[c]:
        sys.exit(f"{sys.argv[4]}: channel {c} peak wobbles: {lowest} .. {peaks[c]}")
print(peaks[0], peaks[-1])
PY
    read -r pl pr < "$tmp/peaks"
    {
        echo
        echo "[$name]"
        echo "format=$format"
        [ -n "$mpeg" ] && echo "mpeg_version=$mpeg"
        echo "sample_rate=$rate"
        echo "channels=$channels"
        echo "bit_rate=$kbits"
        echo "seconds=$seconds"
        echo "tone_left=$fl"
        echo "tone_right=$fr"
        echo "peak_left=$pl"
        echo "peak_right=$pr"
    } >> "$manifest"
}

#       name               format mpeg rate  ch kbit s  left        right
fixture tone44.mp3         mp3    1    44100 2  128  3  440  0.4    1000 0.2
fixture tone48.mp3         mp3    1    48000 2  128  3  660  0.4    1500 0.2
fixture tone22.mp3         mp3    2    22050 2  64   3  330  0.4    2000 0.25
fixture tone44mono.mp3     mp3    1    44100 1  64   3  880  0.35
fixture tone24.mp3         mp3    2    24000 2  64   3  500  0.4    1200 0.2
fixture tone11.mp3         mp3    2.5  11025 2  32   3  300  0.4    900  0.2
fixture tone44.mp2         mp2    1    44100 2  384  3  440  0.4    1000 0.2
fixture tone44.aac         aac    ""   44100 2  128  3  440  0.4    1000 0.2
fixture tone48.aac         aac    ""   48000 2  128  3  660  0.4    1500 0.2
fixture tone22.aac         aac    ""   22050 2  64   3  330  0.4    2000 0.25
fixture tone44mono.aac     aac    ""   44100 1  64   3  880  0.35

# Benchmark streams: 20 s of a chord over soft noise, closer to music for the decoders.
chord="0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277.18*t)+0.15*sin(2*PI*329.63*t)+0.1*sin(2*PI*440*t*(1+0.002*sin(2*PI*5*t)))"
bench_source="aevalsrc=$chord+0.03*(random(0)-0.5)|$chord+0.03*(random(1)-0.5):s=44100:d=20"
encode bench128.mp3 mp3 "$bench_source" 128
encode bench64.aac aac "$bench_source" 64
for bench in bench128.mp3:mp3:1:128 bench64.aac:aac::64; do
    IFS=: read -r name format mpeg kbits <<< "$bench"
    {
        echo
        echo "[$name]"
        echo "format=$format"
        [ -n "$mpeg" ] && echo "mpeg_version=$mpeg"
        echo "sample_rate=44100"
        echo "channels=2"
        echo "bit_rate=$kbits"
        echo "seconds=20"
    } >> "$manifest"
done
# The Ogg benchmark stream: the same 20 s as Vorbis 128 kbit/s in two chains of 10 s, each its
# own logical stream (a serial of its own, fresh headers and comments) with a title of its own,
# as a chained Ogg station sends them. The bit rate is held at 128 kbit/s (left free, the encoder
# spends about 90 on the chord), and pages last a quarter of a second, about 4 KiB, as a
# streaming source cuts them (ffmpeg's own pages last a second).
bench_chain_titles=("Mérő Zenekar|Első akkord" "Mérő Zenekar|Második akkord")
: > audio/bench128.ogg
for index in 0 1; do
    IFS='|' read -r artist title <<< "${bench_chain_titles[$index]}"
    ffmpeg -loglevel error -y -f lavfi -i "$bench_source" -ss $((index * 10)) -t 10 \
        -c:a libvorbis -b:a 128k -minrate 128k -maxrate 128k -map_metadata -1 \
        -metadata "title=$title" -metadata "artist=$artist" -fflags +bitexact \
        -serial_offset $((500 + index)) -page_duration 250000 -f ogg "$tmp/chain.ogg"
    cat "$tmp/chain.ogg" >> audio/bench128.ogg
done
{
    echo
    echo "[bench128.ogg]"
    echo "format=ogg"
    echo "codecs=vorbis,vorbis"
    echo "titles=$(IFS='|'; printf '%s' "${bench_chain_titles[*]/|/ - }")"
    echo "sample_rate=44100"
    echo "channels=2"
    echo "bit_rate=128"
    echo "seconds_per_chain=10"
} >> "$manifest"

# Levelling streams: 6 s of a chord over noise that swells twice a second, brought to a
# loudness (integrated, LUFS) by a measuring pass: a loud one, a quiet one, and a quiet one with
# a near full-scale click every half second for the limiter.
level() {
    local name=$1 lufs=$2 clicks=$3
    local swell="(0.6+0.4*sin(2*PI*2*t))"
    local source="$swell*($chord)+0.05*(random(0)-0.5)+$clicks|$swell*($chord)+0.05*(random(1)-0.5)+$clicks"
    ffmpeg -loglevel error -y -f lavfi -i "aevalsrc=$source:s=44100:d=6" -c:a pcm_f32le \
        "$tmp/level.wav"
    local measured
    measured=$(ffmpeg -hide_banner -nostats -i "$tmp/level.wav" -af ebur128 -f null - 2>&1 |
        awk '/I:/ { value = $2 } END { print value }')
    ffmpeg -loglevel error -y -i "$tmp/level.wav" -af "volume=$(echo "$lufs - $measured" | bc)dB" \
        -c:a libmp3lame -write_xing 0 -id3v2_version 0 -f mp3 -b:a 128k "audio/$name"
}
level level-loud.mp3 -7 0
level level-quiet.mp3 -23 0
level level-peaky.mp3 -23 "if(lt(mod(t\,0.5)\,0.002)\,0.9*sin(2*PI*3000*t)\,0)"

# Chained Ogg stations: three songs of 3 s, each its own logical stream (a serial of its own,
# fresh headers and comments), one after another in one file, as an Icecast source sends them.
# Every chain holds a steady tone pair of its own. The third song has a TITLE and no ARTIST.
chain_titles=("Fehér Lili|Nyári eső" "Kertész Bence|Őszi ágak" "|Árvíztűrő tükörfúrógép")
chain_tones=("440|1000" "550|1250" "660|1500")
# ogg_chain NAME SERIAL_BASE CHAIN_SPEC...: a CHAIN_SPEC is CODEC:RATE:KBITS:INDEX, INDEX picking
# the song's title and tones; the chains' serials are SERIAL_BASE + their place.
ogg_chain() {
    local name=$1 serial=$2
    shift 2
    : > "audio/$name"
    local spec codec rate kbits index artist title left right codecs=() titles=()
    for spec in "$@"; do
        IFS=: read -r codec rate kbits index <<< "$spec"
        IFS='|' read -r artist title <<< "${chain_titles[$index]}"
        IFS='|' read -r left right <<< "${chain_tones[$index]}"
        local options=(-c:a "$codec" -b:a "${kbits}k")
        [ "$codec" = flac ] && options=(-c:a flac -sample_fmt s16)
        local tags=(-metadata "title=$title")
        [ -n "$artist" ] && tags+=(-metadata "artist=$artist")
        ffmpeg -loglevel error -y -f lavfi \
            -i "aevalsrc=0.4*sin(2*PI*$left*t)|0.2*sin(2*PI*$right*t):s=$rate:d=3" \
            "${options[@]}" -map_metadata -1 "${tags[@]}" -fflags +bitexact \
            -serial_offset "$serial" -f ogg "$tmp/chain.ogg"
        cat "$tmp/chain.ogg" >> "audio/$name"
        serial=$((serial + 1))
        codecs+=("${codec#lib}")
        titles+=("${artist:+$artist - }$title")
    done
    {
        echo
        echo "[$name]"
        echo "format=ogg"
        echo "codecs=$(IFS=,; echo "${codecs[*]}")"
        echo "titles=$(IFS='|'; echo "${titles[*]}")"
        echo "seconds_per_chain=3"
    } >> "$manifest"
}
ogg_chain chain-vorbis.ogg 100 libvorbis:44100:128:0 libvorbis:44100:128:1 libvorbis:44100:128:2
ogg_chain chain-opus.opus 200 libopus:48000:96:0 libopus:48000:96:1 libopus:48000:96:2
ogg_chain chain-flac.oga 300 flac:44100::0 flac:44100::1 flac:44100::2
ogg_chain chain-mixed.ogg 400 libvorbis:44100:128:0 libopus:48000:96:1
