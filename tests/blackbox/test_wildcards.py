"""Wildcard patterns end to end. The program gets each pattern as a word of
its own, as from a quoted pattern or a caller without a shell; the order of
its conversions shows in the order of its messages. Entries that should
show up as names are made as sub-directories, which the program fails to
open by name."""

import os
import shutil
import subprocess
import tempfile
import unittest

from harness import ProgramTest, wav_header, zub_bytes


def failed_opens(*names):
    return b"".join(b"[E] failed to open '" + (n if isinstance(n, bytes) else n.encode()) + b"'\n" for n in names)


class WildcardTest(ProgramTest):
    def make_dirs(self, *names):
        for name in names:
            os.makedirs(os.path.join(self.dir.encode(), name if isinstance(name, bytes) else name.encode()))

    def assert_opens(self, args, names, **kwargs):
        r = self.run_program(*args, **kwargs)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, failed_opens(*names))


class Order(WildcardTest):
    def test_matches_sort_without_regard_to_case_underscore_first(self):
        self.make_dirs("b.zub", "A.zub", "aa.zub", "a_b.zub")
        self.assert_opens(["*.zub"], ["A.zub", "a_b.zub", "aa.zub", "b.zub"])

    def test_two_patterns_and_plain_arguments_keep_their_places(self):
        self.make_dirs("b.zub", "A.zub", "aa.zub", "notes")
        # aa.zub matches both patterns and is taken twice; the search itself
        # minds letter case, so A.zub matches only one.
        self.assert_opens(["first", "*.zub", "middle", "a*", "last"],
                          ["first", "A.zub", "aa.zub", "b.zub", "middle", "aa.zub", "last"])

    @staticmethod
    def exchange_sort(listed):
        """The order the program must keep: the exchange sort of the order
        the directory lists its entries in (as os.listdir does), A-Z folded."""
        listed = list(listed)
        key = lambda name: name.translate(str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"))
        keys = [key(name) for name in listed]
        for p in range(len(listed) - 1):
            for q in range(p + 1, len(listed)):
                if keys[q] < keys[p]:
                    listed[p], listed[q] = listed[q], listed[p]
                    keys[p], keys[q] = keys[q], keys[p]
        return listed

    def test_names_equal_but_for_case_end_as_the_exchange_sort_leaves_them(self):
        self.make_dirs("X", "x", "a", "B1", "b1", "B2", "Zz", "zZ", "zz", "c")
        self.assert_opens(["*"], self.exchange_sort(os.listdir(self.dir)))

    def test_a_large_group_of_case_twins_among_other_names(self):
        # All 128 spellings of one name, names before and after it, and a
        # second group of rejected sources whose lines tell them apart by
        # their channel counts.
        spellings = [""]
        for letter in "takeabc":
            spellings = [s + c for s in spellings for c in (letter, letter.upper())]
        self.make_dirs(*spellings, *["a_%d" % i for i in range(40)], *["zz%d" % i for i in range(20)])
        channels = {}
        for i, name in enumerate(["tie", "TIE", "Tie", "tIE", "tiE", "TIe"]):
            channels[name] = 3 + i
            self.write(name, zub_bytes(3 + i, 8, 8000))
        listed = os.listdir(self.dir)
        order = self.exchange_sort(listed)
        # A sort that keeps equal names in their listed order would not do.
        self.assertNotEqual(order, sorted(listed, key=str.lower))
        r = self.run_program("*")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"".join(b"error - 1 (%d)\n" % channels[name] if name in channels
                                            else failed_opens(name) for name in order))

    def test_sources_convert_in_sorted_order(self):
        # Rejected headers tell the sources apart by their channel counts.
        self.write("c.zub", zub_bytes(3, 8, 8000))
        self.write("A.zub", zub_bytes(4, 8, 8000))
        self.write("B.zub", zub_bytes(5, 8, 8000))
        r = self.run_program("?.zub")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, b"error - 1 (4)\nerror - 1 (5)\nerror - 1 (3)\n")


