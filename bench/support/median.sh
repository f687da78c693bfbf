# median FORMAT: prints the median of the numbers on stdin, one a line, with the printf FORMAT.
# Sourced by the benchmark scripts.
median() {
    sort -g | awk -v f="$1" '{ v[NR] = $1 }
        END { printf f, NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
