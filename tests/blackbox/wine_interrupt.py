"""A console control event in the middle of a copy, under Wine: the incomplete
output is removed, an output finished before and the source stay, and
the program ends with STATUS_CONTROL_C_EXIT.

The copy is held as on Linux: the output's name is a link to a FIFO, which
the test holds open and reads from. console_event_launcher, built beside
zub2wav.exe, starts the program on a console of its own and sends
Ctrl-C or Ctrl-Break when the test has seen the first bytes.

Wine 8 sends these events unreliably: GenerateConsoleCtrlEvent often fails
(ERROR_INVALID_HANDLE, ERROR_INVALID_ACCESS), and the test then reports
itself skipped. Where an event did arrive, the link to the FIFO was still
there after the program ended, so the removal is not checked here: only the
delivery, the status and what must stay.

The loader and the program are parameters (interrupt_in_the_middle), so the
test runs for the 64-bit and the 32-bit program alike; as a module it runs
the program that winehost names (WINE, ZUB2WAV_WIN64)."""

import os
import stat
import subprocess

import winehost
from harness import pattern_bytes, wav_header, zub_bytes

STATUS_CONTROL_C_EXIT = 0xC000013A
LARGE_DATA = pattern_bytes(3 << 20, seed=21)
DONE = zub_bytes(1, 8, 8000, b"\x10\x20\x30")


def interrupt_in_the_middle(test, wine, exe, event):
    """Runs `exe` under the loader `wine` on done.zub then large.zub in
    test.dir, sends `event` (c or break) while large.wav is being written,
    and checks how it ended and what stayed."""
    launcher = os.path.join(os.path.dirname(exe), "console_event_launcher.exe")
    if not os.path.isfile(launcher):
        test.fail("no console_event_launcher.exe beside %s" % exe)
    large = zub_bytes(2, 16, 44100, LARGE_DATA)
    test.write("done.zub", DONE)
    test.write("large.zub", large)
    fifo = test.path("pipe")
    os.mkfifo(fifo)
    os.symlink("pipe", test.path("large.wav"))
    prefix = winehost._prefix(None)
    reader = os.open(fifo, os.O_RDWR)  # never blocks the program's open, never reads as ended
    try:
        process = subprocess.Popen([wine, launcher, event, winehost.windows_path(exe), "done.zub", "large.zub"],
                                   cwd=test.dir, env=prefix.env(winehost.DEFAULT_LOCALE), stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            received = b""
            while len(received) < 64 * 1024:
                received += os.read(reader, 64 * 1024 - len(received))
            test.assertEqual(received, (wav_header(2, 16, 44100, len(LARGE_DATA)) + LARGE_DATA)[:len(received)])
            out, err = process.communicate(b"go\n", timeout=120)
        except BaseException:
            process.kill()
            process.wait()
            raise
    finally:
        os.close(reader)
    if process.returncode == 251:
        test.skipTest("Wine did not send the event: %r" % err.strip())
    test.assertEqual((process.returncode, out.strip()),
                     (0, b"status=0x%08X" % STATUS_CONTROL_C_EXIT), "stderr: %r" % err)
    test.assertTrue(stat.S_ISFIFO(os.lstat(fifo).st_mode))
    test.assertEqual(test.read("large.zub"), large)
    test.assertEqual(test.read("done.wav"), wav_header(1, 8, 8000, 3) + DONE[32:])


class WineInterruption(winehost.WineTest):
    def test_ctrl_c_and_ctrl_break(self):
        for event in ("c", "break"):
            with self.subTest(event=event):
                for name in os.listdir(self.dir):
                    os.unlink(self.path(name))
                interrupt_in_the_middle(self, self.program.loader, self.program.exe, event)


load_tests = winehost.load_tests
