#!/usr/bin/env bash
# Time from process start to the main window being shown, with 13 station logos served by
# stationd on loopback: median of five runs. Usage: bench/startup/run.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/program" "$work/root/logos"
cp "$build"/bin/zv?.skn "$work/program/"
touch "$work/program/zvrt.local"
for i in $(seq 0 12) def; do cp data/logo.gif "$work/root/logos/$i.gif"; done

coproc STATIOND { "$build/bin/stationd" --port 0 --root "$work/root" 2>/dev/null; }
server=$STATIOND_PID
read -r port <&"${STATIOND[0]}"

{
    echo "[Main]"
    echo "pictdef=http://127.0.0.1:$port/logos/def.gif"
    echo "[Adok]"
    for i in $(seq 0 12); do
        echo "adoUrl$i=http://127.0.0.1:$port/stream/$i"
        echo "adoNam$i=Adó $((i + 1))"
        echo "pictur$i=http://127.0.0.1:$port/logos/$i.gif"
        echo "enable$i=1"
    done
} >"$work/program/zvadok.ini"

export TEMP=$work/temp XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$TEMP"
times=()
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$build/bin/startup_bench" "$work/program"
    times+=($((($(date +%s%N) - start) / 1000000)))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
echo "start-up to window shown (ms), five runs sorted: $sorted"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p) ms"
