#!/usr/bin/env bash
# Installs what is missing, builds the program and its sample assets (not the tests), and
# starts it.
# When the program's lobby address (127.0.0.1:5000 unless the build says otherwise) has
# nothing listening, our lobby server is started there first and stopped when the
# program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target program
if [ ! -x build/main/brix ]; then
    echo "The program itself is not built yet. Built so far:"
    find build -maxdepth 3 -type f \( -name '*.a' -o -perm -u+x \) ! -name '*.so' \
        ! -path '*/CMakeFiles/*' | sort
    exit 1
fi

port=5000
host=$(sed -n 's/^BRIX_LOBBY_HOST:[A-Z]*=//p' build/CMakeCache.txt 2>/dev/null || true)
host=${host:-127.0.0.1}
listening() { (: >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

case "$host" in
127.0.0.1 | localhost)
    if ! listening; then
        mkdir -p build/lobbyserver
        echo "Starting the lobby server on 127.0.0.1:$port (log: build/lobbyserver/server.log)"
        python3 tools/lobbyserver/server.py --host 127.0.0.1 --port "$port" \
            --db build/lobbyserver/lobby.db --packs build/main \
            >>build/lobbyserver/server.log 2>&1 &
        server_pid=$!
        for _ in $(seq 100); do
            listening && break
            if ! kill -0 "$server_pid" 2>/dev/null; then
                echo "The lobby server did not start; see build/lobbyserver/server.log" >&2
                server_pid=""
                break
            fi
            sleep 0.1
        done
    fi
    ;;
*)
    echo "The program uses the lobby server at $host:$port."
    ;;
esac

status=0
build/main/brix || status=$?
exit "$status"
