"""The Windows programs end to end under Wine, each case on the 32-bit and
the 64-bit program: output bytes, standard error with CR LF line ends, exit
statuses and the files left."""

import os
import subprocess
import tempfile

import winehost
from harness import REFERENCE_OUTPUTS, pattern_bytes, wav_header, zub_bytes


class WineTest(winehost.WineTest):
    def assert_quiet_success(self, r):
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))


class Usage(WineTest):
    def test_no_argument_prints_usage_with_crlf_and_exits_1(self):
        r = self.run_program()
        self.assertEqual(r.status, 1)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(r.stderr, b"zub to wav converter\r\nusage: zub2wav in.zub\r\n")
        self.assertEqual(self.files(), [])


class ExactOutputs(WineTest):
    CASES = REFERENCE_OUTPUTS

    def test_the_three_reference_outputs(self):
        for channels, bits, rate, size, header_hex in self.CASES:
            with self.subTest(channels=channels, bits=bits, rate=rate):
                # Sample bytes full of CR and LF: no line-end translation may touch them.
                data = (b"\r\n\n\r\x1a" * 40)[:size]
                source = zub_bytes(channels, bits, rate, data, filler=bytes(range(100, 124)))
                self.write("s.zub", source)
                r = self.run_program("s.zub")
                self.assert_quiet_success(r)
                self.assertEqual(self.read("s.wav"), bytes.fromhex(header_hex) + data)
                if channels:
                    self.assert_converted("s.wav", source, channels, bits, rate)
                self.assertEqual(self.read("s.zub"), source)

    def test_multi_block_sources_copied_whole(self):
        sizes = (4095, 4097, 3 * 4096 + 17, 256 * 1024 + 5, 1 << 20)
        sources = {}
        for size in sizes:
            sources[size] = zub_bytes(2, 16, 48000, pattern_bytes(size, seed=size))
            self.write("big%d.zub" % size, sources[size])
        r = self.run_program(*["big%d.zub" % size for size in sizes])
        self.assert_quiet_success(r)
        for size in sizes:
            with self.subTest(size=size):
                self.assertEqual(self.read("big%d.wav" % size), wav_header(2, 16, 48000, size) + sources[size][32:])


class Failures(WineTest):
    def test_every_message_in_argument_order_with_crlf(self):
        good = zub_bytes(1, 8, 8000, b"\x01\x02")
        self.write("good.zub", good)
        self.write("chan.zub", zub_bytes(3, 16, 48000, b"xx"))
        self.write("width.zub", zub_bytes(1, 24, 8000))
        self.write("rate.zub", zub_bytes(1, 8, 44101))
        self.write("short.zub", b"\x01\x00\x08\x00")
        os.mkdir(self.path("folder.zub"))
        self.write("out.zub", good)
        os.mkdir(self.path("out.wav"))
        r = self.run_program("missing.zub", "chan.zub", "width.zub", "good.zub", "rate.zub", "short.zub",
                             "folder.zub", "out.zub", "NUL", "good.zub")
        self.assertEqual(r.status, 0, r.stderr)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(r.stderr, b"[E] failed to open 'missing.zub'\r\n"
                                   b"error - 1 (3)\r\n"
                                   b"error - 2 (24)\r\n"
                                   b"error - 3\r\n"
                                   b"[E] failed to read 'short.zub'\r\n"
                                   b"[E] failed to open 'folder.zub'\r\n"
                                   b"[E] failed to open 'out.wav'\r\n"
                                   b"[E] failed to open 'NUL'\r\n")
        # A rejected or short header leaves an emptied output; a failed open none.
        for name in ("chan.wav", "width.wav", "rate.wav", "short.wav"):
            self.assertEqual(self.read(name), b"", name)
        self.assertFalse(os.path.exists(self.path("missing.wav")))
        self.assertFalse(os.path.exists(self.path("folder.wav")))
        self.assertEqual(os.listdir(self.path("out.wav")), [])
        self.assertEqual(self.read("good.wav"), wav_header(1, 8, 8000, 2) + b"\x01\x02")

    def test_existing_longer_output_is_replaced(self):
        source = zub_bytes(1, 8, 11025, b"\x80" * 5)
        self.write("y.zub", source)
        self.write("y.wav", b"old content that is longer than the new output will be" * 10)
        self.assert_quiet_success(self.run_program("y.zub"))
        self.assert_converted("y.wav", source, 1, 8, 11025)

    def test_argument_too_long_for_the_name_buffer(self):
        name = "n" * 4092 + ".zub"
        r = self.run_program(name)
        self.assertEqual((r.status, r.stderr), (0, b"[E] failed to open '%s'\r\n" % name.encode()))
        self.assertEqual(self.files(), [])

    def test_read_only_output_is_not_touched(self):
        # Wine lets root write to anything, so this runs as an unprivileged user.
        source = zub_bytes(2, 16, 44100, b"abcd")
        self.write("ro.zub", source)
        self.write("ro.wav", b"keep me")
        os.chmod(self.path("ro.zub"), 0o644)
        os.chmod(self.path("ro.wav"), 0o444)
        r = self.run_program("ro.zub", user=65534)
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to open 'ro.wav'\r\n"))
        self.assertEqual(self.read("ro.wav"), b"keep me")
        self.assertEqual(self.read("ro.zub"), source)


