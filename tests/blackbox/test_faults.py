"""Failures end to end: what the program says and what it leaves on disk."""

import contextlib
import os
import subprocess
import tempfile
import unittest

from harness import ProgramTest, pattern_bytes, wav_header, zub_bytes

GOOD = zub_bytes(2, 16, 44100, pattern_bytes(64))
MAX_DATA = 0xFFFFFFFF - 36  # the largest data size a WAV header can state


@contextlib.contextmanager
def small_tmpfs(size):
    """A real file system of `size` bytes, for a real full disk."""
    mount_point = tempfile.mkdtemp(prefix="zub2wav-full-")
    try:
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0777" % size, "tmpfs",
                                  mount_point], capture_output=True)
        if mounted.returncode != 0:
            raise unittest.SkipTest("cannot mount a tmpfs here: " + mounted.stderr.decode(errors="replace"))
        try:
            yield mount_point
        finally:
            subprocess.run(["umount", mount_point], check=True)
    finally:
        os.rmdir(mount_point)


class OpenFailures(ProgramTest):
    def test_missing_source_creates_nothing_and_spares_an_existing_output(self):
        self.write("gone.wav", b"keep me")
        r = self.run_program("nothing.zub", "gone.zub")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] failed to open 'nothing.zub'\n[E] failed to open 'gone.zub'\n")
        self.assertEqual(self.files(), ["gone.wav"])
        self.assertEqual(self.read("gone.wav"), b"keep me")

    def test_directory_as_source(self):
        os.mkdir(self.path("folder.zub"))
        r = self.run_program("folder.zub")
        self.assertEqual((r.status, r.stderr), (0, b"[E] failed to open 'folder.zub'\n"))
        self.assertEqual(self.files(), ["folder.zub"])

    def test_directory_as_output(self):
        self.write("s.zub", GOOD)
        os.mkdir(self.path("s.wav"))
        r = self.run_program("s.zub")
        self.assertEqual((r.status, r.stderr), (0, b"[E] failed to open 's.wav'\n"))
        self.assertTrue(os.path.isdir(self.path("s.wav")))
        self.assertEqual(os.listdir(self.path("s.wav")), [])
        self.assertEqual(self.read("s.zub"), GOOD)

    def test_fifo_source_is_refused_without_hanging(self):
        os.mkfifo(self.path("pipe.zub"))
        r = self.run_program("pipe.zub", timeout=10)
        self.assertEqual((r.status, r.stderr), (0, b"[E] failed to open 'pipe.zub'\n"))
        self.assertEqual(self.files(), ["pipe.zub"])

    def test_fifo_as_output_is_refused_without_hanging(self):
        self.write("s.zub", GOOD)
        os.mkfifo(self.path("s.wav"))
        r = self.run_program("s.zub", timeout=10)
        self.assertEqual((r.status, r.stderr), (0, b"[E] failed to open 's.wav'\n"))

    def test_read_only_output_as_unprivileged_user(self):
        # A bad header too: the output is opened, and refused, before the
        # header is read, so only the open failure is told.
        self.write("s.zub", GOOD)
        self.write("bad.zub", zub_bytes(7, 16, 44100))
        for name in ("s.wav", "bad.wav"):
            self.write(name, b"precious")
            os.chmod(self.path(name), 0o444)
        r = self.run_program("s.zub", "bad.zub", user=65534)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] failed to open 's.wav'\n[E] failed to open 'bad.wav'\n")
        self.assertEqual(self.read("s.wav"), b"precious")
        self.assertEqual(self.read("bad.wav"), b"precious")
        self.assertEqual(self.read("s.zub"), GOOD)


class HeaderFailures(ProgramTest):
    def test_short_sources_are_told_and_leave_an_empty_output(self):
        for size in (0, 1, 8, 31):
            with self.subTest(size=size):
                self.write("short.zub", GOOD[:size])
                self.write("short.wav", b"old output")
                r = self.run_program("short.zub")
                self.assertEqual((r.status, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"[E] failed to read 'short.zub'\n")
                self.assertEqual(self.read("short.wav"), b"")

    def test_rejected_headers_leave_an_empty_output(self):
        cases = [
            (zub_bytes(3, 16, 44100, b"data"), b"error - 1 (3)\n"),
            (zub_bytes(65535, 16, 44100), b"error - 1 (65535)\n"),
            (zub_bytes(1, 24, 44100), b"error - 2 (24)\n"),
            (zub_bytes(1, 16, 44101), b"error - 3\n"),
            (zub_bytes(5, 24, 1), b"error - 1 (5)\n"),
        ]
        for source, message in cases:
            with self.subTest(message=message):
                self.write("r.zub", source)
                self.write("r.wav", b"old output")
                r = self.run_program("r.zub")
                self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", message))
                self.assertEqual(self.read("r.wav"), b"")
                self.assertEqual(self.read("r.zub"), source)

    def test_header_is_not_recognised_by_name(self):
        self.write("sound.raw", GOOD)
        r = self.run_program("sound.raw")
        self.assertEqual((r.status, r.stderr), (0, b""))
        self.assert_converted("sound.wav", GOOD, 2, 16, 44100)


class SourceProtection(ProgramTest):
    def assert_refused(self, argument, source_name):
        before = self.read(source_name)
        mode = os.stat(self.path(source_name)).st_mode
        r = self.run_program(argument)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] refusing to overwrite the source '%s'\n" % argument.encode())
        self.assertEqual(self.read(source_name), before)
        self.assertEqual(os.stat(self.path(source_name)).st_mode, mode)

    def test_source_already_named_wav(self):
        self.write("take.wav", GOOD)
        self.assert_refused("take.wav", "take.wav")
        self.assertEqual(self.files(), ["take.wav"])

    def test_output_name_hard_linked_to_the_source(self):
        self.write("s.zub", GOOD)
        os.link(self.path("s.zub"), self.path("s.wav"))
        self.assert_refused("s.zub", "s.zub")

    def test_output_name_a_symbolic_link_to_the_source(self):
        self.write("s.zub", GOOD)
        os.symlink("s.zub", self.path("s.wav"))
        self.assert_refused("s.zub", "s.zub")
        self.assertTrue(os.path.islink(self.path("s.wav")))

    def test_source_a_symbolic_link_to_the_output_name(self):
        self.write("real.wav", GOOD)
        os.symlink("real.wav", self.path("real.zub"))
        self.assert_refused("real.zub", "real.wav")

    def test_other_sources_still_convert_after_a_refusal(self):
        self.write("a.wav", GOOD)
        self.write("b.zub", GOOD)
        r = self.run_program("a.wav", "b.zub")
        self.assertEqual((r.status, r.stderr), (0, b"[E] refusing to overwrite the source 'a.wav'\n"))
        self.assertEqual(self.read("a.wav"), GOOD)
        self.assert_converted("b.wav", GOOD, 2, 16, 44100)


