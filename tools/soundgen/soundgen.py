#!/usr/bin/env python3
"""Synthesises the game's sounds: every name of the game's sound table, short and small.

    soundgen.py <out folder>      writes <out>/<pack>/sounds/<name> for the PCM and IMA
                                  ADPCM sounds, and <out>/vorbis-src/<pack>/sounds/<name> as
                                  16-bit PCM for the ones to be encoded to Ogg Vorbis
    soundgen.py --vorbis          prints "<pack>/sounds/<name>" of the Ogg Vorbis sounds,
                                  one a line
    soundgen.py --music <out>     writes <out>/<name>.wav, 16-bit PCM, for each music file
                                  <name>.mp3 of the music table, to be encoded to MP3
    soundgen.py --no-vorbis <out> writes the Ogg Vorbis ones as 16-bit PCM in their packs
                                  (for a build without an encoder)

The table names every sound ".wav"; the engine tells the formats apart by their first bytes,
so an Ogg Vorbis sound keeps its ".wav" name. Everything is mono at 22050 Hz and made from a
fixed seed per sound, so two runs write the same bytes. Standard library only.
"""
import math
import os
import random
import struct
import sys
import zlib

RATE = 22050
ADPCM_BLOCK = 256                      # bytes per mono block: 505 samples

PCM, ADPCM, VORBIS = "pcm", "adpcm", "vorbis"


# ---------------------------------------------------------------- building blocks

def frames(seconds):
    return max(1, int(seconds * RATE))


def sweep(f0, f1, seconds, shape=math.sin, curve=1.0):
    """A tone gliding from f0 to f1 Hz (curve > 1 bends the glide late)."""
    n = frames(seconds)
    out, phase = [], 0.0
    for i in range(n):
        t = (i / n) ** curve
        phase += 2.0 * math.pi * (f0 + (f1 - f0) * t) / RATE
        out.append(shape(phase))
    return out


def square(phase):
    return 1.0 if math.sin(phase) >= 0.0 else -1.0


def triangle(phase):
    return 2.0 / math.pi * math.asin(math.sin(phase))


def noise(seconds, rng):
    return [rng.uniform(-1.0, 1.0) for _ in range(frames(seconds))]


def lowpass(samples, cutoff):
    """One pole; cutoff in Hz, a number or a function of the position 0..1."""
    out, y, n = [], 0.0, len(samples)
    for i, x in enumerate(samples):
        c = cutoff(i / n) if callable(cutoff) else cutoff
        a = 1.0 - math.exp(-2.0 * math.pi * c / RATE)
        y += a * (x - y)
        out.append(y)
    return out


def highpass(samples, cutoff):
    low = lowpass(samples, cutoff)
    return [x - l for x, l in zip(samples, low)]


def envelope(samples, attack=0.005, decay=None, release=0.01):
    """Linear attack and release; decay (seconds to 1/e) makes an exponential fall."""
    n = len(samples)
    a, r = frames(attack), frames(release)
    out = []
    for i, x in enumerate(samples):
        g = 1.0
        if i < a:
            g = i / a
        if n - i < r:
            g *= (n - i) / r
        if decay:
            g *= math.exp(-(i / RATE) / decay)
        out.append(x * g)
    return out


def vibrato(samples, depth, rate):
    return [x * (1.0 - depth + depth * math.cos(2.0 * math.pi * rate * i / RATE))
            for i, x in enumerate(samples)]


def mix(*parts):
    n = max(len(p) for p in parts)
    out = [0.0] * n
    for p in parts:
        for i, x in enumerate(p):
            out[i] += x
    return out


def join(*parts):
    out = []
    for p in parts:
        out.extend(p)
    return out


def gain(samples, g):
    return [x * g for x in samples]


def silence(seconds):
    return [0.0] * frames(seconds)


def normalise(samples, peak=0.7):
    top = max(1e-9, max(abs(x) for x in samples))
    return [x * peak / top for x in samples]


def note(midi, seconds, shape=triangle, decay=0.25):
    f = 440.0 * 2.0 ** ((midi - 69) / 12.0)
    return envelope(sweep(f, f, seconds, shape), attack=0.004, decay=decay, release=0.02)


def chirp(rng, seconds):
    """A small bird call: a few fast up-and-down glides."""
    parts = []
    for _ in range(rng.randint(2, 4)):
        base = rng.uniform(2200.0, 3600.0)
        parts.append(envelope(sweep(base, base * rng.uniform(1.2, 1.6), rng.uniform(0.05, 0.09)),
                              attack=0.004, release=0.02))
        parts.append(silence(rng.uniform(0.03, 0.09)))
    body = join(*parts)
    return join(body, silence(max(0.0, seconds - len(body) / RATE)))


