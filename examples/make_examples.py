#!/usr/bin/env python3
"""Writes the example sources in this folder: a short tone, a stereo clip,
and one whose header the converter rejects."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def source(channels, bits, rate, samples, note):
    filler = note.encode("ascii")[:24].ljust(24, b"\0")  # bytes 8..31: never read
    return struct.pack("<HHi", channels, bits, rate) + filler + samples


def tone():
    # 0.25 s of 440 Hz, mono, 16-bit, 22050 Hz.
    rate = 22050
    frames = rate // 4
    data = b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / rate))) for i in range(frames))
    return source(1, 16, rate, data, "tone 440 Hz")


def stereo():
    # 0.2 s, 8-bit unsigned, 11025 Hz: a rising tone left, a falling one right.
    rate = 11025
    frames = rate // 5
    out = bytearray()
    for i in range(frames):
        t = i / rate
        left = math.sin(2 * math.pi * (300 + 1500 * t) * t)
        right = math.sin(2 * math.pi * (900 - 1500 * t) * t)
        out += bytes((128 + int(100 * left), 128 + int(100 * right)))
    return source(2, 8, rate, bytes(out), "stereo sweep")


def rejected():
    # 24-bit samples are not supported: the converter says "error - 2 (24)".
    return source(1, 24, 48000, bytes(30), "24-bit, rejected")


def main():
    for name, content in (("tone.zub", tone()), ("stereo.zub", stereo()), ("rejected.zub", rejected())):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    main()
