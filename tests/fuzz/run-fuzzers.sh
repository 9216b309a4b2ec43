#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build (cmake --workflow --preset fuzz) for a bounded time
# each, starting from the committed seeds, corpus and regressions, with the target's dictionary.
# Fails when any target reports a finding (a failed check, a crash, a sanitizer report, a leak,
# an input that runs too long); the input that did it is left in the findings directory, to be
# committed to tests/fuzz/<target>/regressions once the fault is fixed.
#
# Usage: run-fuzzers.sh [--build DIR] [--seconds N] [TARGET...]
#   --build DIR   the fuzz build (default build/fuzz)
#   --seconds N   time per target (default 45)
#   TARGET        the targets to run (default all: the directories tests/fuzz/<target>/seeds)
# What each run found new goes to DIR/fuzz-runs/<target>/corpus, its findings to
# DIR/fuzz-runs/<target>/findings, its log to DIR/fuzz-runs/<target>.log. To keep what a long
# run found: fuzz_<target> -merge=1 tests/fuzz/<target>/corpus DIR/fuzz-runs/<target>/corpus
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/../../build/fuzz"
seconds=45
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) targets+=("$1"); shift ;;
    esac
done
build=$(realpath "$build")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in "$here"/*/seeds; do targets+=("$(basename "$(dirname "$seeds")")"); done
fi

failed=()
summary=""
for target in "${targets[@]}"; do
    program="$build/tests/fuzz/fuzz_$target"
    [ -x "$program" ] || { echo "run-fuzzers: no $program (build the fuzz preset first)" >&2; exit 2; }
    work="$build/fuzz-runs/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    seeds=()
    for set in seeds corpus regressions; do
        [ -d "$here/$target/$set" ] && seeds+=("$here/$target/$set")
    done
    echo "== $target: $seconds s"
    status=0
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/findings/")
    [ -f "$here/$target.dict" ] && options+=(-dict="$here/$target.dict")
    "$program" "${options[@]}" \
        "$work/corpus" "${seeds[@]}" >"$work.log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work.log")
    coverage=$(grep -o 'cov: [0-9]*' "$work.log" | tail -1 || true)
    line=$(printf '%-16s %10s runs %7s per second  %s' "$target" "${runs:-?}" "${speed:-?}" "${coverage}")
    if [ $status -ne 0 ]; then
        failed+=("$target")
        line="$line  FINDING (status $status)"
        grep -E 'check failed|ERROR|SUMMARY|Test unit written' "$work.log" | head -20 || true
    fi
    echo "$line"
    summary+="$line"$'\n'
done
echo
echo "$summary"
if [ ${#failed[@]} -gt 0 ]; then
    echo "run-fuzzers: findings in ${failed[*]}; see $build/fuzz-runs/<target>.log" >&2
    exit 1
fi