# ---------------------------------------------------------------- the sounds

def button(rng, f0, f1):
    return envelope(sweep(f0, f1, 0.05), attack=0.002, decay=0.015, release=0.005)


def shot(rng):
    thump = envelope(sweep(180.0, 55.0, 0.25, curve=0.5), decay=0.07)
    burst = envelope(lowpass(noise(0.25, rng), lambda t: 4000.0 * (1.0 - t) + 300.0), decay=0.04)
    return mix(thump, gain(burst, 0.8))


def bounce(rng, f0, f1, seconds, wobble):
    return vibrato(envelope(sweep(f0, f1, seconds), decay=seconds / 3.0), wobble, 30.0)


def splash(rng, seconds, size):
    wash = envelope(highpass(lowpass(noise(seconds, rng), 3000.0 / size), 200.0),
                    attack=0.01, decay=seconds / 3.0)
    bubbles = []
    t = 0.0
    while t < seconds * 0.7:
        f = rng.uniform(500.0, 1100.0) / size
        b = envelope(sweep(f, f * 1.8, 0.04), decay=0.015)
        bubbles.append(join(silence(t), b))
        t += rng.uniform(0.03, 0.08)
    return mix(gain(wash, 1.5), *[gain(b, 0.3) for b in bubbles])


def explosion(rng):
    rumble = envelope(sweep(70.0, 35.0, 0.8), decay=0.3)
    body = envelope(lowpass(noise(0.8, rng), lambda t: 1800.0 * (1.0 - t) ** 2 + 120.0),
                    attack=0.003, decay=0.2)
    return mix(gain(body, 3.0), rumble)


def jump(rng):
    return envelope(sweep(220.0, 760.0, 0.18, shape=triangle, curve=0.6), decay=0.1)


def stretch(rng):
    return vibrato(envelope(sweep(150.0, 420.0, 0.35, shape=triangle), release=0.05), 0.3, 18.0)


def whip(rng):
    swish = envelope(highpass(noise(0.18, rng), lambda t: 500.0 + 5000.0 * t),
                     attack=0.06, release=0.01)
    crack = envelope(noise(0.03, rng), attack=0.001, decay=0.008)
    return join(gain(swish, 0.6), crack)


def melody(steps, shape=triangle):
    """steps: (midi note or None, seconds)."""
    return join(*[note(m, s, shape) if m is not None else silence(s) for m, s in steps])


def beep(rng, f, seconds):
    return envelope(sweep(f, f, seconds, shape=square), attack=0.003, release=0.02)


def timer_end(rng):
    return envelope(mix(sweep(220.0, 200.0, 0.5, shape=square), sweep(233.0, 210.0, 0.5, shape=square)),
                    decay=0.3, release=0.05)


def ambient_common(rng):
    return chirp(rng, rng.uniform(0.7, 1.1))


def ambient_rare(rng, kind):
    if kind == 0:     # a far horn
        tone = mix(sweep(147.0, 147.0, 1.4, triangle), gain(sweep(220.5, 220.5, 1.4, triangle), 0.5))
        return envelope(lowpass(tone, 900.0), attack=0.3, release=0.5)
    if kind == 1:     # a gull
        calls = [join(envelope(sweep(1500.0, 900.0, 0.22, curve=0.7), release=0.05), silence(0.08))
                 for _ in range(3)]
        return join(*calls)
    # a wooden creak
    return envelope(vibrato(lowpass(sweep(95.0, 70.0, 1.0, shape=square), 700.0), 0.6, 11.0),
                    attack=0.1, release=0.2)


def ambient_loop(rng):
    """Wind over water that loops without a seam: the tail is faded into the head."""
    seconds, overlap = 3.0, 0.5
    wind = lowpass(noise(seconds + overlap, rng), lambda t: 500.0 + 300.0 * math.sin(2.0 * math.pi * t))
    wind = [x * (0.6 + 0.4 * math.sin(2.0 * math.pi * 0.7 * i / RATE)) for i, x in enumerate(wind)]
    n, k = frames(seconds), frames(overlap)
    out = wind[:n]
    for i in range(k):
        w = i / k
        out[i] = out[i] * w + wind[n + i] * (1.0 - w)
    return out


