"""The Windows programs (32-bit and 64-bit) in ANSI code page 932 (Japanese), where the second
byte of a double-byte character can be 0x5C, the backslash: such a byte
must never be taken for a separator, an escape or the end of a directory
part. Names are made on the host in UTF-8; Wine shows them to the program
in code page 932, and the command lines here are code-page-932 bytes."""

import os

import winehost
from wine_command_line import CONVERTED, CommandLineTest, failed

JAPANESE = winehost.JAPANESE


def cp932(text):
    return text.encode("cp932")


class CodePage932(CommandLineTest):
    def run_line(self, line, **kwargs):
        return super().run_line(line, locale=JAPANESE, **kwargs)

    def test_trail_byte_5c_is_never_a_backslash(self):
        # ソ is 83 5C, 表 is 95 5C, 能 is 94 5C.
        for text in ("ソ", "表", "能"):
            self.assertEqual(cp932(text)[1:], b"\\")
        self.check_cases([
            ("pattern over names ending in 5C", cp932("zub2wav *.zub"), ("ソ.zub", "表.zub"), ("能.zub",),
             failed(cp932("能.zub")), ("ソ.zub", "表.zub")),
            ("5C before the star is no directory part", cp932("zub2wav ソ*.zub"), ("ソa.zub", "ソb.zub", "a.zub"),
             (), b"", ("ソa.zub", "ソb.zub")),
            ("directory whose name ends in 5C", cp932("zub2wav 表\\*.zub"), ("表/a.zub",), ("表/d.zub",),
             failed(cp932("表\\d.zub")), ("表/a.zub",)),
            ("5C before a quote escapes nothing", cp932('zub2wav ソ" x"'), (), (), failed(cp932("ソ x")), ()),
        ])

    def test_extension_after_a_5c_trail_byte_is_replaced(self):
        # Taking the 5C of ソ for a backslash would forget the dot and name
        # the output x.ソ.wav.
        self.make(files=("x.ソ",))
        r = self.run_line(cp932("zub2wav x.ソ"))
        self.assertEqual((r.status, r.stdout, r.stderr), (0, b"", b""))
        self.assertEqual(self.read("x.wav"), CONVERTED)
        self.assertEqual(sorted(self.files()), ["x.wav", "x.ソ"])

    def test_matches_sorted_by_the_code_pages_upper_case(self):
        # Full-width ａ (82 81) counts as its capital Ａ (82 60), so ａ1 sorts
        # before Ａ2 although its bytes are larger; a single-byte letter
        # (B as b, 62) before every double-byte character.
        self.make(dirs=("ｂ3.zub", "Ａ2.zub", "ソ.zub", "ａ1.zub", "B.zub"))
        r = self.run_line(cp932("zub2wav *.zub"))
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, failed(*(cp932(n) for n in ("B.zub", "ａ1.zub", "Ａ2.zub", "ｂ3.zub", "ソ.zub"))))


load_tests = winehost.load_tests
