#!/usr/bin/env bash
# Remakes the seed packs of the media pack fuzz target with packtool.
#   tools/packtool/make-fuzz-seeds.sh <path to packtool>
set -euo pipefail
tool=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/fuzz/corpus/media_pack"
src=$(mktemp -d)
trap 'rm -rf "$src"' EXIT
mkdir -p "$src/a/gfx/menu" "$src/b"
printf 'menu title' > "$src/a/gfx/menu/title.png"
printf 'plain' > "$src/a/gfx/title.png"
: > "$src/a/empty.bin"
printf '<a x="1"/>' > "$src/b/layout.xml"
"$tool" create "$out/small.vad" "$src/a"
"$tool" create "$out/one.vad" "$src/b"
"$tool" create "$out/named.vad" "snd/boom.wav=$src/a/gfx/title.png" "x=$src/b/layout.xml"
