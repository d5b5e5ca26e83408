#!/usr/bin/env bash
# scripts/fuzz.sh against a stand-in build folder outside the checkout: its CMake
# project has empty fuzz_<name> targets, and the "binary" of one target is a script
# that stays clean while the other target has none.
#   FuzzScriptTest.sh <source folder>
set -uo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mapfile -t names < <(ls "$src"/fuzz/*.cpp | head -n 2 | xargs -n 1 basename | sed 's/\.cpp$//')
[ ${#names[@]} -eq 2 ] || { echo "fewer than two fuzz targets"; exit 1; }
built=${names[0]} missing=${names[1]}

mkdir -p "$tmp/project" "$tmp/build/fuzz"
{
    echo "cmake_minimum_required(VERSION 3.16)"
    echo "project(stand_in NONE)"
    for name in "${names[@]}"; do echo "add_custom_target(fuzz_$name)"; done
} >"$tmp/project/CMakeLists.txt"
cmake -S "$tmp/project" -B "$tmp/build" >/dev/null || exit 1
printf '#!/bin/sh\nexit 0\n' >"$tmp/build/fuzz/fuzz_$built"
chmod +x "$tmp/build/fuzz/fuzz_$built"

failures=0
# target | exit status | a line the output holds | a word it must not hold
while IFS='|' read -r target status holds lacks; do
    output=$(cd "$tmp" && FUZZ_BUILD="$tmp/build" FUZZ_JOBS=1 "$src/scripts/fuzz.sh" 1 "$target" 2>&1)
    got=$?
    if [ "$got" -ne "$status" ] || [[ $output != *"$holds"* ]] || [[ $output == *"$lacks"* ]]; then
        echo "fuzz.sh 1 $target: exit $got (want $status), output:"
        printf '%s\n' "$output"
        failures=1
    fi
done <<ROWS
$built|0|fuzz $built: ok|FAILED
$missing|2|is not built|FAILED
ROWS
exit $failures
