#!/usr/bin/env bash
# Runs the speed and memory benchmarks and prints their figures.
#
#   bench/run-benchmarks.sh BUILD_DIR [REPETITIONS]
#
# BUILD_DIR is a build folder with the benchmark programs built (targets
# basewright-cli and basewright_gmp_peer, and whichever other benchmark
# programs are present). Each timing is the best of REPETITIONS runs
# (default 5); the runs of the programs compared are interleaved so that
# both see the same machine load. Inputs are generated with a fixed seed
# into a temporary folder that is removed at the end.
#
# CLI_ONLY=1 runs only the batch converter's speed comparisons; BEFORE_CLI
# is described below.
#
# Exit status: 0 when every comparison ran and the outputs agreed, 1 when
# outputs disagreed or a program failed. Missed goals are printed, not
# counted as failures: the machine is shared and noisy.

set -euo pipefail
export LC_ALL=C

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 BUILD_DIR [REPETITIONS]" >&2
    exit 2
fi
BUILD=$(cd "$1" && pwd)
REPS=${2:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/basewright-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
STATUS=0

CLI=$BUILD/basewright-cli
GMP_PEER=$BUILD/bench/basewright_gmp_peer
WORD_PEER=$BUILD/bench/basewright_word_peer
# BEFORE_CLI=PATH adds an earlier basewright-cli to the per-entry comparison,
# run interleaved with the others, for before-and-after figures.
BEFORE_CLI=${BEFORE_CLI:-}

# ------------------------------------------------------------------ helpers

# Seconds taken by one run of a command: run_once IN OUT CMD...
run_once() {
    local in=$1 out=$2
    shift 2
    # Freeing the pages of an earlier output is not the program's work.
    rm -f "$out"
    local start=$EPOCHREALTIME
    "$@" <"$in" >"$out" || true
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

min_of() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Compares the converter with the GMP peer on one input:
# compare LABEL INPUT GOAL CLI_ARGS -- PEER_ARGS
compare() {
    local label=$1 input=$2 goal=$3
    shift 3
    local cli_args=() peer_args=()
    while [[ $1 != -- ]]; do cli_args+=("$1"); shift; done
    shift
    peer_args=("$@")

    local best_cli="" best_gmp="" t r
    for ((r = 0; r < REPS; r++)); do
        t=$(run_once "$input" "$WORK/out.cli" "$CLI" "${cli_args[@]}")
        best_cli=$(min_of "$best_cli" "$t")
        t=$(run_once "$input" "$WORK/out.gmp" "$GMP_PEER" "${peer_args[@]}")
        best_gmp=$(min_of "$best_gmp" "$t")
    done
    local agree=yes
    if ! cmp -s "$WORK/out.cli" "$WORK/out.gmp"; then
        agree=NO
        STATUS=1
    fi
    awk -v l="$label" -v c="$best_cli" -v g="$best_gmp" -v goal="$goal" -v agree="$agree" 'BEGIN {
        ratio = c / g
        printf "%-44s %8.3f s %8.3f s %7.3f  <= %-4s %-6s %s\n", l, c, g, ratio, goal,
               (ratio <= goal ? "met" : "MISSED"), agree
    }'
}

# Peak resident memory in MB of a command reading a stream:
# peak_memory LABEL PRODUCER_CMD -- CMD...
peak_memory() {
    local label=$1
    shift
    local producer=()
    while [[ $1 != -- ]]; do producer+=("$1"); shift; done
    shift
    local rc=0 start end
    start=$EPOCHREALTIME
    "${producer[@]}" | /usr/bin/time -f '%M' -o "$WORK/rss" "$@" >/dev/null 2>"$WORK/stderr" || rc=$?
    end=$EPOCHREALTIME
    # The converter's own messages (Overflow reports) precede time's line.
    local kb
    kb=$(tail -n 1 "$WORK/rss")
    awk -v l="$label" -v kb="$kb" -v rc="$rc" -v a="$start" -v b="$end" 'BEGIN {
        mb = kb / 1024
        printf "%-44s %8.1f MB  (goal < 20 MB: %s)  exit %d, %.1f s\n", l, mb,
               (mb < 20 ? "met" : "MISSED"), rc, b - a
    }'
}

# ------------------------------------------------------------------ inputs

