"""The manual page: groff and man render it without a single warning, its
title carries the project's version, and its DIAGNOSTICS section shows every
message the program's code can print on standard error.

ZUB2WAV_MANUAL_PAGE names the configured page (zub2wav.1 in the build tree)."""

import glob
import os
import re
import shutil
import subprocess
import unittest

import package_checks

# A message's %s or %d stands for a word in the page: 'source', 'output', count, bits.
PLACEHOLDER = re.compile(r"%[sd]")


def program_messages():
    """The format strings of every fprintf/fputs to standard error in the
    program's own code (not the tests)."""
    call = re.compile(r'\b(?:fprintf\s*\(\s*stderr\s*,\s*"((?:[^"\\]|\\.)*)"'
                      r'|fputs\s*\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*stderr)')
    messages = set()
    for folder in ("cli", "convert", "platform"):
        for path in glob.glob(os.path.join(package_checks.SOURCE_DIR, folder, "*.cpp")):
            with open(path, encoding="utf-8") as f:
                for match in call.finditer(f.read()):
                    text = match.group(1) if match.group(1) is not None else match.group(2)
                    messages.add(text.encode().decode("unicode_escape"))
    return messages


def render(page, tool):
    """Renders the page as plain ASCII text and returns (status, text, warnings)."""
    env = dict(os.environ, LC_ALL="C", MANWIDTH="80", MANPAGER="cat", PAGER="cat")
    if tool == "groff":
        command = ["groff", "-man", "-ww", "-Tascii", "-rHY=0", "-P-cbou", page]
    else:
        command = ["man", "--warnings", "-l", page]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=60)
    text = re.sub(r".\x08", "", result.stdout.decode("ascii", "replace"))  # any bold or underline
    return result.returncode, text, result.stderr.decode("utf-8", "replace")


@unittest.skipUnless(shutil.which("groff"), "needs groff (bash scripts/setup.sh ship)")
class ManualPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.page = package_checks.environment_path("ZUB2WAV_MANUAL_PAGE")

    def test_renders_without_warnings(self):
        tools = ["groff"] + (["man"] if shutil.which("man") else [])
        for tool in tools:
            with self.subTest(tool=tool):
                status, text, warnings = render(self.page, tool)
                self.assertEqual(status, 0, warnings)
                self.assertEqual(warnings, "", "%s warns about the page" % tool)
                for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "SOURCE FORMAT", "OUTPUT",
                                "WILDCARDS AND QUOTING", "DIAGNOSTICS", "EXIT STATUS", "EXAMPLES"):
                    self.assertRegex(text, r"(?m)^%s$" % section)
                # The last line carries the version from project().
                self.assertRegex(text, r"zub2wav %s\s+\d{4}-\d\d-\d\d\s+ZUB2WAV\(1\)" %
                                 re.escape(package_checks.project_version()))

    def test_every_message_is_explained(self):
        messages = program_messages()
        # The scan must see the program's messages, or it proves nothing.
        self.assertIn("usage: zub2wav in.zub\n", messages)
        self.assertIn("[E] failed to open '%s'\n", messages)
        _, text, _ = render(self.page, "groff")
        diagnostics = text[text.index("\nDIAGNOSTICS\n"):text.index("\nEXIT STATUS\n")]
        # Each message is a tag of its own at the section's first indent.
        tags = [line.strip() for line in diagnostics.splitlines() if re.match(r"^ {7}\S", line)]
        for message in sorted(messages):
            with self.subTest(message=message):
                pattern = "".join(r"\S+" if PLACEHOLDER.fullmatch(part) else re.escape(part)
                                  for part in re.split(r"(%[sd])", message.rstrip("\n")))
                self.assertTrue(any(re.fullmatch(pattern, tag) for tag in tags),
                                "%r is not explained under DIAGNOSTICS" % message)


if __name__ == "__main__":
    unittest.main()