class Naming(WineTest):
    def test_outputs_beside_sources_with_either_separator(self):
        os.mkdir(self.path("old.d"))
        source = zub_bytes(1, 8, 8000, b"\x10\x20")
        self.write("old.d/song", source)
        self.write("old.d/take.1.zub", source)
        r = self.run_program("old.d\\song", "old.d/take.1.zub")
        self.assert_quiet_success(r)
        self.assertEqual(sorted(os.listdir(self.path("old.d"))), ["song", "song.wav", "take.1.wav", "take.1.zub"])
        self.assertFalse(os.path.exists(self.path("old.wav")))
        self.assert_converted("old.d/song.wav", source, 1, 8, 8000)
        self.assert_converted("old.d/take.1.wav", source, 1, 8, 8000)


class SourceProtected(WineTest):
    """Every way the output name can reach the source itself is refused, the
    source left byte for byte as it was."""

    def test_output_name_reaching_the_source(self):
        source = zub_bytes(2, 16, 44100, pattern_bytes(64))
        cases = [
            # what stands under the name the output would get, the argument
            ("upper-case .WAV, found again as .wav", "S.WAV", None),
            ("hard link", "h.zub", lambda: os.link(self.path("h.zub"), self.path("h.wav"))),
            ("symbolic link", "l.zub", lambda: os.symlink("l.zub", self.path("l.wav"))),
        ]
        for label, name, make_link in cases:
            with self.subTest(label):
                self.write(name, source)
                if make_link:
                    make_link()
                before = self.files()
                r = self.run_program(name)
                self.assertEqual((r.status, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"[E] refusing to overwrite the source '%s'\r\n" % name.encode())
                self.assertEqual(self.read(name), source)
                self.assertEqual(self.files(), before)


GIB = 1 << 30
# The largest data size whose RIFF size still fits in 32 bits.
WAV_MAX_DATA_SIZE = 0xFFFFFFFF - 36


class LargeSources(WineTest):
    """Sizes past 2^31 and 2^32, where a size or position held in 32 bits,
    or a signed one, goes wrong (the 32-bit program's size_t is 32 bits).
    The sources are sparse; only a converted output takes room."""

    def make_sparse(self, name, data_size, marks=()):
        """A source of `data_size` zero sample bytes but for `marks`, pairs
        of offset into the samples and the bytes to put there."""
        with open(self.path(name), "wb") as f:
            f.write(zub_bytes(2, 16, 48000))
            for offset, mark in marks:
                f.seek(32 + offset)
                f.write(mark)
            f.truncate(32 + data_size)

    def assert_same_samples(self, source, output):
        """Every sample byte of `source` is in `output` after its header."""
        expected, got = bytearray(16 << 20), bytearray(16 << 20)
        with open(self.path(source), "rb") as s, open(self.path(output), "rb") as o:
            s.seek(32)
            o.seek(44)
            position = 0
            while True:
                n, m = s.readinto(expected), o.readinto(got)
                if (n, m) != (len(expected), len(got)):
                    self.assertEqual(expected[:n], got[:m], "in the block of sample bytes from %d" % position)
                    break
                if expected != got:
                    self.fail("the block of sample bytes from %d differs" % position)
                position += n

    def test_source_over_2_gib_converts_every_byte(self):
        size = 2 * GIB + 5
        # Marks at the start, across the 2 GiB line and in the last bytes.
        self.make_sparse("big.zub", size, ((0, b"first"), (2 * GIB - 3, b"across"), (size - 5, b"last!")))
        try:
            r = self.run_program("big.zub", timeout=600)
            self.assert_quiet_success(r)
            self.assertEqual(os.path.getsize(self.path("big.wav")), 44 + size)
            with open(self.path("big.wav"), "rb") as f:
                header = f.read(44)
                f.seek(-5, os.SEEK_END)
                last = f.read()
            self.assertEqual(header, wav_header(2, 16, 48000, size))
            # Written out: RIFF size 0x80000029 and data size 0x80000005, unsigned.
            self.assertEqual((header[4:8], header[40:44]), (bytes.fromhex("29000080"), bytes.fromhex("05000080")))
            self.assertEqual(last, b"last!")
            self.assert_same_samples("big.zub", "big.wav")
        finally:
            if os.path.exists(self.path("big.wav")):
                os.unlink(self.path("big.wav"))

    def test_source_too_large_is_refused_before_any_output(self):
        cases = (
            ("one byte past the largest", WAV_MAX_DATA_SIZE + 1),
            ("4 GiB, 0 in 32 bits", 4 * GIB),
            ("4 GiB + 5, small in 32 bits", 4 * GIB + 5),
        )
        for label, size in cases:
            with self.subTest(label):
                self.make_sparse("huge.zub", size)
                r = self.run_program("huge.zub")
                self.assertEqual((r.status, r.stdout, r.stderr),
                                 (0, b"", b"[E] 'huge.zub' is too large for a WAV file\r\n"))
                self.assertEqual(self.files(), ["huge.zub"])


class FullDisk(WineTest):
    def test_failed_write_removes_the_incomplete_output(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        mount = tempfile.mkdtemp(prefix="zub2wav-full-")
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", mount],
                                 capture_output=True).returncode == 0
        try:
            if not mounted:
                self.skipTest("cannot mount a tmpfs here")
            # The source stays outside, reached through a link; only the
            # output has to fit on the small file system, and cannot.
            source = zub_bytes(2, 16, 48000, pattern_bytes(400 * 1024))
            os.symlink(self.write("big.zub", source), os.path.join(mount, "link.zub"))
            r = winehost.run_exe(self.program, ["link.zub"], mount)
            self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to write 'link.wav'\r\n"))
            self.assertEqual(os.listdir(mount), ["link.zub"])
            self.assertEqual(self.read("big.zub"), source)
        finally:
            if mounted:
                subprocess.run(["umount", mount], check=True)
            os.rmdir(mount)


load_tests = winehost.load_tests
