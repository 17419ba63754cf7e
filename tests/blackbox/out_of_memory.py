"""Running out of memory while the argument list is built: one line, exit
status 255, and no file touched. Runs the program's start-up through
out_of_memory_start, which makes its n-th allocation fail."""

import os

from harness import ProgramTest, run, wav_header, zub_bytes

HELPER = os.environ.get("ZUB2WAV_OUT_OF_MEMORY", "")


class OutOfMemory(ProgramTest):
    def setUp(self):
        super().setUp()
        if not HELPER:
            self.fail("set ZUB2WAV_OUT_OF_MEMORY to the out_of_memory_start helper")

    def snapshot(self):
        found = {}
        for root, dirs, files in os.walk(self.dir):
            for name in dirs + files:
                path = os.path.join(root, name)
                found[os.path.relpath(path, self.dir)] = None if os.path.isdir(path) else self.read(path)
        return found

    def test_every_failing_allocation_ends_the_start_up_before_any_file(self):
        sources = {"a.zub": zub_bytes(1, 8, 8000, b"\x01\x02"), "B.zub": zub_bytes(2, 16, 44100, b"\x03\x04\x05\x06"),
                   "sub/c.zub": zub_bytes(1, 16, 22050, b"\x07\x08")}
        os.mkdir(self.path("sub"))
        for name, content in sources.items():
            self.write(name, content)
        args = ["missing.zub", "*.zub", "sub/*", "a.zub"]
        before = self.snapshot()
        failing = 1
        while True:
            r = run([str(failing)] + args, self.dir, program=HELPER)
            if r.status != 255:
                break
            with self.subTest(failing=failing):
                self.assertEqual((r.stdout, r.stderr), (b"", b"zub2wav: out of memory\n"))
                self.assertEqual(self.snapshot(), before)
            failing += 1
            self.assertLess(failing, 100, "the start-up never succeeds")
        # The split list, the list's growth, three matches and the final
        # table: every one of them was made to fail once.
        self.assertGreaterEqual(failing, 6)
        # With no allocation failing the same start-up converts everything.
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"[E] failed to open 'missing.zub'\n"))
        self.assertEqual(self.read("a.wav"), wav_header(1, 8, 8000, 2) + b"\x01\x02")
        self.assertEqual(self.read("B.wav"), wav_header(2, 16, 44100, 4) + b"\x03\x04\x05\x06")
        self.assertEqual(self.read("sub/c.wav"), wav_header(1, 16, 22050, 2) + b"\x07\x08")