def track(bpm, melody_notes, bass_notes, drums=True):
    """Music in beats: melody and bass as (midi or None, beats); a kick on every beat and a
    hat on every off-beat. The parts are laid over each other sample by sample."""
    beat = 60.0 / bpm
    lead = join(*[note(m, b * beat, triangle, decay=0.35) if m is not None else silence(b * beat)
                  for m, b in melody_notes])
    bass = join(*[lowpass(note(m, b * beat, square, decay=0.5), 600.0) if m is not None
                  else silence(b * beat) for m, b in bass_notes])
    parts = [gain(lead, 0.6), gain(bass, 0.5)]
    if drums:
        rng = random.Random(bpm)
        beats = int(round(len(lead) / RATE / beat))
        kick = envelope(sweep(120.0, 45.0, 0.15, curve=0.5), decay=0.05)
        hat = envelope(highpass(noise(0.05, rng), 4000.0), attack=0.001, decay=0.012)
        for i in range(beats):
            parts.append(join(silence(i * beat), gain(kick, 0.7)))
            parts.append(join(silence((i + 0.5) * beat), gain(hat, 0.25)))
    return mix(*parts)


def theme(rng):
    # Four bars in C major at 140 bpm, ending where it began so that it loops.
    melody_notes = [(72, 1), (76, 0.5), (79, 0.5), (77, 1), (76, 1),
                    (74, 1), (77, 0.5), (81, 0.5), (79, 2),
                    (76, 1), (79, 0.5), (84, 0.5), (83, 1), (81, 1),
                    (79, 0.5), (77, 0.5), (76, 0.5), (74, 0.5), (72, 2)]
    bass_notes = [(48, 2), (48, 2), (50, 2), (55, 2), (45, 2), (53, 2), (55, 2), (48, 2)]
    return track(140.0, melody_notes, bass_notes)


def intro(rng):
    melody_notes = [(67, 0.5), (72, 0.5), (76, 0.5), (79, 0.5), (84, 1.5), (None, 0.5),
                    (83, 0.5), (84, 2)]
    bass_notes = [(48, 2), (43, 2), (48, 2)]
    return track(120.0, melody_notes, bass_notes, drums=False)


# Music: not packed, read from the program's folder, and MP3 (the encoding is CMake's).
MUSIC = [
    ("GloobTheme.mp3", theme),
    ("GloobIntro.mp3", intro),
]


# name, pack, format, maker. The order is the sound table's.
SOUNDS = [
    ("buttondown.wav", "dataAudio", PCM, lambda r: button(r, 900.0, 600.0)),
    ("buttonup.wav", "dataAudio", PCM, lambda r: button(r, 600.0, 1000.0)),
    ("ammunta01.wav", "dataAudio", PCM, shot),
    ("ammus_pomppu01.wav", "dataAudio", PCM, lambda r: bounce(r, 520.0, 380.0, 0.12, 0.2)),
    ("ammus_veteen01.wav", "dataAudio", ADPCM, lambda r: splash(r, 0.4, 1.0)),
    ("explosio01.wav", "dataAudio", ADPCM, explosion),
    ("hyppy01.wav", "dataAudio", PCM, jump),
    ("pelaaja_pomppu01.wav", "dataAudio", PCM, lambda r: bounce(r, 300.0, 150.0, 0.15, 0.5)),
    ("pelaaja_veteen01.wav", "dataAudio", ADPCM, lambda r: splash(r, 0.6, 1.6)),
    ("venytys01.wav", "dataAudio", PCM, stretch),
    ("gloobwhip.wav", "dataAudio", PCM, whip),
    ("startgame.wav", "dataAudio", VORBIS,
     lambda r: melody([(60, 0.12), (64, 0.12), (67, 0.12), (72, 0.35)])),
    ("wingame.wav", "dataAudio", VORBIS,
     lambda r: melody([(67, 0.12), (72, 0.12), (76, 0.12), (79, 0.2), (76, 0.1), (79, 0.45)])),
    ("losegame.wav", "dataAudio", VORBIS,
     lambda r: melody([(67, 0.2), (63, 0.2), (60, 0.2), (55, 0.5)])),
    ("tiegame.wav", "dataAudio", VORBIS, lambda r: melody([(67, 0.2), (None, 0.05), (67, 0.35)])),
    ("timeralert.wav", "dataAudio", PCM, lambda r: beep(r, 880.0, 0.12)),
    ("timerend.wav", "dataAudio", PCM, timer_end),
    ("ambient_common_00.wav", "dataAmbientAudio", ADPCM, ambient_common),
    ("ambient_common_01.wav", "dataAmbientAudio", ADPCM, ambient_common),
    ("ambient_common_02.wav", "dataAmbientAudio", ADPCM, ambient_common),
    ("ambient_rare_00.wav", "dataAmbientAudio2", ADPCM, lambda r: ambient_rare(r, 0)),
    ("ambient_rare_01.wav", "dataAmbientAudio2", ADPCM, lambda r: ambient_rare(r, 1)),
    ("ambient_rare_02.wav", "dataAmbientAudio2", ADPCM, lambda r: ambient_rare(r, 2)),
    ("ambient_loop_00.wav", "dataAmbientAudio", VORBIS, ambient_loop),
]