echo "Generating inputs in $WORK ..."
python3 "$HERE/gen_inputs.py" "$WORK/in"

# ------------------------------------------- batch converter against GMP

echo
echo "basewright-cli against GMP (mpz_set_str/mpz_get_str), best of $REPS runs"
if [[ -x $CLI && -x $GMP_PEER ]]; then
    printf "%-44s %10s %10s %7s  %-7s %-6s %s\n" "case" "cli" "gmp" "ratio" "goal" "" "same output"
    compare "1,000,000 64-bit decimals to hexadecimal" "$WORK/in/dec64.txt" 0.5 \
        --conversion "Decimal To Hexadecimal" -- 10 16
    compare "100,000 1000-bit decimals to hexadecimal" "$WORK/in/dec1000.txt" 1.0 \
        --conversion "Decimal To Hexadecimal" -- 10 16
    compare "300,000 256-bit hexadecimals to binary" "$WORK/in/hex256.txt" 1.0 \
        --conversion "Hexadecimal To Binary" -- 16 2
    compare "300,000 128-bit binaries to decimal" "$WORK/in/bin128.txt" 1.0 \
        --conversion "Binary To Decimal" -- 2 10
else
    echo "skipped: build the targets basewright-cli and basewright_gmp_peer in $BUILD"
    STATUS=1
fi

# ------------------------- per entry: against GMP and a hand-tuned word loop

# Wall and CPU (user + system) seconds of one run: time_once IN CMD...
time_once() {
    local in=$1
    shift
    local start=$EPOCHREALTIME
    local cpu
    cpu=$( ( "$@" <"$in" >"$WORK/out.$$" || true; times ) | tail -n 1 |
        awk '{ gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4 }')
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" -v c="$cpu" 'BEGIN { printf "%.4f %.4f\n", b - a, c }'
}

# The best wall and best CPU time of REPS interleaved runs of each program,
# in ns per entry: per_entry LABEL INPUT COUNT FROM TO -- CLI_ARGS...
per_entry() {
    local label=$1 input=$2 count=$3 from=$4 to=$5
    shift 6
    local -a names=(cli gmp word) cmds
    local -A wall cpu
    [[ -n $BEFORE_CLI ]] && names+=(before)
    local r name t
    for ((r = 0; r < REPS; r++)); do
        for name in "${names[@]}"; do
            case $name in
            cli) cmds=("$CLI" "$@") ;;
            before) cmds=("$BEFORE_CLI" "$@") ;;
            gmp) cmds=("$GMP_PEER" "$from" "$to") ;;
            word) cmds=("$WORD_PEER" "$from" "$to") ;;
            esac
            t=$(time_once "$input" "${cmds[@]}")
            wall[$name]=$(min_of "${wall[$name]:-}" "${t% *}")
            cpu[$name]=$(min_of "${cpu[$name]:-}" "${t#* }")
            if [[ $r -eq 0 ]]; then cp "$WORK/out.$$" "$WORK/first.$name"; fi
        done
    done
    local agree=yes
    for name in "${names[@]}"; do
        cmp -s "$WORK/first.cli" "$WORK/first.$name" || { agree=NO; STATUS=1; }
    done
    awk -v l="$label" -v n="$count" -v cw="${wall[cli]}" -v cc="${cpu[cli]}" -v gw="${wall[gmp]}" \
        -v gc="${cpu[gmp]}" -v ww="${wall[word]}" -v wc="${cpu[word]}" -v bw="${wall[before]:-}" \
        -v bc="${cpu[before]:-}" -v agree="$agree" 'BEGIN {
        ns = 1e9 / n
        before = bw == "" ? "" : sprintf("  before %6.1f/%6.1f", bw * ns, bc * ns)
        printf "%-40s cli %6.1f/%6.1f  gmp %6.1f/%6.1f  word %6.1f/%6.1f%s  cli/word %.2f  cli/gmp %.2f  same: %s\n",
               l, cw * ns, cc * ns, gw * ns, gc * ns, ww * ns, wc * ns, before, cc / wc, cc / gc, agree
    }'
}

