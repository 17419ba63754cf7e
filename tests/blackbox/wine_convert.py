"""The Windows program end to end under Wine: output bytes, standard error
with CR LF line ends, exit statuses and the files left."""

import os
import subprocess
import tempfile

import winehost
from harness import REFERENCE_OUTPUTS, ProgramTest, pattern_bytes, wav_header, zub_bytes


class WineTest(ProgramTest):
    def run_program(self, *args, **kwargs):
        return winehost.run_exe(args, self.dir, **kwargs)

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


class LargeSources(WineTest):
    def test_source_over_4_gib_is_refused_before_any_output(self):
        # Sparse: the size is what matters, measured in 64 bits.
        with open(self.path("huge.zub"), "wb") as f:
            f.write(zub_bytes(2, 16, 48000))
            f.truncate(0xFFFFFFFF - 36 + 32 + 1)
        r = self.run_program("huge.zub")
        self.assertEqual((r.status, r.stderr), (0, b"[E] 'huge.zub' is too large for a WAV file\r\n"))
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
            r = winehost.run_exe(["link.zub"], mount)
            self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to write 'link.wav'\r\n"))
            self.assertEqual(os.listdir(mount), ["link.zub"])
            self.assertEqual(self.read("big.zub"), source)
        finally:
            if mounted:
                subprocess.run(["umount", mount], check=True)
            os.rmdir(mount)
