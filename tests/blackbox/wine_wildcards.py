"""The Windows programs' own command line under Wine, 32-bit and 64-bit: raw command lines,
given byte for byte through the launcher, split by the quoting rules and
expanded. Entries that should show up as names are sub-directories, which
the program reports as files it cannot open, one CR LF line each."""

import os

import winehost


def failed_opens(*names):
    return b"".join(b"[E] failed to open '" + name + b"'\r\n" for name in names)


class WineCommandLine(winehost.WineTest):
    def make_dirs(self, *names):
        for name in names:
            os.makedirs(os.path.join(self.dir, name))

    def assert_line(self, line, names, locale=winehost.DEFAULT_LOCALE):
        r = self.run_line(line, locale=locale)
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, failed_opens(*names))

    def test_patterns_sorted_in_place_between_plain_arguments(self):
        self.make_dirs("b.zub", "A.zub", "aa.zub", "a_b.zub", "notes")
        self.assert_line(b"zub2wav first *.zub middle\ta* last",
                         [b"first", b"A.zub", b"a_b.zub", b"aa.zub", b"b.zub", b"middle", b"A.zub", b"a_b.zub",
                          b"aa.zub", b"last"])

    def test_quoting_decides_what_is_expanded(self):
        self.make_dirs("ab", "my file.zub", "sub/x.zub")
        cases = [
            (b'zub2wav "*" a"*"', [b"*", b"ab"]),
            (b'zub2wav "my file.zub" "sub"\\*', [b"my file.zub", b"sub\\*"]),
            (b'"zub2wav"a?', [b"ab"]),
            (b' a?', [b"ab"]),  # an empty program name
            (b'zub2wav a\\\\"b c"', [b"a\\b c"]),
        ]
        for line, names in cases:
            with self.subTest(line=line):
                self.assert_line(line, names)

    def test_prefixes_as_written(self):
        self.make_dirs("sub/x.zub", "sub/Y.zub", "top.zub", "ab")
        cases = [
            (b"zub2wav sub\\*.zub", [b"sub\\x.zub", b"sub\\Y.zub"]),
            (b"zub2wav sub/?.zub", [b"sub/x.zub", b"sub/Y.zub"]),
            (b"zub2wav Z:*.zub", [b"Z:top.zub"]),  # the current directory of drive Z:
            (b"zub2wav ab:* s*\\x.zub *.none", [b"ab:*", b"s*\\x.zub", b"*.none"]),
        ]
        for line, names in cases:
            with self.subTest(line=line):
                self.assert_line(line, names)

    def test_empty_command_line_gives_the_usage(self):
        r = self.run_line(b"")
        self.assertEqual((r.status, r.stdout), (1, b""))
        self.assertEqual(r.stderr, b"zub to wav converter\r\nusage: zub2wav in.zub\r\n")

    def test_code_page_932_names(self):
        names = ["ａ.zub", "Ｂ.zub", "c.zub", "ソx.zub"]
        self.make_dirs(*names)
        so = "ソ".encode("cp932")
        self.assertEqual(so, b"\x83\x5c")
        # a (82 81) sorts as A (82 60), before B (82 61); the 5C of so ends
        # no directory part.
        expected = [n.encode("cp932") for n in ["c.zub", "ａ.zub", "Ｂ.zub", "ソx.zub"]] + [so + b"x.zub"]
        self.assert_line(b"zub2wav *.zub " + so + b"*", expected, locale=winehost.JAPANESE)


load_tests = winehost.load_tests
