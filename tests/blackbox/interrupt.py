"""Interruptions: SIGINT, SIGTERM and SIGHUP while an output is incomplete
remove that output, and the process ends by the same signal; at any other
moment they end it with nothing removed.

Each signal lands at a known point, with no timing guess:
- the real program is held in the middle of a copy by an output name that is
  a symbolic link to a FIFO: the test reads the first bytes, and the rest
  cannot fit into the pipe, so the copy is still running;
- pause_start, the program's start-up built with the stream seam, stops
  itself (SIGSTOP) at a chosen stream call; the test sends the signal to the
  stopped process, then SIGCONT, and the signal is handled right there."""

import os
import signal
import stat
import subprocess
import tempfile

from harness import PROGRAM, ProgramTest, pattern_bytes, wav_header, zub_bytes

PAUSE_START = os.environ.get("ZUB2WAV_PAUSE_START", "")

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)

# Larger than any pipe's capacity (at most 1 MiB by default), so a copy into
# a FIFO that nobody reads must stop in the middle.
LARGE_DATA = pattern_bytes(3 << 20, seed=14)
DONE = zub_bytes(1, 8, 8000, b"\x10\x20\x30")
REJECTED = zub_bytes(3, 16, 44100, b"\x01\x02")  # three channels: error - 1, a 0-byte output
LATER = zub_bytes(2, 16, 22050, b"\x40\x50\x60\x70")
OLD_OUTPUT = b"an earlier file of this name, not to be touched"


def default_signals():
    """Runs in the child before the program: the three signals take their
    default action there, whatever the test runner ignores."""
    for number in SIGNALS:
        signal.signal(number, signal.SIG_DFL)


def ignore_sighup():
    """As nohup starts a program."""
    default_signals()
    signal.signal(signal.SIGHUP, signal.SIG_IGN)


