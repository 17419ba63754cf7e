"""Shared pieces of the end-to-end tests: run the program, make sources,
read WAV files back with independent readers."""

import os
import shlex
import shutil
import struct
import subprocess
import tempfile
import unittest
import wave

PROGRAM = os.path.abspath(os.environ["ZUB2WAV"]) if os.environ.get("ZUB2WAV") else ""

RATES = (48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000)

# Three sources and the exact WAV headers they must give, written out by hand:
# channels, bits, rate, number of sample bytes, the header in hex.
REFERENCE_OUTPUTS = (
    (2, 16, 44100, 0, "52 49 46 46 24 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 02 00 44 AC 00 00 "
                      "10 B1 02 00 04 00 10 00 64 61 74 61 00 00 00 00"),
    (1, 8, 8000, 100, "52 49 46 46 88 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 01 00 40 1F 00 00 "
                      "40 1F 00 00 01 00 08 00 64 61 74 61 64 00 00 00"),
    # Channel count 0 passes: channels, byte rate and block align are 0.
    (0, 16, 22050, 3, "52 49 46 46 27 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 00 00 22 56 00 00 "
                      "00 00 00 00 00 00 10 00 64 61 74 61 03 00 00 00"),
)


def zub_bytes(channels, bits, rate, data=b"", filler=b"\0" * 24):
    """A source: the three header fields, 24 bytes the program never reads, the samples."""
    return struct.pack("<HHi", channels, bits, rate) + filler + data


def wav_header(channels, bits, rate, data_size):
    """The 44-byte header the program must write, computed independently."""
    block_align = channels * bits // 8
    return (b"RIFF" + struct.pack("<I", data_size + 36) + b"WAVE" + b"fmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block_align, block_align, bits) +
            b"data" + struct.pack("<I", data_size))


def pattern_bytes(size, seed=1):
    """Deterministic, non-repeating-looking sample bytes."""
    out = bytearray(size)
    x = seed & 0xFFFFFFFF
    for i in range(size):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out[i] = (x >> 16) & 0xFF
    return bytes(out)


class Result:
    def __init__(self, status, stdout, stderr):
        self.status = status
        self.stdout = stdout
        self.stderr = stderr


# A command put in front of the program, for instance a memory checker:
# ZUB2WAV_WRAPPER="valgrind --error-exitcode=99 -q".
WRAPPER = shlex.split(os.environ.get("ZUB2WAV_WRAPPER", ""))


def command_line(args, user=None, program=None):
    """The command that runs the program with `args`, unprivileged through
    setpriv with user=65534, behind ZUB2WAV_WRAPPER when that is set."""
    command = WRAPPER + [program or PROGRAM] + list(args)
    if user is not None:
        command = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups"] + command
    return command


def run(args, cwd, timeout=60, user=None, env=None, program=None):
    """Runs the program with `args` (bytes or str) in `cwd`. With user=65534 it
    runs unprivileged through setpriv. Returns status, stdout and stderr bytes."""
    command = command_line(args, user, program)
    completed = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, timeout=timeout, env=env)
    return Result(completed.returncode, completed.stdout, completed.stderr)


def independent_readers_agree(test, path, channels, bits, rate, frames):
    """Reads a WAV back with Python's wave module, and soxi / ffprobe where
    installed, and checks channels, rate, width and frame count."""
    with wave.open(str(path), "rb") as w:
        test.assertEqual(w.getnchannels(), channels)
        test.assertEqual(w.getframerate(), rate)
        test.assertEqual(w.getsampwidth() * 8, bits)
        test.assertEqual(w.getnframes(), frames)
    if shutil.which("soxi"):
        for flag, expected in (("-c", channels), ("-r", rate), ("-b", bits), ("-s", frames)):
            info = subprocess.run(["soxi", flag, str(path)], capture_output=True, text=True)
            test.assertEqual(info.returncode, 0, info.stderr)
            test.assertEqual(info.stdout.strip(), str(expected), "soxi " + flag)
    if shutil.which("ffprobe"):
        info = subprocess.run(["ffprobe", "-v", "error", "-show_entries",
                               "stream=channels,sample_rate,bits_per_sample,duration_ts", "-of",
                               "default=noprint_wrappers=1", str(path)], capture_output=True, text=True)
        test.assertEqual(info.returncode, 0, info.stderr)
        fields = dict(line.split("=", 1) for line in info.stdout.splitlines() if "=" in line)
        test.assertEqual(fields["channels"], str(channels))
        test.assertEqual(fields["sample_rate"], str(rate))
        test.assertEqual(fields["bits_per_sample"], str(bits))
        # ffprobe gives no duration for a stream without frames.
        test.assertEqual(fields["duration_ts"], str(frames) if frames else "N/A")


class ProgramTest(unittest.TestCase):
    """A test case with a fresh temporary directory as `self.dir`."""

    def setUp(self):
        if not PROGRAM:
            self.fail("set ZUB2WAV to the program under test")
        self._tmp = tempfile.TemporaryDirectory(prefix="zub2wav-")
        self.dir = self._tmp.name
        os.chmod(self.dir, 0o777)  # unprivileged runs may write here

    def tearDown(self):
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, content):
        with open(self.path(name), "wb") as f:
            f.write(content)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run_program(self, *args, **kwargs):
        return run(args, self.dir, **kwargs)

    def files(self):
        return sorted(os.listdir(self.dir))

    def assert_converted(self, name, source, channels, bits, rate):
        """The output `name` holds the right header and every sample byte of `source`."""
        data = source[32:]
        self.assertEqual(self.read(name), wav_header(channels, bits, rate, len(data)) + data)
        if channels > 0:
            independent_readers_agree(self, self.path(name), channels, bits, rate,
                                      len(data) // (channels * bits // 8))
