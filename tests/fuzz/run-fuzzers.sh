#!/usr/bin/env bash
# Runs every libFuzzer target of a build folder for a set time and prints,
# per target, the executions, the time taken and the crashes found.
#
#   tests/fuzz/run-fuzzers.sh BUILD_DIR [SECONDS]
#
# BUILD_DIR was configured with -DBASEWRIGHT_FUZZ=ON and its target
# basewright_fuzzers built. Each fuzzer starts from its seed corpus in the
# tree, works in a copy of it (the tree is never written) and leaves what it
# found in a folder under $TMPDIR that is named at the end. Exit status 1
# when any target crashed or could not run.
set -uo pipefail

if [[ $# -lt 1 || ! -f $1/tests/fuzz/fuzzers.txt ]]; then
    echo "usage: $0 BUILD_DIR [SECONDS]   (BUILD_DIR configured with -DBASEWRIGHT_FUZZ=ON)" >&2
    exit 2
fi
LIST=$1/tests/fuzz/fuzzers.txt
SECONDS_EACH=${2:-180}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/basewright-fuzz.XXXXXX")
STATUS=0

printf '%-20s %14s %9s %8s %s\n' "target" "executions" "seconds" "crashes" "corpus"
while IFS=$'\t' read -r name program seeds environment; do
    [[ -z $name ]] && continue
    mkdir -p "$WORK/$name/corpus" "$WORK/$name/crashes"
    cp -r "$seeds"/. "$WORK/$name/corpus/" 2>/dev/null
    log=$WORK/$name/log
    start=$EPOCHREALTIME
    # -fork keeps going after a crash, so one finding does not end the run.
    env $environment "$program" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -fork=1 -ignore_crashes=1 -artifact_prefix="$WORK/$name/crashes/" \
        "$WORK/$name/corpus" >"$log" 2>&1
    rc=$?
    end=$EPOCHREALTIME
    # With -fork the parent's status lines start with the total executions
    # ("#12345: cov: ..."); the last one counts.
    execs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
    crashes=$(find "$WORK/$name/crashes" -type f | wc -l)
    units=$(find "$WORK/$name/corpus" -type f | wc -l)
    awk -v n="$name" -v e="${execs:-?}" -v a="$start" -v b="$end" -v c="$crashes" -v u="$units" \
        'BEGIN { printf "%-20s %14s %9.0f %8d %d files\n", n, e, b - a, c, u }'
    if [[ $crashes -ne 0 || ( $rc -ne 0 && $crashes -eq 0 && ! -s $log ) ]]; then
        STATUS=1
    fi
done <"$LIST"
echo "Logs, corpora and any crashing inputs: $WORK"
exit $STATUS