class FullDisk(ProgramTest):
    def test_full_disk_is_told_and_the_incomplete_output_removed(self):
        # The output's whole size is reserved before its samples are copied:
        # on a disk without that room the conversion fails at once, and
        # what it reserved is freed for the next source, which fits.
        cases = [
            # disk bytes, the source that does not fit, the header of the one
            # after it and its samples
            (256 * 1024, zub_bytes(1, 16, 48000, pattern_bytes(150 * 1024)), (1, 8, 8000), pattern_bytes(1000)),
            (1024 * 1024, zub_bytes(2, 16, 44100, pattern_bytes(600 * 1024 + 3)), (2, 16, 44100),
             pattern_bytes(200 * 1024 + 1)),
        ]
        for disk_size, big, fields, samples in cases:
            after = zub_bytes(*fields, samples)
            with self.subTest(disk_size=disk_size), small_tmpfs(disk_size) as disk:
                for name, content in (("big.zub", big), ("after.zub", after)):
                    with open(os.path.join(disk, name), "wb") as f:
                        f.write(content)
                r = self.run_program(os.path.join(disk, "big.zub"), os.path.join(disk, "after.zub"))
                self.assertEqual((r.status, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"[E] failed to write '%s'\n" % os.path.join(disk, "big.wav").encode())
                self.assertEqual(sorted(os.listdir(disk)), ["after.wav", "after.zub", "big.zub"])
                with open(os.path.join(disk, "big.zub"), "rb") as f:
                    self.assertEqual(f.read(), big)
                with open(os.path.join(disk, "after.wav"), "rb") as f:
                    self.assertEqual(f.read(), wav_header(*fields, len(samples)) + samples)

    def test_header_that_does_not_fit_is_told_too(self):
        # A disk with room for the source but not for even a few more bytes.
        with small_tmpfs(8 * 1024) as disk:
            source = zub_bytes(1, 8, 8000, pattern_bytes(4096 - 32))
            with open(os.path.join(disk, "s.zub"), "wb") as f:
                f.write(source)
            filler = os.path.join(disk, "filler")
            with open(filler, "wb") as f:
                with contextlib.suppress(OSError):
                    f.write(b"\0" * (64 * 1024))
            r = self.run_program(os.path.join(disk, "s.zub"))
            self.assertEqual(r.status, 0)
            self.assertIn(r.stderr, (b"[E] failed to write '%s'\n" % os.path.join(disk, "s.wav").encode(),
                                     b"[E] failed to open '%s'\n" % os.path.join(disk, "s.wav").encode()))
            self.assertFalse(os.path.exists(os.path.join(disk, "s.wav")))


def sparse_file(path, header, size):
    with open(path, "wb") as f:
        f.write(header)
        f.truncate(size)


class LargeSources(ProgramTest):
    def test_source_too_large_for_a_wav_is_refused_before_the_output_is_touched(self):
        self.write("huge.wav", b"earlier output")
        for data_size in (MAX_DATA + 1, 5 << 30):
            with self.subTest(data_size=data_size):
                sparse_file(self.path("huge.zub"), zub_bytes(2, 16, 48000), 32 + data_size)
                r = self.run_program("huge.zub")
                self.assertEqual((r.status, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"[E] 'huge.zub' is too large for a WAV file\n")
                self.assertEqual(self.read("huge.wav"), b"earlier output")

    @unittest.skipUnless(os.environ.get("ZUB2WAV_LARGE"), "writes 2 GiB and 4 GiB outputs: scripts/test-large.sh")
    def test_sources_over_2_gib_keep_unsigned_sizes(self):
        for data_size in ((1 << 31) + 3, MAX_DATA):
            with self.subTest(data_size=data_size):
                sparse_file(self.path("long.zub"), zub_bytes(2, 16, 48000), 32 + data_size)
                with open(self.path("long.zub"), "r+b") as f:
                    f.seek(32 + data_size - 5)
                    f.write(b"\x01\x02\x03\x04\x05")
                r = self.run_program("long.zub", timeout=1800)
                self.assertEqual((r.status, r.stderr), (0, b""))
                self.assertEqual(os.path.getsize(self.path("long.wav")), 44 + data_size)
                with open(self.path("long.wav"), "rb") as f:
                    self.assertEqual(f.read(44), wav_header(2, 16, 48000, data_size))
                    f.seek(44 + data_size - 5)
                    self.assertEqual(f.read(), b"\x01\x02\x03\x04\x05")
                os.remove(self.path("long.wav"))
                os.remove(self.path("long.zub"))


if __name__ == "__main__":
    unittest.main()
