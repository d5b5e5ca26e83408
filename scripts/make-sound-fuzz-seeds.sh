#!/usr/bin/env bash
# Writes the seed corpus of fuzz/sound_wave.cpp: small RIFF/WAVE files (PCM, IMA ADPCM,
# one with label, note and cue chunks) and Ogg Vorbis streams (single and chained),
# made with sox and python3. The seeds are committed; run this again only to remake them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/fuzz/corpus/sound_wave"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 8000 -c 2 -b 16 "$out/pcm16_stereo.wav" synth 40s sine 440 sine 660
sox -n -r 8000 -c 1 -b 8 -e unsigned-integer "$out/pcm8_mono.wav" synth 60s square 300
sox -n -r 8000 -c 1 -e ima-adpcm "$out/adpcm_mono.wav" synth 505s sine 200-900
sox -n -r 8000 -c 2 -e ima-adpcm "$out/adpcm_stereo.wav" synth 505s sine 300 sine 500
sox -n -r 8000 -c 1 "$out/ogg_mono.ogg" synth 0.05 sine 500
sox -n -r 8000 -c 1 "$tmp/a.ogg" synth 0.02 sine 300
sox -n -r 8000 -c 1 "$tmp/b.ogg" synth 0.02 sine 900
cat "$tmp/a.ogg" "$tmp/b.ogg" > "$out/ogg_chained.ogg"

# PCM with a label list, a note, a cue chunk and a "fact" chunk around the data.
python3 - "$out/pcm16_chunks.wav" <<'PY'
import struct, sys
def chunk(cid, body): return cid + struct.pack('<I', len(body)) + body
fmt = struct.pack('<HHIIHH', 1, 1, 8000, 16000, 2, 16)
data = b''.join(struct.pack('<h', (i * 997) % 20000 - 10000) for i in range(32))
adtl = b'adtl' + chunk(b'labl', struct.pack('<I', 1) + b'intro\0') \
       + chunk(b'note', struct.pack('<I', 2) + b'loop\0\0')
cue = struct.pack('<I', 1) + bytes(24)
body = b'WAVE' + chunk(b'fmt ', fmt) + chunk(b'fact', struct.pack('<I', 32)) \
       + chunk(b'LIST', adtl) + chunk(b'cue ', cue) + chunk(b'data', data)
open(sys.argv[1], 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY
ls -l "$out"
