#!/usr/bin/env bash
# Runs libFuzzer targets for a while each, several at once, each on a copy of its seed
# corpus (every seed is replayed first), and prints one line per target as it ends:
#   fuzz NAME: ok                                  it stayed clean
#   fuzz NAME: FAILED, finding FILE (log FILE)     the input that failed is kept
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS of fuzzing per target (default 60); TARGET a name of fuzz/<name>.cpp (default:
# every target). Environment:
#   FUZZ_JOBS   targets run at once (default: the number of cores)
#   FUZZ_BUILD  the clang sanitizer build with the fuzz targets, any folder (a relative
#               one lies in the checkout; default build-asan; configured when missing,
#               the targets built when out of date)
#   FUZZ_OUT    where each target's corpus copy, log and finding go (default
#               FUZZ_BUILD/fuzz-runs/<date-time>); a clean target's folder is removed
#   FUZZ_KEEP   set: keep the grown corpora of clean targets too
#   FUZZ_TAIL   N: print the last N lines of a failed target's log after its line
# Exit status: 0 when every target stayed clean, 1 when one failed, 2 for a usage or
# build error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

usage() { echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2; }
seconds=60
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
[ "$seconds" -ge 1 ] || usage
jobs=${FUZZ_JOBS:-$(nproc)}
[[ $jobs =~ ^[0-9]+$ ]] && [ "$jobs" -ge 1 ] || usage
tail_lines=${FUZZ_TAIL:-0}
build=${FUZZ_BUILD:-build-asan}
[[ $build == /* ]] || build=$root/$build

names=()
if [ $# -eq 0 ]; then
    for src in fuzz/*.cpp; do
        name=${src##*/}
        names+=("${name%.cpp}")
    done
else
    for arg in "$@"; do
        name=${arg#fuzz_}
        [ -f "fuzz/$name.cpp" ] || { echo "no fuzz target '$arg' (fuzz/$name.cpp)" >&2; exit 2; }
        names+=("$name")
    done
fi
[ ${#names[@]} -gt 0 ] || { echo "no fuzz targets" >&2; exit 2; }

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKETREL_SANITIZE=ON -DKETREL_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
if ! log=$(cmake --build "$build" -j "$jobs" --target "${names[@]/#/fuzz_}" 2>&1); then
    printf '%s\n' "$log" | tail -n 40
    echo "the fuzz targets did not build" >&2
    exit 2
fi
for name in "${names[@]}"; do
    [ -x "$build/fuzz/fuzz_$name" ] ||
        { echo "fuzz target '$name' is not built: no $build/fuzz/fuzz_$name" >&2; exit 2; }
done

out=${FUZZ_OUT:-$build/fuzz-runs/$(date +%Y%m%d-%H%M%S)}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One target in its own folder: a copy of the seeds, the log, and any finding.
run_one() {
    local name=$1 dir="$out/$1"
    rm -rf "$dir"
    mkdir -p "$dir/corpus"
    if [ -d "fuzz/corpus/$name" ]; then
        cp -R "fuzz/corpus/$name/." "$dir/corpus/"
    fi
    if "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=0 -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1; then
        echo ok >"$dir/result"
    else
        echo failed >"$dir/result"
    fi
}

failed=0
report() {
    local name=$1 dir="$out/$1" finding
    if [ "$(cat "$dir/result" 2>/dev/null)" = ok ]; then
        echo "fuzz $name: ok"
        [ -n "${FUZZ_KEEP:-}" ] || rm -rf "$dir"
        return
    fi
    failed=1
    finding=$(ls -d "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* 2>/dev/null | head -n 1 || true)
    echo "fuzz $name: FAILED, finding ${finding:-none written} (log $dir/log)"
    if [ "$tail_lines" -gt 0 ]; then
        tail -n "$tail_lines" "$dir/log"
    fi
}

declare -A running=()
stop() {
    local pid
    for pid in "${!running[@]}"; do
        pkill -TERM -P "$pid" 2>/dev/null || true
        kill -- "$pid" 2>/dev/null || true
    done
    exit 130
}
trap stop INT TERM

finish_one() {
    local pid=""
    wait -n -p pid "${!running[@]}" || true
    [ -n "$pid" ] || return 0
    report "${running[$pid]}"
    unset "running[$pid]"
}

for name in "${names[@]}"; do
    while [ ${#running[@]} -ge "$jobs" ]; do
        finish_one
    done
    run_one "$name" &
    running[$!]=$name
done
while [ ${#running[@]} -gt 0 ]; do
    finish_one
done

rmdir "$out" 2>/dev/null || echo "fuzz runs kept in $out"
exit $failed
