"""The Windows programs' own command-line rules, exercised for real on the
32-bit and the 64-bit program: the launcher hands zub2wav.exe each raw
command line byte for byte, and the cases check what the program made of it.

What an argument became shows in the program's messages: a name that opens
nothing is echoed in "[E] failed to open '...'", and a directory matched by a
pattern fails that way too, so its line shows the name the expansion built,
in the order the expansion put it."""

import os

import winehost
from harness import wav_header, zub_bytes


def failed(*names):
    return b"".join(b"[E] failed to open '%s'\r\n" % name for name in names)


SOURCE = zub_bytes(1, 8, 8000, b"\x01\x02\x03")
CONVERTED = wav_header(1, 8, 8000, 3) + b"\x01\x02\x03"


class CommandLineTest(winehost.WineTest):
    def make(self, files=(), dirs=()):
        for name in dirs:
            os.makedirs(self.path(name))
        for name in files:
            os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
            self.write(name, SOURCE)

    def check_cases(self, cases):
        """cases: (label, raw command line, files, directories, expected
        standard error, sources expected to be converted)"""
        for label, line, files, dirs, stderr, converted in cases:
            with self.subTest(label):
                self._tmp.cleanup()
                os.makedirs(self.dir)
                os.chmod(self.dir, 0o777)
                self.make(files, dirs)
                r = self.run_line(line)
                self.assertEqual((r.status, r.stdout), (0, b""), line)
                self.assertEqual(r.stderr, stderr, line)
                for source in converted:
                    self.assertEqual(self.read(source[:-4] + ".wav"), CONVERTED, source)
                wavs = sorted(f for f in self.all_files() if f.endswith(".wav"))
                self.assertEqual(wavs, sorted(s[:-4] + ".wav" for s in converted), line)

    def all_files(self):
        found = []
        for top, _, names in os.walk(self.dir):
            found += [os.path.relpath(os.path.join(top, n), self.dir).replace(os.sep, "/") for n in names]
        return found


class Quoting(CommandLineTest):
    def test_quoting_and_backslash_rules(self):
        self.check_cases([
            ("tab separates, line feed does not", b"zub2wav a\tb c\nd", (), (), failed(b"a", b"b", b"c\r\nd"), ()),
            ("2 backslashes before a quote", b'zub2wav a\\\\"b c"', (), (), failed(b"a\\b c"), ()),
            ("3 backslashes before a quote", b'zub2wav a\\\\\\"b', (), (), failed(b'a\\"b'), ()),
            ("backslashes before no quote", b"zub2wav a\\\\b \\\\srv\\x\\", (), (), failed(b"a\\\\b", b"\\\\srv\\x\\"),
             ()),
            ("doubled quote inside quotes", b'zub2wav "a""b c"', (), (), failed(b'a"b', b"c"), ()),
            ("pair of quotes outside quotes", b'zub2wav a""b ""', (), (), failed(b"ab", b""), ()),
            ("unclosed quote runs to the end", b'zub2wav "a  b\tc', (), (), failed(b"a  b\tc"), ()),
            ("quoted program name followed at once", b'"zub2wav"x y', (), (), failed(b"x", b"y"), ()),
            ("unquoted program name keeps its quote", b'zub2"wav x y', (), (), failed(b"x", b"y"), ()),
            ("line beginning with a blank", b" a b", (), (), failed(b"a", b"b"), ()),
            ("names with blanks, quoted", b'zub2wav "my song.zub" my" "take.zub', ("my song.zub", "my take.zub"), (),
             b"", ("my song.zub", "my take.zub")),
        ])

    def test_quoted_program_name_without_close_leaves_no_argument(self):
        r = self.run_line(b'"zub2wav a.zub b.zub')
        self.assertEqual((r.status, r.stderr), (1, b"zub to wav converter\r\nusage: zub2wav in.zub\r\n"))


class Wildcards(CommandLineTest):
    def test_expansion_rules(self):
        self.check_cases([
            ("star inside a leading quote is not expanded", b'zub2wav "*"', ("a.zub",), (), failed(b"*"), ()),
            ("quotes inside an argument do not protect it", b'zub2wav a"*"', ("ab.zub", "ac.zub"), ("ad",),
             failed(b"ad"), ("ab.zub", "ac.zub")),
            ("quoted directory part: no expansion", b'zub2wav "my dir"\\*.zub', ("my dir/a.zub",), (),
             failed(b"my dir\\*.zub"), ()),
            ("pattern matching nothing passes unchanged", b"zub2wav none*.zub x?", ("a.zub",), (),
             failed(b"none*.zub", b"x?"), ()),
            ("question mark is one character", b"zub2wav ?.zub", ("a.zub", "bb.zub"), (), b"", ("a.zub",)),
            ("dir\\ prefix kept as written", b"zub2wav sub\\*.zub", ("sub/a.zub",), ("sub/d.zub",),
             failed(b"sub\\d.zub"), ("sub/a.zub",)),
            ("dir/ prefix kept as written", b"zub2wav sub/*.zub", ("sub/a.zub",), ("sub/d.zub",),
             failed(b"sub/d.zub"), ("sub/a.zub",)),
            ("drive prefix kept as written", b"zub2wav Z:*.zub", ("a.zub",), ("d.zub",), failed(b"Z:d.zub"),
             ("a.zub",)),
            ("colon not second: no search", b"zub2wav ab:*", ("a.zub",), (), failed(b"ab:*"), ()),
            ("star alone: directories too, never . or ..", b"zub2wav *", ("a.zub",), ("d1", "d2"),
             failed(b"d1", b"d2"), ("a.zub",)),
        ])

    def test_matches_sorted_without_regard_to_case(self):
        # Directories, so each match says its place in a message; the
        # underscore sorts before the letters because capitals fold to lower case.
        self.make(dirs=("b.zub", "A.zub", "aa.zub", "a_b.zub", "B_.zub"))
        r = self.run_line(b"zub2wav *.zub")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, failed(b"A.zub", b"a_b.zub", b"aa.zub", b"b.zub", b"B_.zub"))

    def test_two_patterns_each_sorted_in_place(self):
        self.make(files=("B.zub", "a.zub"), dirs=("y.x", "X.x"))
        r = self.run_line(b"zub2wav first *.x middle *.zub *.X last")
        self.assertEqual((r.status, r.stdout), (0, b""))
        self.assertEqual(r.stderr, failed(b"first", b"X.x", b"y.x", b"middle", b"X.x", b"y.x", b"last"))
        self.assertEqual(self.read("a.wav"), CONVERTED)
        self.assertEqual(self.read("B.wav"), CONVERTED)


load_tests = winehost.load_tests