class Interruption(ProgramTest):
    def setUp(self):
        super().setUp()
        self._stderr = tempfile.TemporaryFile()

    def tearDown(self):
        self._stderr.close()
        super().tearDown()

    def start(self, command, preexec=default_signals):
        self._stderr.seek(0)
        self._stderr.truncate()
        return subprocess.Popen(command, cwd=self.dir, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=self._stderr, preexec_fn=preexec)

    def stderr(self):
        self._stderr.seek(0)
        return self._stderr.read()

    def snapshot(self):
        """Every name in the directory, with its type and content."""
        found = {}
        for name in os.listdir(self.dir):
            path = self.path(name)
            mode = os.lstat(path).st_mode
            if stat.S_ISLNK(mode):
                found[name] = ("link", os.readlink(path))
            elif stat.S_ISFIFO(mode):
                found[name] = ("fifo", None)
            else:
                found[name] = ("file", self.read(name))
        return found

    def assert_ended_by(self, process, number):
        status = process.wait(timeout=120)
        self.assertEqual(status, -number, "stderr: %r" % self.stderr())

    # ------------------------------------------------ the real program, held by a FIFO

    def test_a_signal_in_the_middle_of_a_copy_removes_that_output_only(self):
        if not PROGRAM:
            self.fail("set ZUB2WAV to the program under test")
        large = zub_bytes(2, 16, 44100, LARGE_DATA)
        for number in SIGNALS:
            with self.subTest(signal=number.name):
                for name in os.listdir(self.dir):
                    os.unlink(self.path(name))
                self.write("done.zub", DONE)
                self.write("large.zub", large)
                self.write("later.zub", LATER)
                self.write("keep.wav", OLD_OUTPUT)
                fifo = self.path("pipe")
                os.mkfifo(fifo)
                os.symlink("pipe", self.path("large.wav"))
                # Opened for reading and writing, the FIFO never blocks this
                # open and never reads as ended: the program's open finds a
                # reader, and the reads below wait for its bytes.
                reader = os.open(fifo, os.O_RDWR)
                try:
                    process = self.start([PROGRAM, "done.zub", "large.zub", "later.zub"])
                    received = b""
                    while len(received) < 64 * 1024:
                        received += os.read(reader, 64 * 1024 - len(received))
                    # The program's output under way: a header that promises
                    # every sample byte, followed by the first of them.
                    header = wav_header(2, 16, 44100, len(LARGE_DATA))
                    self.assertEqual(received, (header + LARGE_DATA)[:len(received)])
                    process.send_signal(number)
                    self.assert_ended_by(process, number)
                finally:
                    os.close(reader)
                # The name the program opened (the link) is gone; what it led
                # to is not the program's to remove.
                self.assertFalse(os.path.lexists(self.path("large.wav")))
                self.assertTrue(stat.S_ISFIFO(os.lstat(fifo).st_mode))
                self.assertEqual(self.read("large.zub"), large)
                # Finished before: intact. Never reached: never made.
                self.assertEqual(self.read("done.wav"), wav_header(1, 8, 8000, 3) + DONE[32:])
                self.assertFalse(os.path.lexists(self.path("later.wav")))
                self.assertEqual(self.read("keep.wav"), OLD_OUTPUT)
                self.assertEqual(self.stderr(), b"")

    # ------------------------------------------------ the start-up with the seam, stopped at a call

    def run_stopped(self, point, args, number, preexec=default_signals):
        """Starts pause_start stopping at `point` (operation, writing, nth),
        sends `number` to the stopped process, lets it go on, and returns it."""
        if not PAUSE_START:
            self.fail("set ZUB2WAV_PAUSE_START to the pause_start helper")
        operation, writing, nth = point
        process = self.start([PAUSE_START, operation, str(writing), str(nth)] + args, preexec)
        try:
            _, status = os.waitpid(process.pid, os.WUNTRACED)
            self.assertTrue(os.WIFSTOPPED(status), "the program did not reach %r (status %#x, stderr %r)"
                            % (point, status, self.stderr()))
            os.kill(process.pid, number)
            os.kill(process.pid, signal.SIGCONT)
        except BaseException:
            process.kill()
            process.wait()
            raise
        return process

    def make_sources(self):
        self.write("done.zub", DONE)
        self.write("rejected.zub", REJECTED)
        self.write("later.zub", LATER)
        self.write("done.wav", OLD_OUTPUT)
        self.write("later.wav", OLD_OUTPUT)

    ARGS = ["done.zub", "rejected.zub", "later.zub"]

    def test_a_signal_where_no_output_is_incomplete_changes_nothing(self):
        # (where it lands, the stream call it stops at, what it leaves)
        cases = (
            ("before the first source is opened", ("open", 0, 1), {}),
            # The output's name is kept, the old file under it not yet
            # emptied: it is not the program's to remove.
            ("before the first output is created", ("open", 1, 1), {}),
            # Two outputs finished, one of them the 0 bytes of a rejected
            # header; the third source opened, its old output untouched.
            ("between two files", ("open", 0, 3),
             {"done.wav": wav_header(1, 8, 8000, 3) + DONE[32:], "rejected.wav": b""}),
            ("before the old output of the third file is emptied", ("open", 1, 3),
             {"done.wav": wav_header(1, 8, 8000, 3) + DONE[32:], "rejected.wav": b""}),
        )
        for where, point, made in cases:
            for number in SIGNALS:
                with self.subTest(where=where, signal=number.name):
                    for name in os.listdir(self.dir):
                        os.unlink(self.path(name))
                    self.make_sources()
                    before = self.snapshot()
                    process = self.run_stopped(point, self.ARGS, number)
                    self.assert_ended_by(process, number)
                    expected = dict(before)
                    expected.update({name: ("file", content) for name, content in made.items()})
                    self.assertEqual(self.snapshot(), expected)

    def test_a_signal_while_an_output_is_incomplete_removes_it(self):
        # The output exists from its creation on; its close is not yet
        # confirmed while it runs, so a signal then removes it too, even
        # though every byte may be written (a large source goes on in the
        # kernel, so its file is full by then).
        large = zub_bytes(1, 16, 48000, pattern_bytes(200 * 1024, seed=3))
        cases = (
            ("right after the output is created", ("write", 1, 1)),
            ("as the copy of the samples starts", ("copy", 0, 1)),
            ("while the output is closed", ("close", 1, 1)),
        )
        for where, point in cases:
            for number in SIGNALS:
                with self.subTest(where=where, signal=number.name):
                    for name in os.listdir(self.dir):
                        os.unlink(self.path(name))
                    self.write("large.zub", large)
                    self.write("large.wav", OLD_OUTPUT)
                    self.write("later.zub", LATER)
                    process = self.run_stopped(point, ["large.zub", "later.zub"], number)
                    self.assert_ended_by(process, number)
                    self.assertEqual(self.snapshot(), {"large.zub": ("file", large),
                                                       "later.zub": ("file", LATER)})

    def test_a_signal_ignored_at_start_stays_ignored(self):
        # Started as nohup starts it: SIGHUP in the middle of a copy changes
        # nothing, and every file converts.
        large = zub_bytes(1, 16, 48000, pattern_bytes(200 * 1024, seed=5))
        self.write("large.zub", large)
        self.write("later.zub", LATER)
        process = self.run_stopped(("copy", 0, 1), ["large.zub", "later.zub"], signal.SIGHUP, ignore_sighup)
        self.assertEqual(process.wait(timeout=120), 0, self.stderr())
        self.assertEqual(self.read("large.wav"), wav_header(1, 16, 48000, len(large) - 32) + large[32:])
        self.assertEqual(self.read("later.wav"), wav_header(2, 16, 22050, 4) + LATER[32:])
