#!/usr/bin/env python3
"""What the 12-byte shift between a source's samples (at byte 32) and the
output's (at byte 44) costs a copy, measured inside one process so that no
program start-up or conversion is in the figures.

    python3 bench/copy_offsets.py [MIB] [REPEATS]

Copies MIB MiB (default 1024) from one file to another in a temporary
directory (BENCH_TMPDIR, TMPDIR or /tmp) with copy_file_range at several
pairs of offsets, and with read and write through user-space buffers, each
case REPEATS times (default 5), interleaved; prints the median seconds.
Not part of bench/run.sh: it backs a paragraph of docs/benchmarks.md.
"""
import os
import random
import statistics
import sys
import tempfile
import time
import ctypes
import ctypes.util


def kernel_copy(source, output, size):
    while size:
        moved = os.copy_file_range(source, output, min(size, 1 << 30))
        if moved <= 0:
            raise OSError("copy_file_range stopped early")
        size -= moved


def user_copy(block):
    def copy(source, output, size):
        buffer = memoryview(bytearray(block))
        while size:
            got = os.readv(source, [buffer[: min(block, size)]])
            if got <= 0:
                raise OSError("read stopped early")
            os.write(output, buffer[:got])
            size -= got

    return copy


def aligned_copy(reserve):
    """The program's copy: one 64 KiB buffer, each write ending on a 64 KiB
    offset of the output (the first one carries what precedes the samples),
    the output's blocks reserved first where `reserve` says so."""
    libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    libc.fallocate.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int64, ctypes.c_int64]
    block = 64 << 10

    def copy(source, output, size):
        at = os.lseek(output, 0, os.SEEK_CUR)
        if reserve:
            libc.fallocate(output, 1, 0, at + size)  # FALLOC_FL_KEEP_SIZE
        buffer = memoryview(bytearray(block))
        while size:
            want = min(block - at % block, size)
            got = os.readv(source, [buffer[:want]])
            if got <= 0:
                raise OSError("read stopped early")
            os.write(output, buffer[:got])
            at += got
            size -= got

    return copy


CASES = [
    ("copy_file_range 0 -> 0", 0, 0, kernel_copy),
    ("copy_file_range 32 -> 32", 32, 32, kernel_copy),
    ("copy_file_range 32 -> 44", 32, 44, kernel_copy),
    ("read/write 256 KiB 32 -> 44", 32, 44, user_copy(256 << 10)),
    ("read/write 1 MiB 32 -> 44", 32, 44, user_copy(1 << 20)),
    ("aligned 64 KiB 32 -> 44", 32, 44, aligned_copy(False)),
    ("aligned 64 KiB + reserve 32 -> 44", 32, 44, aligned_copy(True)),
]


def main():
    mib = int(sys.argv[1]) if len(sys.argv) > 1 else 1024
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    size = mib << 20
    where = os.environ.get("BENCH_TMPDIR") or None
    with tempfile.TemporaryDirectory(dir=where) as work:
        source_path = os.path.join(work, "source")
        output_path = os.path.join(work, "output")
        block = random.Random(1).randbytes(1 << 20)
        with open(source_path, "wb") as out:
            for _ in range(mib + 1):
                out.write(block)
        os.sync()
        times = {name: [] for name, *_ in CASES}
        for _ in range(repeats):
            for name, source_offset, output_offset, copy in CASES:
                if os.path.exists(output_path):
                    os.unlink(output_path)
                os.sync()
                source = os.open(source_path, os.O_RDONLY)
                output = os.open(output_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
                os.write(output, b"\0" * output_offset)
                os.lseek(source, source_offset, os.SEEK_SET)
                start = time.perf_counter()
                copy(source, output, size)
                times[name].append(time.perf_counter() - start)
                os.close(source)
                os.close(output)
        for name, values in times.items():
            print("%-36s %.3f s  (%s)" % (name, statistics.median(values), " ".join("%.2f" % v for v in values)))


if __name__ == "__main__":
    main()
