#!/usr/bin/env python3
"""Draws the spectrogram of a 16-bit WAV file into a PNG picture, with nothing
but the standard library: time runs left to right, frequency bottom to top on a
logarithmic scale (40 Hz to 16 kHz, faint lines at 100 Hz, 1 kHz and 10 kHz),
level from dark (90 dB below the loudest point) to bright.

    scripts/sonogram.py demo.wav demo.png
"""

import array
import cmath
import math
import struct
import sys
import wave
import zlib

WIDTH, HEIGHT = 800, 300
SIZE = 2048  # samples a column
LOW, HIGH = 40.0, 16000.0
RANGE_DB = 90.0


def read_mono(path):
    with wave.open(path) as w:
        if w.getsampwidth() != 2:
            raise SystemExit(f"{path}: 16-bit samples expected")
        channels, rate = w.getnchannels(), w.getframerate()
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    mono = [sum(samples[i:i + channels]) / (channels * 32768.0)
            for i in range(0, len(samples), channels)]
    return mono, rate


def fft(values):
    """In-place iterative radix-2 transform of a list of complex numbers."""
    n = len(values)
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            values[i], values[j] = values[j], values[i]
    length = 2
    while length <= n:
        half = length // 2
        twiddles = [cmath.exp(-2j * math.pi * k / length) for k in range(half)]
        for start in range(0, n, length):
            for k in range(half):
                a = values[start + k]
                b = values[start + k + half] * twiddles[k]
                values[start + k] = a + b
                values[start + k + half] = a - b
        length *= 2
    return values


def columns(mono):
    window = [0.5 - 0.5 * math.cos(2 * math.pi * k / SIZE) for k in range(SIZE)]
    hop = max(1, (len(mono) - SIZE) / (WIDTH - 1))
    out = []
    for c in range(WIDTH):
        start = int(c * hop)
        frame = mono[start:start + SIZE]
        frame += [0.0] * (SIZE - len(frame))
        spectrum = fft([complex(v * w) for v, w in zip(frame, window)])
        out.append([abs(v) for v in spectrum[:SIZE // 2]])
    return out


def rows(rate):
    """For each row from the top, the range of bins it shows."""
    edges = [LOW * (HIGH / LOW) ** (r / HEIGHT) for r in range(HEIGHT + 1)]
    spans = []
    for r in range(HEIGHT):
        lo = int(edges[r] * SIZE / rate)
        hi = max(lo + 1, int(math.ceil(edges[r + 1] * SIZE / rate)))
        spans.append((lo, min(hi, SIZE // 2)))
    return spans[::-1]


def colour(level):
    """0 to 1, dark to bright: black, blue, magenta, orange, pale yellow."""
    stops = [(0.0, (0, 0, 0)), (0.3, (30, 20, 110)), (0.55, (170, 30, 120)),
             (0.8, (250, 140, 30)), (1.0, (255, 250, 200))]
    for (a, ca), (b, cb) in zip(stops, stops[1:]):
        if level <= b:
            t = (level - a) / (b - a)
            return bytes(round(x + (y - x) * t) for x, y in zip(ca, cb))
    return bytes(stops[-1][1])


def png(path, width, height, pixel_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in pixel_rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(source, target):
    mono, rate = read_mono(source)
    cols = columns(mono)
    spans = rows(rate)
    peak = max(max(c) for c in cols) or 1.0
    grid = {min(range(HEIGHT), key=lambda r: abs(spans[r][0] * rate / SIZE - f))
            for f in (100, 1000, 10000)}
    pixel_rows = []
    for r, (lo, hi) in enumerate(spans):
        line = bytearray()
        for c in cols:
            db = 20 * math.log10(max(c[lo:hi]) / peak + 1e-12)
            line += colour(min(1.0, max(0.0, 1 + db / RANGE_DB)))
            if r in grid:
                line[-3:] = bytes(max(v, 70) for v in line[-3:])
        pixel_rows.append(bytes(line))
    png(target, WIDTH, HEIGHT, pixel_rows)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(sys.argv[1], sys.argv[2])
