"""`cmake --install` of the build tree: exactly the program and its manual
page land under the prefix (and under DESTDIR when one is given), the page
carries the project's version, and the installed program converts the
bundled examples byte for byte.

ZUB2WAV_BUILD_DIR names the build tree, CMAKE the cmake to run."""

import os
import stat
import subprocess
import tempfile
import unittest

import package_checks
from package_checks import harness

INSTALLED = ["bin/zub2wav", "share/man/man1/zub2wav.1"]


class Install(unittest.TestCase):
    def install(self, root, prefix, destdir=None):
        env = dict(os.environ)
        env.pop("DESTDIR", None)
        if destdir:
            env["DESTDIR"] = destdir
        completed = subprocess.run([os.environ.get("CMAKE", "cmake"), "--install",
                                    package_checks.environment_path("ZUB2WAV_BUILD_DIR"), "--prefix", prefix],
                                   env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                   timeout=120)
        self.assertEqual(completed.returncode, 0, completed.stdout)
        return root

    def check_tree(self, root, prefix_in_root):
        """The files below `root`, with `prefix_in_root` the prefix's place there."""
        self.assertEqual(package_checks.files_under(root),
                         sorted(os.path.join(prefix_in_root, path) for path in INSTALLED))
        program = os.path.join(root, prefix_in_root, "bin", "zub2wav")
        self.assertTrue(os.stat(program).st_mode & stat.S_IXOTH, "the program is not executable by all")
        page = os.path.join(root, prefix_in_root, "share", "man", "man1", "zub2wav.1")
        with open(page, encoding="utf-8") as f:
            text = f.read()
        title = next(line for line in text.splitlines() if line.startswith(".TH "))
        self.assertIn('"zub2wav %s"' % package_checks.project_version(), title)
        self.assertNotIn("@PROJECT_", text, "a configure-time placeholder was left in the page")
        return program

    def test_prefix_and_destdir(self):
        # (where the prefix is, DESTDIR or none, where the files land in the scratch tree)
        cases = [
            ("{tmp}/prefix", None, "prefix"),
            ("/usr/local", "{tmp}/stage", "stage/usr/local"),
        ]
        for prefix, destdir, landing in cases:
            with self.subTest(prefix=prefix, destdir=destdir), \
                    tempfile.TemporaryDirectory(prefix="zub2wav-install-") as tmp:
                self.install(tmp, prefix.format(tmp=tmp), destdir and destdir.format(tmp=tmp))
                program = self.check_tree(tmp, landing)
                package_checks.check_converts_examples(
                    self, lambda args, cwd: harness.run(args, cwd, program=program))


if __name__ == "__main__":
    unittest.main()
