"""Bad inputs end to end: sources that change while they are converted,
devices and sockets, missing rights, names at the length limit or full of
odd bytes, and very long argument lists. Each case checks the message and
every file left behind."""

import os
import select
import socket
import subprocess
import unittest

from harness import ProgramTest, command_line, pattern_bytes, wav_header, zub_bytes

GOOD = zub_bytes(2, 16, 44100, pattern_bytes(64))
CONVERTED = wav_header(2, 16, 44100, 64) + GOOD[32:]


def environment(**overrides):
    env = dict(os.environ)
    env.update(overrides)
    return env


class ChangingSource(ProgramTest):
    """The output name is a FIFO that the test reads: the program stalls in
    its first writes until the test drains the pipe, so the source can be
    changed at a known moment, after it was measured and while it is copied."""

    DATA_SIZE = 64 << 20  # far more than the program reads ahead before it stalls

    def convert_changing(self, change):
        """Starts a conversion of a large source, calls change(source path)
        once the header has arrived, then drains the output. Returns the
        result, the 44 header bytes and the number of bytes received."""
        with open(self.path("s.zub"), "wb") as f:
            f.write(zub_bytes(1, 16, 48000))
            f.truncate(32 + self.DATA_SIZE)  # sparse: cheap to make and to read
        os.mkfifo(self.path("s.wav"))
        reader = os.open(self.path("s.wav"), os.O_RDONLY | os.O_NONBLOCK)
        try:
            process = subprocess.Popen(command_line(["s.zub"]), cwd=self.dir, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                ready, _, _ = select.select([reader], [], [], 60)
                self.assertTrue(ready, "the program wrote nothing")
                os.set_blocking(reader, True)
                header = b""
                while len(header) < 44:
                    chunk = os.read(reader, 44 - len(header))
                    self.assertTrue(chunk, "the output ended inside its header")
                    header += chunk
                change(self.path("s.zub"))
                received = len(header)
                while True:
                    chunk = os.read(reader, 1 << 20)
                    if not chunk:
                        break
                    received += len(chunk)
                stdout, stderr = process.communicate(timeout=120)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
        finally:
            os.close(reader)
        return process.returncode, stdout, stderr, header, received

    def test_source_that_shrinks_is_told_and_the_output_removed(self):
        status, stdout, stderr, header, _ = self.convert_changing(lambda path: os.truncate(path, 32 + 1000))
        self.assertEqual((status, stdout), (0, b""))
        self.assertEqual(stderr, b"[E] failed to read 's.zub'\n")
        self.assertEqual(header, wav_header(1, 16, 48000, self.DATA_SIZE))
        # The output, which promised more than it got, is gone.
        self.assertEqual(self.files(), ["s.zub"])

    def test_source_that_grows_gives_exactly_the_measured_data(self):
        def grow(path):
            with open(path, "ab") as f:
                f.write(b"\x55" * 5000)

        status, stdout, stderr, header, received = self.convert_changing(grow)
        self.assertEqual((status, stdout, stderr), (0, b"", b""))
        self.assertEqual(header, wav_header(1, 16, 48000, self.DATA_SIZE))
        self.assertEqual(received, 44 + self.DATA_SIZE)


class DevicesAndSockets(ProgramTest):
    def test_character_devices_are_refused_as_sources(self):
        for device in ("/dev/zero", "/dev/null"):
            with self.subTest(device=device):
                r = self.run_program(device, timeout=20)
                self.assertEqual((r.status, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"[E] failed to open '%s'\n" % device.encode())
                self.assertFalse(os.path.exists(device + ".wav"))

    def test_socket_is_refused_as_source(self):
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            server.bind(self.path("sock.zub"))
            server.listen(1)
            r = self.run_program("sock.zub", timeout=20)
        finally:
            server.close()
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to open 'sock.zub'\n"))
        self.assertEqual(self.files(), ["sock.zub"])

    def test_output_linked_to_a_device_that_is_full(self):
        # /dev/full takes the open and fails every write: a real write error
        # on the first block. The output name (here a link) is removed.
        self.write("s.zub", GOOD)
        os.symlink("/dev/full", self.path("s.wav"))
        r = self.run_program("s.zub")
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to write 's.wav'\n"))
        self.assertEqual(self.files(), ["s.zub"])
        self.assertEqual(self.read("s.zub"), GOOD)

    def test_output_linked_to_the_null_device(self):
        # Written where the link leads, as for any other file; the link stays.
        self.write("s.zub", GOOD)
        os.symlink("/dev/null", self.path("s.wav"))
        r = self.run_program("s.zub")
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
        self.assertEqual(os.readlink(self.path("s.wav")), "/dev/null")
        self.assertEqual(self.read("s.zub"), GOOD)


class MissingRights(ProgramTest):
    """Run as an unprivileged user: root may read and write anything."""

    def test_unreadable_source_touches_nothing(self):
        self.write("s.zub", GOOD)
        self.write("s.wav", b"earlier output")
        os.chmod(self.path("s.zub"), 0o000)
        r = self.run_program("s.zub", user=65534)
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to open 's.zub'\n"))
        self.assertEqual(self.read("s.wav"), b"earlier output")
        self.assertEqual(self.read("s.zub"), GOOD)

    def test_unwritable_directory_creates_nothing_and_the_next_file_converts(self):
        os.mkdir(self.path("locked"))
        with open(self.path("locked/s.zub"), "wb") as f:
            f.write(GOOD)
        os.chmod(self.path("locked"), 0o555)
        self.write("t.zub", GOOD)
        r = self.run_program("locked/s.zub", "t.zub", user=65534)
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to open 'locked/s.wav'\n"))
        self.assertEqual(os.listdir(self.path("locked")), ["s.zub"])
        self.assertEqual(self.read("t.wav"), CONVERTED)


class PathLengths(ProgramTest):
    """Paths of 4095 bytes (the longest the name buffer holds) and 4096 bytes
    (one too many). Their absolute forms are longer than the system takes, so
    the files are reached relative to the test's directory."""

    def setUp(self):
        super().setUp()
        self.dir_fd = os.open(self.dir, os.O_RDONLY)

    def tearDown(self):
        os.close(self.dir_fd)
        super().tearDown()

    def make_deep_file(self, length, suffix, content):
        """Creates a file whose relative path is exactly `length` bytes and
        ends in `suffix`; returns the path and an open descriptor of its
        directory."""
        parts = []
        remaining = length - len(suffix)
        while remaining > 200:
            parts.append("d" * 199)
            remaining -= 200
            os.mkdir("/".join(parts), dir_fd=self.dir_fd)
        directory_fd = os.open("/".join(parts) or ".", os.O_RDONLY, dir_fd=self.dir_fd)
        base = "f" * remaining + suffix
        fd = os.open(base, os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=directory_fd)
        with os.fdopen(fd, "wb") as f:
            f.write(content)
        self.addCleanup(os.close, directory_fd)
        path = "/".join(parts + [base])
        self.assertEqual(len(path), length)
        return path, directory_fd, base

    def test_path_of_4095_bytes_converts(self):
        path, directory_fd, base = self.make_deep_file(4095, ".zub", GOOD)
        r = self.run_program(path)
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
        output = base[:-4] + ".wav"
        with os.fdopen(os.open(output, os.O_RDONLY, dir_fd=directory_fd), "rb") as f:
            self.assertEqual(f.read(), CONVERTED)

    def test_path_of_4096_bytes_is_refused_and_nothing_created(self):
        path, directory_fd, base = self.make_deep_file(4096, ".zub", GOOD)
        r = self.run_program(path)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] failed to open '%s'\n" % path.encode())
        self.assertEqual(os.listdir(directory_fd), [base])


    def test_output_name_that_would_not_fit_is_refused(self):
        # The source's name fits in 4095 bytes, but with ".wav" appended it
        # would not: nothing may be created under a cut-off name.
        path, directory_fd, base = self.make_deep_file(4092, "", GOOD)
        r = self.run_program(path)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] failed to open '%s'\n" % path.encode())
        self.assertEqual(os.listdir(directory_fd), [base])

    def test_longest_extensionless_name_gets_its_extension(self):
        path, directory_fd, base = self.make_deep_file(4091, "", GOOD)
        r = self.run_program(path)
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
        with os.fdopen(os.open(base + ".wav", os.O_RDONLY, dir_fd=directory_fd), "rb") as f:
            self.assertEqual(f.read(), CONVERTED)

