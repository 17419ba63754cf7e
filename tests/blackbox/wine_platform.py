"""The Win32 platform layer on its own, through platform_probe.exe built
32-bit and 64-bit: the code page's lead bytes and letter case, stepping by
characters, the directory search, the program's own name, in code pages
1252 and 932."""

import winehost


def facts(stdout):
    lines = stdout.split(b"\r\n")
    return dict(line.split(b"=", 1) for line in lines if b"=" in line)


def case_tables(encoding):
    """The single-byte upper-case letters and their lower-case counterparts,
    from Python's own tables; lead bytes and unmapped bytes have none."""
    upper, lower = [], []
    for byte in range(1, 256):
        try:
            char = bytes([byte]).decode(encoding)
        except UnicodeDecodeError:
            continue
        if char.isupper():
            upper.append(b"%02X" % byte)
        try:
            folded = char.lower().encode(encoding)
        except UnicodeEncodeError:
            continue
        if len(folded) == 1 and folded[0] != byte:
            lower.append(b"%02X>%02X," % (byte, folded[0]))
    return b"".join(upper), b"".join(lower)


class PlatformLayer(winehost.WineTest):
    def probe(self, locale, name):
        self.write("a.zub", b"")
        self.write("ソ", b"")
        r = self.run_helper("platform_probe.exe", ["*", name], locale=locale)
        self.assertEqual((r.status, r.stderr), (0, b""))
        return facts(r.stdout)

    def check_common(self, found, encoding, so_name):
        self.assertEqual(found[b"past_end"], b"none")
        self.assertEqual(found[b"no_match"], b"none")
        entries = found[b"entries"].split(b"|")[:-1]
        self.assertEqual(sorted(entries), sorted([b".", b"..", b"a.zub", so_name]))
        probe = winehost.windows_path(self.program.beside("platform_probe.exe")).encode()
        self.assertEqual(found[b"own_file_name"].lower(), probe.lower())
        self.assertEqual(found[b"own_file_name_small"], b"0")
        self.assertEqual(found[b"exists_as_written"], b"0")
        upper, lower = case_tables(encoding)
        self.assertEqual(found[b"upper"], upper)
        self.assertEqual(found[b"lower"], lower)

    def test_code_page_1252(self):
        found = self.probe(winehost.DEFAULT_LOCALE, "x.y")
        self.assertEqual(found[b"code_page"], b"1252")
        self.assertEqual(found[b"lead_ranges"], b"")
        self.assertEqual(found[b"steps"], b"111")
        # ソ has no character in 1252: the search shows a stand-in.
        self.check_common(found, "cp1252", b"?")

    def test_code_page_932(self):
        found = self.probe(winehost.JAPANESE, "ソ.ａ")
        self.assertEqual(found[b"code_page"], b"932")
        self.assertEqual(found[b"lead_ranges"], b"81-9F,E0-FC")
        self.assertEqual(found[b"steps"], b"212")
        self.assertEqual(found[b"upper_double_byte"], b"8281>8260/2,8260>8260/2,835C>835C/2,")
        self.check_common(found, "cp932", "ソ".encode("cp932"))


load_tests = winehost.load_tests
