#!/usr/bin/env bash
# Installs what is missing, builds the program and its sample assets, and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/main/brix ]; then
    # The lobby server stands in for the online service on the default address
    # unless something already listens there; it stops when the program ends.
    if ! (: >/dev/tcp/127.0.0.1/5000) 2>/dev/null; then
        mkdir -p build/lobbyserver
        python3 tools/lobbyserver/server.py --port 5000 --db build/lobbyserver/lobby.db \
            --packs build/main 2>>build/lobbyserver/server.log &
        server_pid=$!
        trap 'kill "$server_pid" 2>/dev/null || true' EXIT
        for _ in $(seq 50); do
            (: >/dev/tcp/127.0.0.1/5000) 2>/dev/null && break
            sleep 0.1
        done
    fi
    status=0
    build/main/brix || status=$?
    exit "$status"
fi
echo "The program itself is not built yet. Built so far:"
find build -maxdepth 3 -type f \( -name '*.a' -o -perm -u+x \) ! -name '*.so' ! -path '*/CMakeFiles/*' | sort
