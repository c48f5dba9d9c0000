#!/usr/bin/env bash
# sorrel-dis --raw against xxd -b on the same 64 MiB pseudo-random image, in
# one run: input bytes per second of each (best of 3), their ratio, and the
# peak memory of sorrel-dis. Fails when sorrel-dis is not at least 5 times as
# fast as xxd -b or its peak memory reaches 32 MiB.
#
#   bash bench/cli/compare_xxd.sh BUILD_DIR
#   bash bench/cli/compare_xxd.sh PATH/TO/sorrel-dis PATH/TO/sorrel_make_random_image
#   cmake --build BUILD_DIR --target bench-cli
set -euo pipefail

if [ $# -eq 1 ] && [ -d "$1" ]; then
    dis="$1/cli/sorrel-dis"
    generator="$1/bench/cli/sorrel_make_random_image"
elif [ $# -eq 2 ]; then
    dis="$1"
    generator="$2"
else
    echo "Usage: $0 BUILD_DIR | SORREL_DIS GENERATOR" >&2
    exit 2
fi
for program in "$dis" "$generator"; do
    if [ ! -x "$program" ]; then
        echo "$0: $program is not built" >&2
        exit 2
    fi
done

min_ratio=5
max_rss_kib=$((32 * 1024))
size=$((64 * 1024 * 1024))
runs=3

# xxd and GNU time are Debian packages of their own.
missing=()
command -v xxd > /dev/null || missing+=(xxd)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image="$work/random.bin"
"$generator" "$image" "$size"
cat "$image" > /dev/null  # both programs read it from the page cache

# Runs a command $runs times with its output thrown away; sets best (seconds)
# and rss (the largest peak resident set, KiB).
measure() {
    best=""
    rss=0
    for _ in $(seq "$runs"); do
        local start end seconds peak
        start=$(date +%s%N)
        /usr/bin/time -f %M -o "$work/rss" "$@" > /dev/null
        end=$(date +%s%N)
        seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
        peak=$(tail -n 1 "$work/rss")
        if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
            best=$seconds
        fi
        if [ "$peak" -gt "$rss" ]; then
            rss=$peak
        fi
    done
}

measure "$dis" --raw "$image"
dis_time=$best
dis_rss=$rss
measure xxd -b "$image"
xxd_time=$best
xxd_rss=$rss

awk -v size="$size" -v dt="$dis_time" -v xt="$xxd_time" -v dr="$dis_rss" -v xr="$xxd_rss" \
    -v min="$min_ratio" -v maxrss="$max_rss_kib" -v runs="$runs" 'BEGIN {
    mb = size / 1e6
    ratio = xt / dt
    printf "image: %d bytes (64 MiB), pseudo-random; best of %d runs each, output to /dev/null\n", size, runs
    printf "sorrel-dis --raw  %7.3f s  %8.1f MB/s  peak RSS %6.1f MiB\n", dt, mb / dt, dr / 1024
    printf "xxd -b            %7.3f s  %8.1f MB/s  peak RSS %6.1f MiB\n", xt, mb / xt, xr / 1024
    printf "ratio %.2f (needs at least %d); sorrel-dis peak RSS %.1f MiB (needs under %d MiB)\n",
           ratio, min, dr / 1024, maxrss / 1024
    if (ratio < min || dr >= maxrss) {
        print "FAIL"
        exit 1
    }
    print "PASS"
}'
