#!/usr/bin/env bash
# Installs what is missing, builds the program and its sample assets, and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/main/brix ]; then
    exec build/main/brix
fi
echo "The program itself is not built yet. Built so far:"
find build -maxdepth 3 -type f \( -name '*.a' -o -perm -u+x \) ! -name '*.so' ! -path '*/CMakeFiles/*' | sort
