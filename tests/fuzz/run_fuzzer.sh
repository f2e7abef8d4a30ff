#!/bin/sh
# run_fuzzer.sh FUZZER CORPUS_WRITER PEER_DIR WORK_DIR SECONDS
# A bounded run from the seeds; the working corpus grows between runs.
set -eu
fuzzer=$1 writer=$2 peers=$3 work=$4 seconds=$5
mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts"
cp "$peers"/*.dpx "$peers"/scanners/*.dpx "$work/seeds/"
"$writer" hostile "$work/seeds" >/dev/null
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=65536 -timeout=10 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" "$work/seeds"
