"""The Windows ZIPs: CPack makes zub2wav-<version>-win32.zip and
zub2wav-<version>-win64.zip from the cross builds, each holding, in one
folder of the package's name, the program for its word size (a console
program, its debugging symbols stripped), the README, LICENSE and
CHANGELOG.md. Each program out of its ZIP converts the bundled examples
under Wine, under its own loader.

    python3 windows_zip_test.py BUILD_DIR...   (build/win32, build/win64)

Exits with 77 (skipped) when no build tree given has been configured."""

import os
import shutil
import struct
import sys
import tempfile
import unittest
import zipfile

import package_checks

BUILD_DIRS = []

# The PE machine of each word size.
MACHINES = {"win32": 0x014C, "win64": 0x8664}
CONSOLE_SUBSYSTEM = 3


def pe_machine_and_subsystem(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        raise AssertionError("not a PE executable")
    machine = struct.unpack_from("<H", image, pe + 4)[0]
    subsystem = struct.unpack_from("<H", image, pe + 24 + 68)[0]  # same place in PE32 and PE32+
    return machine, subsystem


class WindowsZip(unittest.TestCase):
    def test_each_zip(self):
        version = package_checks.project_version()
        documents = {}
        for document in ("CHANGELOG.md", "LICENSE", "README.md"):
            with open(os.path.join(package_checks.SOURCE_DIR, document), "rb") as f:
                documents[document] = f.read()
        for build_dir in BUILD_DIRS:
            name = os.path.basename(build_dir)
            folder = "zub2wav-%s-%s" % (version, name)
            with self.subTest(build=name), tempfile.TemporaryDirectory(prefix="zub2wav-zip-") as tmp:
                self.assertEqual(package_checks.run_cpack(build_dir, tmp), [folder + ".zip"])
                with zipfile.ZipFile(os.path.join(tmp, folder + ".zip")) as archive:
                    self.assertEqual(sorted(archive.namelist()),
                                     sorted([folder + "/" + d for d in documents] + [folder + "/zub2wav.exe"]))
                    for document, text in documents.items():
                        self.assertEqual(archive.read(folder + "/" + document), text, document)
                    exe = archive.read(folder + "/zub2wav.exe")
                    archive.extractall(tmp)
                self.assertEqual(pe_machine_and_subsystem(exe), (MACHINES[name], CONSOLE_SUBSYSTEM))
                with open(os.path.join(build_dir, "zub2wav.exe"), "rb") as f:
                    self.assertLess(len(exe), len(f.read()), "the packaged program is not stripped")
                self.run_under_wine(name, os.path.join(tmp, folder, "zub2wav.exe"))

    def run_under_wine(self, name, exe):
        sys.path.insert(0, os.path.join(package_checks.SOURCE_DIR, "tests", "blackbox"))
        import winehost
        program = winehost.Program(name, exe)
        if winehost.unavailable(program):
            self.skipTest("Wine: " + winehost.unavailable(program))
        try:
            package_checks.check_converts_examples(self, lambda args, cwd: winehost.run_exe(program, args, cwd))
        finally:
            winehost.stop_all()


def main(argv):
    return package_checks.run_over_build_dirs(argv, BUILD_DIRS, "CPackConfig.cmake", "Windows ZIPs")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
