#!/bin/sh
# Builds the benchmarks in one Release build and runs them all, one after
# another, each one's output in OUT/NAME.txt: the figures of the README's
# Measurements section. Needs Xvfb for the window benchmarks and ExifTool for
# the comparisons; takes about a quarter of an hour on two cores.
#   bench/run_all.sh [BUILD] [OUT]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-rel}"
out="${2:-bench-results}"
mkdir -p "$out"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
build="$(cd "$build" && pwd)"
run() {
    name="$1"
    shift
    echo "== $name: $*"
    { date -u '+%Y-%m-%d %H:%M:%S UTC'; grep -m1 'model name' /proc/cpuinfo; uptime; "$@"; uptime; } >"$out/$name.txt" 2>&1
}
xrun() {
    name="$1"
    shift
    run "$name" xvfb-run -a -s "-screen 0 1600x1000x24" "$@"
}
run frame "$build/bench/bench_frame" --benchmark_repetitions=5
run pixconv "$build/bench/bench_pixconv" --benchmark_repetitions=10
run picture "$build/bench/bench_picture" --benchmark_repetitions=7
xrun drop "$build/bench/bench_drop" --benchmark_repetitions=5
xrun playback-2k "$build/bench/bench_playback" 2k 5
xrun playback-4k "$build/bench/bench_playback" 4k 5
run folder-10000 "$build/bench/bench_folder"
run folder-100000 "$build/bench/bench_folder" 100000
run sequence "$build/bench/bench_sequence"
run sequence-peers /usr/bin/python3 bench/bench_sequence.py "$build/src/cli/tessaview-dump" "$build/bench/bench_sequence" --no-mediainfo
run dump /usr/bin/python3 bench/bench_dump.py "$build/src/cli/tessaview-dump"
run peak-memory env TESSA_BIN="$build/src/app/tessaview" TESSA_TEST_DATA="$PWD/tests/data" \
    xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/python3 bench/peak_memory.py
echo "results in $out"
