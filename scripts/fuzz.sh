#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with Debian's clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer), only they and the libraries they read with, in build-fuzz/, and runs
# each on its inputs (fuzz/corpus/<target>/ and fuzz/regressions/<target>/), two at a time:
#   scripts/fuzz.sh           each for 20 seconds: the test command's stage, which a regression fails
#   scripts/fuzz.sh MINUTES   each for MINUTES, with the figures docs/fuzzing.md keeps
#   scripts/fuzz.sh --merge   the inputs the runs found merged into fuzz/corpus/, minimised
# FUZZ_BUILD_DIR=DIR KESTREL_FUZZ_BUILT=1 runs the targets a whole clang build with fuzzer-no-link already
# made in DIR (the test command's sanitizer build) instead of building them here.
# An input that crashes a target, leaks, runs out of memory or takes more than 10 s is kept in
# build-fuzz/findings/<target>/ and fails the run. Once mended, it goes into fuzz/regressions/<target>/
# (the test FuzzCorpus replays it in every build). New inputs the runs find stay in build-fuzz/corpus/.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
targets=(backup_file sql_statements php_serialized blog_links ubb plugin_answers)
merge=
seconds=20
case "${1:-}" in
    "") ;;
    --merge) merge=1 ;;
    *[!0-9]*) echo "usage: scripts/fuzz.sh [MINUTES | --merge]" >&2; exit 2 ;;
    *) seconds=$(($1 * 60)) ;;
esac

started=$(date +%s)
if [ -z "${KESTREL_FUZZ_BUILT:-}" ]; then
    "$top/scripts/install-deps.sh" fuzz
    # Lightly optimised: the targets build quickly and run at most of their speed.
    CXX=clang++ cmake -S "$top" -B "$build" -DKESTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" \
        -DKESTREL_SANITIZE=fuzzer-no-link,address,undefined >/dev/null
    cmake --build "$build" -j 2
fi
for target in "${targets[@]}"; do
    [ -x "$build/fuzz/fuzz_$target" ] || { echo "fuzz.sh: $build/fuzz/fuzz_$target was not built" >&2; exit 1; }
done
built=$(date +%s)

if [ -n "$merge" ]; then
    # Only inputs that reach what the kept ones do not are added; none kept is taken away.
    for target in "${targets[@]}"; do
        mkdir -p "$build/corpus/$target"
        "$build/fuzz/fuzz_$target" -merge=1 "$top/fuzz/corpus/$target" "$build/corpus/$target" \
            >"$build/merge-$target.log" 2>&1
        echo "$target: $(ls "$top/fuzz/corpus/$target" | wc -l) inputs, $(du -sk "$top/fuzz/corpus/$target" | cut -f1) KiB"
    done
    exit 0
fi

# run TARGET: libFuzzer for the time asked, its new inputs into build-fuzz/corpus/, its log kept.
run() {
    local target=$1 inputs=("$top/fuzz/corpus/$1")
    [ -d "$top/fuzz/regressions/$1" ] && inputs+=("$top/fuzz/regressions/$1")
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                   -artifact_prefix="$build/findings/$target/")
    [ -f "$top/fuzz/dictionaries/$target.dict" ] && options+=(-dict="$top/fuzz/dictionaries/$target.dict")
    # A backup is read whole several times an input: the fuzzer works on the first 64 KiB of the real ones.
    [ "$target" = backup_file ] && options+=(-max_len=65536)
    mkdir -p "$build/corpus/$target" "$build/findings/$target"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/fuzz/fuzz_$target" "${options[@]}" "$build/corpus/$target" "${inputs[@]}" >"$build/$target.log" 2>&1
}

rm -rf "$build/findings"
declare -A status
pids=()
for target in "${targets[@]}"; do
    # Two at a time, on two cores.
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n || true; done
    run "$target" &
    pids+=("$!:$target")
done
for entry in "${pids[@]}"; do
    if wait "${entry%%:*}"; then status[${entry#*:}]=0; else status[${entry#*:}]=$?; fi
done
finished=$(date +%s)

# The figures of each run, from libFuzzer's own last lines.
failed=0
printf '%-15s %12s %8s %6s %7s %7s %6s %8s  %s\n' target executions exec/s cov features corpus new "peak MB" findings
for target in "${targets[@]}"; do
    log="$build/$target.log"
    final() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
    executions=$(final number_of_executed_units)
    last=$(grep -E '^#[0-9]+.*cov:' "$log" | tail -1 || true)
    cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$last")
    features=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$last")
    corpus=$(sed -n 's/.*corp: \([0-9]*\).*/\1/p' <<<"$last")
    speed=$(sed -n 's/.*exec\/s: \([0-9]*\).*/\1/p' <<<"$last")
    findings=$(find "$build/findings/$target" -type f | wc -l)
    printf '%-15s %12s %8s %6s %7s %7s %6s %8s  %s\n' "$target" "${executions:-?}" "${speed:-?}" "${cov:-?}" \
        "${features:-?}" "${corpus:-?}" "$(final new_units_added)" "$(final peak_rss_mb)" "$findings"
    if [ "${status[$target]}" -ne 0 ] || [ "$findings" -ne 0 ]; then
        failed=1
        echo "== $target failed (status ${status[$target]}): its log, $log, ends" >&2
        tail -40 "$log" >&2
        find "$build/findings/$target" -type f >&2
    fi
done
echo "fuzz stage: build $((built - started)) s, runs $((finished - built)) s, in all $((finished - started)) s"
exit $failed
