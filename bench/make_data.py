#!/usr/bin/env python3
"""Writes the sources the benchmarks convert: 16-bit stereo 44100 Hz .zub files.

    make_data.py large PATH SAMPLE_BYTES    one source with that many sample bytes
    make_data.py small DIR COUNT FILE_BYTES COUNT sources of FILE_BYTES each (header included)

The samples are pseudo-random bytes (a 1 MiB block repeated), so no file
system can shrink them and no tool can take a short cut on zeros.
"""
import os
import random
import struct
import sys

HEADER = struct.pack("<HHi", 2, 16, 44100) + bytes(24)
BLOCK = random.Random(2024).randbytes(1 << 20)


def write_large(path, sample_bytes):
    with open(path, "wb") as out:
        out.write(HEADER)
        left = sample_bytes
        while left:
            chunk = BLOCK[: min(left, len(BLOCK))]
            out.write(chunk)
            left -= len(chunk)


def write_small(directory, count, file_bytes):
    samples = file_bytes - len(HEADER)
    for index in range(count):
        start = (index * 4099) % (len(BLOCK) - samples)
        with open(os.path.join(directory, "src%06d.zub" % index), "wb") as out:
            out.write(HEADER + BLOCK[start : start + samples])


def main():
    kind = sys.argv[1]
    if kind == "large":
        write_large(sys.argv[2], int(sys.argv[3]))
    elif kind == "small":
        write_small(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        sys.exit("make_data.py: unknown kind " + kind)


if __name__ == "__main__":
    main()