# ---------------------------------------------------------------- writing

def to_pcm16(samples):
    return [max(-32768, min(32767, int(round(x * 32767.0)))) for x in samples]


def riff(fmt_body, chunks):
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt_body)) + fmt_body
    for cid, data in chunks:
        if len(data) % 2:
            data += b"\0"             # chunks are kept even: readers need no padding rule
        body += cid + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def wav_pcm16(pcm):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    return riff(fmt, [(b"data", struct.pack("<%dh" % len(pcm), *pcm))])


STEPS = [7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55,
         60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307,
         337, 371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411,
         1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358,
         5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500,
         20350, 22385, 24623, 27086, 29794, 32767]
INDEX_MOVES = [-1, -1, -1, -1, 2, 4, 6, 8]


def adpcm_encode(pcm):
    """Mono IMA ADPCM in 256-byte blocks: a 4-byte header (first sample, step index), then
    504 four-bit codes, low nibble first. The last block is filled with silence."""
    per_block = 1 + (ADPCM_BLOCK - 4) * 2
    blocks = (len(pcm) + per_block - 1) // per_block
    pcm = pcm + [0] * (blocks * per_block - len(pcm))
    out, index = bytearray(), 0
    for b in range(blocks):
        block = pcm[b * per_block:(b + 1) * per_block]
        predictor = block[0]
        out += struct.pack("<hBB", predictor, index, 0)
        codes = []
        for sample in block[1:]:
            step = STEPS[index]
            delta = sample - predictor
            code = 0
            if delta < 0:
                code, delta = 8, -delta
            moved = step >> 3
            if delta >= step:
                code |= 4
                delta -= step
                moved += step
            step >>= 1
            if delta >= step:
                code |= 2
                delta -= step
                moved += step
            step >>= 1
            if delta >= step:
                code |= 1
                moved += step
            predictor = predictor - moved if code & 8 else predictor + moved
            predictor = max(-32768, min(32767, predictor))
            index = max(0, min(88, index + INDEX_MOVES[code & 7]))
            codes.append(code)
        for i in range(0, len(codes), 2):
            out.append(codes[i] | (codes[i + 1] << 4))
    return bytes(out), len(pcm)


def wav_adpcm(pcm):
    data, count = adpcm_encode(pcm)
    per_block = 1 + (ADPCM_BLOCK - 4) * 2
    avg = RATE * ADPCM_BLOCK // per_block
    fmt = struct.pack("<HHIIHHHH", 0x11, 1, RATE, avg, ADPCM_BLOCK, 4, 2, per_block)
    return riff(fmt, [(b"fact", struct.pack("<I", count)), (b"data", data)])


def make(name, maker):
    rng = random.Random(zlib.crc32(name.encode("ascii")))
    return to_pcm16(normalise(maker(rng)))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def entry(pack, name):
    """Where a sound lies below the output folder; the pack entry is named "sounds/<name>"."""
    return "%s/sounds/%s" % (pack, name)


def main(argv):
    if len(argv) == 2 and argv[1] == "--vorbis":
        for name, pack, kind, _ in SOUNDS:
            if kind == VORBIS:
                print(entry(pack, name))
        return 0
    if len(argv) == 3 and argv[1] == "--music":
        for name, maker in MUSIC:
            base = os.path.splitext(name)[0]
            write(os.path.join(argv[2], base + ".wav"), wav_pcm16(make(name, maker)))
        return 0
    vorbis = True
    if len(argv) == 3 and argv[1] == "--no-vorbis":
        vorbis, argv = False, argv[:1] + argv[2:]
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    for name, pack, kind, maker in SOUNDS:
        pcm = make(name, maker)
        if kind == ADPCM:
            write(os.path.join(out, entry(pack, name)), wav_adpcm(pcm))
        elif kind == PCM or not vorbis:
            write(os.path.join(out, entry(pack, name)), wav_pcm16(pcm))
        else:
            write(os.path.join(out, "vorbis-src", entry(pack, name)), wav_pcm16(pcm))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
