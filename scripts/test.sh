#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   1. a RelWithDebInfo build with g++ (warnings are errors when CI is set) and its ctest;
#   2. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer (halting on the
#      first report), its ctest (without the slow whole-program tests, label "e2e", which
#      run in the normal build only), and every libFuzzer target on its seeds
#      (scripts/fuzz.sh), several at once, sharing one budget of wall time (FUZZ_BUDGET seconds, default 240;
#      FUZZ_SECONDS instead sets the time of each target);
#   3. the thread tests once more under ThreadSanitizer.
# Fails when any step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_budget=${FUZZ_BUDGET:-240}
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
ctest --test-dir build-asan -j "$jobs" --output-on-failure -LE e2e

# The budget is wall time over one slot per core, so adding targets lengthens no run:
# the targets run in rounds of one per core, each round gets budget / rounds seconds
# (at least 5), and every seed is replayed first.
fuzz_targets=$(find fuzz -maxdepth 1 -name '*.cpp' | wc -l)
fuzz_rounds=$(( (fuzz_targets + jobs - 1) / jobs ))
fuzz_seconds=${FUZZ_SECONDS:-$(( fuzz_budget / (fuzz_rounds > 0 ? fuzz_rounds : 1) ))}
[ "$fuzz_seconds" -ge 5 ] || fuzz_seconds=5
step "fuzz targets (${fuzz_targets} targets, ${fuzz_seconds} s each, ${jobs} at once)"
fuzz_out=$(mktemp -d)
FUZZ_JOBS=$jobs FUZZ_OUT=$fuzz_out FUZZ_TAIL=60 scripts/fuzz.sh "$fuzz_seconds" ||
    { echo "a fuzz target failed"; exit 1; }
rm -rf "$fuzz_out"

step "thread tests (ThreadSanitizer)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKETREL_TSAN=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-tsan -j "$jobs"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
if [ -n "$(ctest --test-dir build-tsan -N | grep -E '^ +Test +#' || true)" ]; then
    ctest --test-dir build-tsan -j "$jobs" --output-on-failure -LE e2e
else
    echo "no thread tests yet"
fi
step "all tests passed"
