# The build tree's program folder, ready for a benchmark that runs the receiver from it; sourced
# by the benchmark scripts, expects $build.
# program_folder_ready PORT TOOL...: fails unless every TOOL has been built, no station file or
# Error.log of the user's lies in the folder (the one would replace the benchmark's station
# list, the other hide a new one) and nothing listens on the configuration server's PORT.
program_folder_ready() {
    local port=$1 tool file
    shift
    for tool in "$@"; do
        [ -e "$build/bin/$tool" ] || { echo "missing $build/bin/$tool: build it first" >&2; exit 1; }
    done
    for file in zvadok.ini Error.log; do
        if [ -e "$build/bin/$file" ]; then
            echo "$build/bin/$file exists: move it away before the benchmark" >&2
            exit 1
        fi
    done
    if (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null; then
        echo "port $port is in use (the demo stations?): stop what listens there first" >&2
        exit 1
    fi
}
