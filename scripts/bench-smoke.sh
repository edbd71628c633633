#!/usr/bin/env bash
# A smoke run of every benchmark: each once with a small count, as a normal user (root's run
# goes as "nobody", as the program runs on a timekeeper's laptop). Each must end, print its
# figures as name=value with the figure last, and lose nothing: a figure named *lost* must be 0
# and none may be negative (a benchmark that could not measure). Speed is not judged here; the
# figures of a smoke run on a shared machine say nothing.
#
#   scripts/bench-smoke.sh [build folder]      (default: build-test, with its benchmarks built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-test}")

# The arguments of each benchmark's smoke run. A benchmark without an entry fails the run, so
# a new one cannot be left out. PROGRAM and WORKBOOK stand for the program and the example.
declare -A smoke_args=(
    [bench_app]="PROGRAM WORKBOOK 1"
    [bench_competition]="3"
    [bench_contact_latency]="30 --stress 2"
    [bench_journal]=". 50"
    [crash_days]="3"
    [bench_live]="3 20"
    [bench_printing]="1"
    [bench_protocol]="1"
    [bench_load]="2000"
    [bench_bombs]="1"
    [bench_live_crowd]="100 3"
)
# A benchmark that hangs is stopped after this long; the run then fails.
limit_seconds=600

mapfile -t benches < <(find "$build/bench" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print | sort)
if [ ${#benches[@]} -eq 0 ]; then
    echo "no benchmarks in $build/bench" >&2
    exit 1
fi

# The benchmarks and what they need, in a folder every user may read; each runs in a folder of
# its own that the user may write.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
chmod 755 "$stage"
cp "${benches[@]}" "$build/src/app/brenvolutaris" examples/Beispiel-Wettkampf.xlsx "$stage/"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi

failed=0
for bench in "${benches[@]}"; do
    name=$(basename "$bench")
    if [ -z "${smoke_args[$name]+set}" ]; then
        echo "== $name: no smoke run is set up in scripts/bench-smoke.sh" >&2
        failed=1
        continue
    fi
    read -r -a args <<<"${smoke_args[$name]}"
    args=("${args[@]/#PROGRAM/$stage/brenvolutaris}")
    args=("${args[@]/#WORKBOOK/$stage/Beispiel-Wettkampf.xlsx}")
    work=$(mktemp -d -p "$stage")
    chmod 777 "$work"
    echo "== $name ${args[*]}"
    status=0
    output=$(cd "$work" && env HOME="$work" QT_QPA_PLATFORM=offscreen \
        timeout "$limit_seconds" "${run_as[@]}" "$stage/$name" "${args[@]}" 2>&1) || status=$?
    echo "$output"
    last=$(tail -n 1 <<<"$output")
    problem=""
    if [ "$status" -ne 0 ]; then
        problem="ended with status $status"
    elif ! grep -qE '^[A-Za-z0-9_]+=[0-9.]+$' <<<"$last"; then
        problem="its last line is no figure"
    elif grep -qE '(^|[[:space:]])[A-Za-z0-9_]*lost[A-Za-z0-9_]*=0*[1-9]' <<<"$output"; then
        problem="lost something"
    elif grep -qE '(^|[[:space:]])[A-Za-z0-9_]+=-[0-9]' <<<"$output"; then
        problem="a figure is negative"
    fi
    if [ -n "$problem" ]; then
        echo "== $name: $problem" >&2
        failed=1
    fi
done
if [ "$failed" -ne 0 ]; then
    echo "== Benchmark smoke runs failed" >&2
    exit 1
fi
echo "== Every benchmark ran"