class OddNames(ProgramTest):
    def test_names_with_line_breaks(self):
        self.write("line\nbreak.zub", GOOD)
        r = self.run_program("line\nbreak.zub", "no\nsuch.zub")
        self.assertEqual((r.status, r.stdout), (0, b""))
        # The name is told as it is, line break and all.
        self.assertEqual(r.stderr, b"[E] failed to open 'no\nsuch.zub'\n")
        self.assertEqual(self.read("line\nbreak.wav"), CONVERTED)

    def test_invalid_utf8_names_in_every_locale(self):
        # Invalid and cut-off sequences are stepped byte by byte: none hides
        # the dot or the slash that follows it.
        os.mkdir(os.path.join(self.dir.encode(), b"d\xe2.x"))
        sources = [b"\xff\xfe.zub", b"\xe2.zub", b"caf\xc3\xa9.zub", b"\xc3.\xa9", b"d\xe2.x/s"]
        outputs = [b"\xff\xfe.wav", b"\xe2.wav", b"caf\xc3\xa9.wav", b"\xc3.wav", b"d\xe2.x/s.wav"]
        for locale in ("C", "C.UTF-8"):
            with self.subTest(locale=locale):
                for name in sources:
                    with open(os.path.join(self.dir.encode(), name), "wb") as f:
                        f.write(GOOD)
                r = self.run_program(*sources, env=environment(LC_ALL=locale))
                self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
                for name in outputs:
                    with open(os.path.join(self.dir.encode(), name), "rb") as f:
                        self.assertEqual(f.read(), CONVERTED, name)
                    os.remove(os.path.join(self.dir.encode(), name))

    def test_leading_dashes_are_names_not_options(self):
        self.write("-x.zub", GOOD)
        self.write("--.zub", GOOD)
        r = self.run_program("-x.zub", "--", "-h", "--help", "--.zub", "-")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"[E] failed to open '--'\n[E] failed to open '-h'\n"
                         b"[E] failed to open '--help'\n[E] failed to open '-'\n")
        self.assertEqual(self.read("-x.wav"), CONVERTED)
        self.assertEqual(self.read("--.wav"), CONVERTED)
        self.assertEqual(self.files(), ["--.wav", "--.zub", "-x.wav", "-x.zub"])


