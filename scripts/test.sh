#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   1. a RelWithDebInfo build with g++ (warnings are errors when CI is set) and its ctest;
#   2. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer (halting on the
#      first report), its ctest, and every libFuzzer target for a bounded time on its seeds;
#   3. the thread tests once more under ThreadSanitizer.
# Fails when any step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-20}
werror=OFF
[ -n "${CI:-}" ] && werror=ON

scripts/install-deps.sh

step() { printf '\n==== %s\n' "$*"; }

step "build (RelWithDebInfo, g++)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKETREL_WERROR=$werror \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$jobs"
step "tests (RelWithDebInfo)"
ctest --test-dir build -j "$jobs" --output-on-failure

step "build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz targets)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKETREL_SANITIZE=ON -DKETREL_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-asan -j "$jobs"
step "tests (sanitizers)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan -j "$jobs" --output-on-failure

step "fuzz targets (${fuzz_seconds} s each)"
fuzz_failed=0
for f in build-asan/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=${f##*/fuzz_}
    work=$(mktemp -d)
    seeds="fuzz/corpus/$name"
    [ -d "$seeds" ] || seeds=""
    if "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=0 "$work" $seeds >"$work.log" 2>&1; then
        echo "fuzz $name: ok"
    else
        echo "fuzz $name: FAILED"; tail -n 60 "$work.log"; fuzz_failed=1
    fi
    rm -rf "$work" "$work.log"
done
[ $fuzz_failed -eq 0 ] || { echo "a fuzz target failed"; exit 1; }

step "thread tests (ThreadSanitizer)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKETREL_TSAN=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-tsan -j "$jobs"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
if [ -n "$(ctest --test-dir build-tsan -N | grep -E '^ +Test +#' || true)" ]; then
    ctest --test-dir build-tsan -j "$jobs" --output-on-failure
else
    echo "no thread tests yet"
fi
step "all tests passed"
