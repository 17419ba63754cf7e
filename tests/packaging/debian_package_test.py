"""The Debian package: built by CPack from the build tree, named
zub2wav_<version>_<architecture>.deb, with the control fields a user sees,
exactly the program and the compressed manual page in it, and installed for
real by dpkg into a scratch root, where the program converts the bundled
examples and the page renders; removed again, nothing of it is left.

ZUB2WAV_BUILD_DIR names the build tree, CPACK the cpack to run."""

import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import package_checks
from package_checks import harness


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=300,
                          **kwargs)


@unittest.skipUnless(shutil.which("dpkg-deb") and shutil.which("dpkg-shlibdeps"),
                     "needs dpkg-deb and dpkg-shlibdeps (bash scripts/setup.sh ship)")
class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.build_dir = package_checks.environment_path("ZUB2WAV_BUILD_DIR")
        cls._tmp = tempfile.TemporaryDirectory(prefix="zub2wav-deb-")
        cls.tmp = cls._tmp.name
        cls.version = package_checks.project_version()
        cls.architecture = run(["dpkg", "--print-architecture"]).stdout.strip()
        cls.packages = package_checks.run_cpack(cls.build_dir, cls.tmp, "DEB")
        cls.deb = os.path.join(cls.tmp, "zub2wav_%s_%s.deb" % (cls.version, cls.architecture))

    @classmethod
    def tearDownClass(cls):
        cls._tmp.cleanup()

    def test_file_name(self):
        self.assertEqual(self.packages, [os.path.basename(self.deb)])

    def test_control_fields(self):
        def field(name):
            result = run(["dpkg-deb", "-f", self.deb, name])
            self.assertEqual(result.returncode, 0, result.stderr)
            return result.stdout.strip()

        expected = {"Package": "zub2wav", "Version": self.version, "Architecture": self.architecture,
                    "Section": "sound", "Priority": "optional"}
        for name, value in expected.items():
            with self.subTest(field=name):
                self.assertEqual(field(name), value)
        self.assertRegex(field("Maintainer"), r"^[^<>]+ <[^<>@\s]+@[^<>@\s]+>$")
        description = field("Description").splitlines()
        self.assertEqual(description[0], "converts .zub source audio files to WAV files")
        self.assertTrue(len(description) > 1 and all(line.startswith(" ") for line in description[1:]),
                        "no extended description")
        self.assertTrue(all(len(line) <= 80 for line in description), "description lines over 80 columns")
        # Found from the libraries the program links: the C library at least.
        self.assertRegex(field("Depends"), r"(^|, )libc6( \(>= [0-9.]+\))?(,|$)")

    def test_contents(self):
        listing = run(["dpkg-deb", "-c", self.deb])
        self.assertEqual(listing.returncode, 0, listing.stderr)
        files = {}
        for line in listing.stdout.splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            if not mode.startswith("d"):
                files[path] = (mode, owner)
        self.assertEqual(files, {
            "./usr/bin/zub2wav": ("-rwxr-xr-x", "root/root"),
            "./usr/share/man/man1/zub2wav.1.gz": ("-rw-r--r--", "root/root"),
            "./usr/share/doc/zub2wav/copyright": ("-rw-r--r--", "root/root"),
            "./usr/share/doc/zub2wav/changelog.gz": ("-rw-r--r--", "root/root"),
        })

    def extract(self):
        root = os.path.join(self.tmp, "extracted")
        if not os.path.isdir(root):
            result = run(["dpkg-deb", "-x", self.deb, root])
            self.assertEqual(result.returncode, 0, result.stderr)
        return os.path.join(root, "usr", "share", "doc", "zub2wav")

    def test_changelog_is_changelog_md_in_debian_format(self):
        doc = self.extract()
        plain = os.path.join(self.tmp, "changelog")
        with gzip.open(os.path.join(doc, "changelog.gz"), "rb") as f, open(plain, "wb") as out:
            out.write(f.read())
        # dpkg's own parser: the newest entry is this version, signed by the package's maintainer.
        parsed = run(["dpkg-parsechangelog", "-l", plain])
        self.assertEqual(parsed.returncode, 0, parsed.stderr)
        self.assertEqual(parsed.stderr, "")
        fields = dict(line.split(": ", 1) for line in parsed.stdout.splitlines() if ": " in line)
        self.assertEqual(fields["Version"], self.version, "CHANGELOG.md's newest section is not this version")
        self.assertEqual(fields["Maintainer"], run(["dpkg-deb", "-f", self.deb, "Maintainer"]).stdout.strip())
        with open(os.path.join(package_checks.SOURCE_DIR, "CHANGELOG.md"), encoding="utf-8") as f:
            sections = re.findall(r"^## \[?([^\] ]+)\]? - (\d{4}-\d\d-\d\d)$", f.read(), re.M)
        everything = run(["dpkg-parsechangelog", "-l", plain, "--all", "-S", "Version"])
        self.assertEqual(everything.stdout.split(), [version for version, _ in sections])
        with open(plain, encoding="utf-8") as f:
            lines = f.read().splitlines()
        # The change lines (not the signature, whose length is the maintainer's).
        self.assertTrue(all(len(line) <= 80 for line in lines if not line.startswith(" -- ")),
                        "changelog lines over 80 columns")

    def test_copyright_holds_the_licence(self):
        with open(os.path.join(self.extract(), "copyright"), encoding="utf-8") as f:
            text = f.read()
        header, files = text.split("\n\n", 1)
        self.assertTrue(header.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
        self.assertIn("Files: *\nCopyright: ", files)
        licence = files.split("License: Expat\n", 1)[1]
        unfolded = "\n".join("" if line == " ." else line[1:] for line in licence.splitlines())
        with open(os.path.join(package_checks.SOURCE_DIR, "LICENSE"), encoding="utf-8") as f:
            original = f.read()
        self.assertIn("Copyright (c) " + re.search(r"^Copyright: (.*)$", files, re.M).group(1), original)
        self.assertIn(unfolded.strip(), original)
        self.assertTrue(unfolded.startswith("Permission is hereby granted"))

    def test_installed_by_dpkg_into_a_scratch_root(self):
        root = os.path.join(self.tmp, "root")
        admin = os.path.join(root, "var", "lib", "dpkg")
        for directory in ("info", "updates"):
            os.makedirs(os.path.join(admin, directory))
        open(os.path.join(admin, "status"), "w").close()
        # The scratch root holds no libc6 package, so its dependency cannot be met there.
        installed = run(["dpkg", "--root=" + root, "--force-depends", "-i", self.deb])
        self.assertEqual(installed.returncode, 0, installed.stdout + installed.stderr)
        status = run(["dpkg", "--root=" + root, "-s", "zub2wav"])
        self.assertIn("Status: install ok installed", status.stdout)
        self.assertEqual(package_checks.files_under(os.path.join(root, "usr")),
                         ["bin/zub2wav", "share/doc/zub2wav/changelog.gz", "share/doc/zub2wav/copyright",
                          "share/man/man1/zub2wav.1.gz"])

        program = os.path.join(root, "usr", "bin", "zub2wav")
        package_checks.check_converts_examples(self, lambda args, cwd: harness.run(args, cwd, program=program))

        page = os.path.join(root, "usr", "share", "man", "man1", "zub2wav.1.gz")
        with gzip.open(page, "rt", encoding="utf-8") as f:
            text = f.read()
        with open(os.path.join(self.build_dir, "zub2wav.1"), encoding="utf-8") as f:
            self.assertEqual(text, f.read(), "the packaged page is not the configured one")
        if shutil.which("man"):
            rendered = run(["man", "--warnings", "-l", page], env=dict(os.environ, MANWIDTH="80", MANPAGER="cat",
                                                                        PAGER="cat"))
            self.assertEqual(rendered.returncode, 0, rendered.stderr)
            self.assertEqual(rendered.stderr, "")
            self.assertRegex(rendered.stdout, r"zub2wav %s\s+\d{4}-\d\d-\d\d\s+ZUB2WAV\(1\)" %
                             re.escape(self.version))

        removed = run(["dpkg", "--root=" + root, "-r", "zub2wav"])
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        self.assertEqual(package_checks.files_under(os.path.join(root, "usr")), [])


if __name__ == "__main__":
    unittest.main()