class ManyArguments(ProgramTest):
    def test_ten_thousand_arguments_in_order(self):
        names = ["f%05d.zub" % i for i in range(10000)]
        missing = set(names[::997])
        for i, name in enumerate(names):
            if name not in missing:
                self.write(name, zub_bytes(1, 8, 8000, bytes([i & 0xFF]) * (i % 7)))
        r = self.run_program(*names, timeout=600)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"".join(b"[E] failed to open '%s'\n" % n.encode() for n in names
                                            if n in missing))
        for i, name in enumerate(names):
            if name not in missing:
                data = bytes([i & 0xFF]) * (i % 7)
                self.assertEqual(self.read(name[:-4] + ".wav"), wav_header(1, 8, 8000, len(data)) + data)

    def test_pattern_matching_a_hundred_thousand_entries(self):
        # The program expands the pattern itself (no shell here). Every match
        # is an empty source, so each is told, in the order of the names
        # without regard to case: upper and lower case alternate.
        names = [("E%06d.zub" if i % 2 else "e%06d.zub") % i for i in range(100000)]
        for name in names:
            open(self.path(name), "wb").close()
        r = self.run_program("*.zub", timeout=900)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"".join(b"[E] failed to read '%s'\n" % n.encode() for n in names))
        outputs = [n for n in os.listdir(self.dir) if n.endswith(".wav")]
        self.assertEqual(len(outputs), len(names))
        self.assertEqual(os.path.getsize(self.path(names[-1][:-4] + ".wav")), 0)


if __name__ == "__main__":
    unittest.main()
