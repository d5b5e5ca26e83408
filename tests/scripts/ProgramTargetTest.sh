#!/usr/bin/env bash
# The "program" target, which scripts/run.sh builds, makes the program and every pack,
# level and tune written beside it, and no test program.
#   ProgramTargetTest.sh <build folder>
set -uo pipefail
build=$1
commands=$(ninja -C "$build" -t commands program) || { echo "ninja cannot list the program's commands"; exit 1; }

failures=0
for file in main/brix $(cd "$build" && ls main/*.vad main/*.scn main/*.mp3 2>/dev/null); do
    if ! grep -qF "$file" <<<"$commands"; then
        echo "the program target does not make $file"
        failures=1
    fi
done
if grep -qE ' -o tests/|tests/CMakeFiles/' <<<"$commands"; then
    echo "the program target builds test code:"
    grep -oE ' -o tests/[^ ]*' <<<"$commands" | head -n 5
    failures=1
fi
exit $failures
