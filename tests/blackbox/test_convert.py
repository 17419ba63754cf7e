"""The converter end to end: exit status, standard streams, files left."""

import os

from harness import REFERENCE_OUTPUTS, ProgramTest, RATES, pattern_bytes, wav_header, zub_bytes


class Usage(ProgramTest):
    def test_no_argument_prints_usage_and_exits_1(self):
        r = self.run_program()
        self.assertEqual(r.status, 1)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(r.stderr, b"zub to wav converter\nusage: zub2wav in.zub\n")
        self.assertEqual(self.files(), [])


class ExactOutputs(ProgramTest):
    CASES = REFERENCE_OUTPUTS

    def test_the_three_reference_outputs(self):
        for channels, bits, rate, size, header_hex in self.CASES:
            with self.subTest(channels=channels, bits=bits, rate=rate):
                data = pattern_bytes(size, seed=size)
                source = zub_bytes(channels, bits, rate, data, filler=bytes(range(100, 124)))
                self.write("s.zub", source)
                r = self.run_program("s.zub")
                self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
                self.assertEqual(self.read("s.wav"), bytes.fromhex(header_hex) + data)
                if channels:
                    self.assert_converted("s.wav", source, channels, bits, rate)
                self.assertEqual(self.read("s.zub"), source)

    def test_every_rate_width_and_channel_count_reads_back(self):
        for rate in RATES:
            for bits in (8, 16):
                for channels in (1, 2):
                    frame = channels * bits // 8
                    source = zub_bytes(channels, bits, rate, pattern_bytes(frame * 37, seed=rate))
                    self.write("t.zub", source)
                    r = self.run_program("t.zub")
                    self.assertEqual((r.status, r.stderr), (0, b""))
                    self.assert_converted("t.wav", source, channels, bits, rate)

    def test_multi_block_source_copied_whole(self):
        for size in (4095, 4096, 4097, 3 * 4096 + 17, 300 * 1024 + 5, 1 << 20):
            with self.subTest(size=size):
                source = zub_bytes(2, 16, 48000, pattern_bytes(size, seed=size))
                self.write("big.zub", source)
                r = self.run_program("big.zub")
                self.assertEqual((r.status, r.stderr), (0, b""))
                out = self.read("big.wav")
                self.assertEqual(len(out), size + 44)
                self.assertEqual(out, wav_header(2, 16, 48000, size) + source[32:])


class SeveralArguments(ProgramTest):
    def test_bad_middle_argument_does_not_stop_the_others(self):
        first = zub_bytes(1, 8, 8000, b"\x01\x02")
        third = zub_bytes(2, 16, 48000, b"\x03\x04\x05\x06")
        self.write("a.zub", first)
        self.write("b.zub", zub_bytes(3, 16, 48000, b"xx"))
        self.write("c.zub", third)
        r = self.run_program("a.zub", "b.zub", "c.zub")
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b"error - 1 (3)\n"))
        self.assertEqual(self.read("a.wav"), wav_header(1, 8, 8000, 2) + b"\x01\x02")
        self.assertEqual(self.read("b.wav"), b"")
        self.assertEqual(self.read("c.wav"), wav_header(2, 16, 48000, 4) + b"\x03\x04\x05\x06")

    def test_messages_come_in_argument_order(self):
        self.write("bad1.zub", zub_bytes(1, 24, 8000))
        self.write("bad2.zub", zub_bytes(1, 8, 1))
        r = self.run_program("missing.zub", "bad2.zub", "bad1.zub", "missing2")
        self.assertEqual(r.status, 0)
        self.assertEqual(r.stderr, b"[E] failed to open 'missing.zub'\nerror - 3\nerror - 2 (24)\n"
                                   b"[E] failed to open 'missing2'\n")

    def test_same_name_twice_converts_twice(self):
        source = zub_bytes(1, 16, 16000, pattern_bytes(10))
        self.write("x.zub", source)
        r = self.run_program("x.zub", "x.zub")
        self.assertEqual((r.status, r.stderr), (0, b""))
        self.assert_converted("x.wav", source, 1, 16, 16000)

    def test_existing_output_is_replaced(self):
        source = zub_bytes(1, 8, 11025, b"\x80" * 5)
        self.write("y.zub", source)
        self.write("y.wav", b"old content that is longer than the new output will be" * 10)
        r = self.run_program("y.zub")
        self.assertEqual((r.status, r.stderr), (0, b""))
        self.assert_converted("y.wav", source, 1, 8, 11025)


class Naming(ProgramTest):
    def test_extensionless_source_and_dotted_directory(self):
        os.mkdir(self.path("old.d"))
        source = zub_bytes(1, 8, 8000, b"\x10\x20")
        self.write("old.d/song", source)
        r = self.run_program("old.d/song", "./old.d/song")
        self.assertEqual((r.status, r.stderr), (0, b""))
        self.assertEqual(sorted(os.listdir(self.path("old.d"))), ["song", "song.wav"])
        self.assertFalse(os.path.exists(self.path("old.wav")))
        self.assert_converted("old.d/song.wav", source, 1, 8, 8000)
