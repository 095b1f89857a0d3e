#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build folder for a bounded time each,
# from its seed corpus (tests/fuzz/corpus/NAME), and prints the executions
# of each. Any crash, time-out or sanitizer report fails the run.
#   tests/fuzz/run.sh BUILD_FOLDER SECONDS_EACH
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
source=$(cd "$(dirname "$0")" && pwd)
artifacts="$(cd "$build" && pwd)/fuzz-artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for harness in "$build"/tests/fuzz/*_fuzz; do
    name=$(basename "$harness")
    # New inputs go to a scratch corpus; the seeds in the tree stay as they are.
    mkdir -p "$work/$name"
    log="$work/$name.log"
    if (cd "$work" && "$harness" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -close_fd_mask=1 \
            -artifact_prefix="$artifacts/$name-" "$work/$name" "$source/corpus/$name") > "$log" 2>&1; then
        runs=$(grep -oE 'Done [0-9]+ runs' "$log" | grep -oE '[0-9]+' || echo '?')
        echo "$name: $runs executions in ${seconds} s"
    else
        echo "$name: FAILED (the input is kept in $artifacts)"
        tail -40 "$log"
        status=1
    fi
done
exit $status