class Conversion(WildcardTest):
    def test_one_pattern_converts_every_matching_source(self):
        sources = {"one.zub": zub_bytes(1, 8, 8000, b"\x01\x02\x03"), "Two.zub": zub_bytes(2, 16, 48000, b"\x04" * 8)}
        for name, content in sources.items():
            self.write(name, content)
        self.write("other.txt", b"not a source")
        r = self.run_program("*.zub")
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
        self.assertEqual(self.read("one.wav"), wav_header(1, 8, 8000, 3) + b"\x01\x02\x03")
        self.assertEqual(self.read("Two.wav"), wav_header(2, 16, 48000, 8) + b"\x04" * 8)
        self.assertEqual(self.files(), ["Two.wav", "Two.zub", "one.wav", "one.zub", "other.txt"])

    def test_a_name_that_exists_as_written_is_not_a_pattern(self):
        self.write("*.zub", zub_bytes(1, 8, 8000, b"\x09"))
        self.write("a.zub", zub_bytes(1, 8, 8000, b"\x0a"))
        r = self.run_program("*.zub")
        self.assertEqual((r.status, r.stderr), (0, b""))
        self.assertEqual(self.read("*.wav"), wav_header(1, 8, 8000, 1) + b"\x09")
        self.assertFalse(os.path.exists(self.path("a.wav")))


class Prefixes(WildcardTest):
    def test_prefix_as_written_then_the_bare_name(self):
        self.make_dirs("sub/x.zub", "sub/Y.zub", "sub\\q.zub", "C:c.zub", "sub/deep/z.zub")
        cases = [
            (["sub/*.zub"], ["sub/x.zub", "sub/Y.zub"]),
            (["./sub//?.zub"], ["./sub//x.zub", "./sub//Y.zub"]),
            (["sub/*/*"], ["sub/*/*"]),  # a wildcard in a directory part
            (["sub\\*.zub"], ["sub\\q.zub"]),  # the backslash is part of the entry's name here
            (["C:*"], ["C:c.zub"]),
            ([self.dir + "/sub/d*"], [self.dir + "/sub/deep"]),
        ]
        for args, names in cases:
            with self.subTest(args=args):
                self.assert_opens(args, names)

    def test_texts_that_pass_unchanged(self):
        self.make_dirs("ab:x", "sub/x.zub", "a.zub")
        cases = ["*.none", "ab:*", ":*", "s?b/x.zub", "A*", "nowhere/*", '"*']
        # A word that begins with a double quote is never expanded.
        for pattern in cases:
            with self.subTest(pattern=pattern):
                self.assert_opens([pattern, "a.*"], [pattern, "a.zub"])

    def test_directories_and_dot_entries_but_never_dot_and_dot_dot(self):
        self.make_dirs("Sub", ".hidden", "empty", "b.zub")
        self.assert_opens(["*"], [".hidden", "b.zub", "empty", "Sub"])
        self.assert_opens([".*"], [".hidden"])
        self.assert_opens(["empty/*"], ["empty/*"])


class CodePage932(WildcardTest):
    """Names in Shift_JIS, the locale's character set (made with localedef)."""

    @classmethod
    def setUpClass(cls):
        cls.locales = tempfile.mkdtemp(prefix="zub2wav-locales-")
        made = shutil.which("localedef") and subprocess.run(
            ["localedef", "--no-warnings=ascii", "-f", "SHIFT_JIS", "-i", "ja_JP",
             os.path.join(cls.locales, "ja_JP.SJIS")], capture_output=True).returncode in (0, 1)
        if not made or not os.path.exists(os.path.join(cls.locales, "ja_JP.SJIS", "LC_CTYPE")):
            shutil.rmtree(cls.locales)
            raise unittest.SkipTest("locale ja_JP.SJIS cannot be made (install the Debian package locales)")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.locales, ignore_errors=True)

    def run_program(self, *args, **kwargs):
        env = dict(os.environ, LOCPATH=self.locales, LC_ALL="ja_JP.SJIS")
        return super().run_program(*args, env=env, **kwargs)

    def test_full_width_letters_sort_by_their_upper_case(self):
        small_a, capital_b, so = "ａ".encode("cp932"), "Ｂ".encode("cp932"), "ソ".encode("cp932")
        self.assertEqual(so, b"\x83\x5c")
        self.make_dirs(small_a + b".zub", capital_b + b".zub", b"c.zub", so + b".zub", so + b"x.zub")
        # Single bytes first; a (82 81) counts as A (82 60), before B (82 61).
        self.assert_opens([b"*.zub"], [b"c.zub", small_a + b".zub", capital_b + b".zub", so + b".zub", so + b"x.zub"])
        # The 5C of so is no backslash: no prefix, no doubled name.
        self.assert_opens([so + b"?.zub"], [so + b"x.zub"])