echo
echo "basewright-cli per entry against GMP and a hand-tuned word loop, ns per entry as"
echo "wall/CPU (best of $REPS interleaved runs; goals: 64-bit case cli/word <= 1.5,"
echo "cli/gmp < 1 everywhere)"
if [[ -x $CLI && -x $GMP_PEER && -x $WORD_PEER ]]; then
    per_entry "4,000,000 64-bit decimals to hex" "$WORK/in/dec64x4m.txt" 4000000 10 16 -- \
        --conversion "Decimal To Hexadecimal"
    per_entry "1,000,000 20-digit decimals to binary" "$WORK/in/dec20.txt" 1000000 10 2 -- \
        --conversion "Decimal To Binary"
    per_entry "300,000 128-bit binaries to decimal" "$WORK/in/bin128.txt" 300000 2 10 -- \
        --conversion "Binary To Decimal"
    per_entry "10,000 30,000-character zero-led decimals" "$WORK/in/zeros30k.txt" 10000 10 16 -- \
        --conversion "Decimal To Hexadecimal"
    # Strict reading against the default mode on the same entries (goal: at
    # most 10 % more CPU).
    best_default="" best_strict=""
    for ((r = 0; r < REPS; r++)); do
        t=$(time_once "$WORK/in/dec64x4m.txt" "$CLI")
        best_default=$(min_of "$best_default" "${t#* }")
        t=$(time_once "$WORK/in/dec64x4m.txt" "$CLI" --strict)
        best_strict=$(min_of "$best_strict" "${t#* }")
    done
    awk -v d="$best_default" -v s="$best_strict" 'BEGIN {
        printf "%-40s default %6.1f  --strict %6.1f ns CPU  ratio %.3f  <= 1.10 %s\n", "4,000,000 64-bit decimals, --strict",
               d * 250, s * 250, s / d, (s / d <= 1.10 ? "met" : "MISSED")
    }'
else
    echo "skipped: build the targets basewright-cli, basewright_gmp_peer and basewright_word_peer in $BUILD"
    STATUS=1
fi

# CLI_ONLY=1 stops here: the batch converter's speed figures alone.
if [[ -n ${CLI_ONLY:-} ]]; then exit $STATUS; fi

# ------------------------------------------------ batch converter memory

echo
echo "basewright-cli peak memory (max RSS) on 1 GiB streamed through a pipe"
if [[ -x $CLI && -x /usr/bin/time ]]; then
    GIB=1073741824
    peak_memory "1 GiB of 64-bit decimals, results only" \
        python3 "$HERE/gen_inputs.py" --stream $GIB -- "$CLI"
    peak_memory "1 GiB of 64-bit decimals, --full" \
        python3 "$HERE/gen_inputs.py" --stream $GIB -- "$CLI" --full
    # One entry of 2^30 characters: it fails (too long) but must neither be
    # held in memory nor split into several entries.
    peak_memory "one line of 1 GiB, --full" \
        bash -c "head -c $GIB /dev/zero | tr '\\0' 7" -- "$CLI" --full
else
    echo "skipped: needs $CLI and /usr/bin/time"
fi

# ---------------------------------------------- further benchmark programs
# Each section runs one program of the build folder if it was built.

run_program() {
    local name=$1
    shift
    local program=$BUILD/bench/$name
    echo
    echo "$name"
    if [[ -x $program ]]; then
        "$program" "$@" || STATUS=1
    else
        echo "skipped: not built"
    fi
}

# ConvertEntry by digit count (Google Benchmark), with the GMP figures beside it.
run_program basewright_core_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

# The list view component: a million rows appended while shown.
run_program basewright_listview_bench

# "Start Converting" on a million 20-digit and 100,000 300-digit entries.
run_program basewright_run_bench

# Close with 1M and 5M stored input rows (time, longest event-loop gap)
# against QSettings' writer; start with 1M (time, idle memory) against the
# same rows loaded from a file.
run_program basewright_window_bench

# Load, text file and clipboard on a million rows, through the window.
run_program basewright_export_bench

# Every long command of the lists through the window at 1 and 5 million rows:
# wall and CPU time, the longest event-loop gap (goal under 50 ms), bytes per
# row of each list, the peak memory of the load and the run.
run_program basewright_lists_bench

# 200,000 rows handed to a headless office (needs soffice), against the
# earlier way of making the office calls on the window thread.
run_program basewright_spreadsheet_bench

exit $STATUS
