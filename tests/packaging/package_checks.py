"""Shared pieces of the installation and package tests: where things are,
the project's version, and a check that an installed program converts the
bundled examples byte for byte."""

import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "blackbox"))

import harness  # noqa: E402  (after the path is set)

SKIPPED = 77


def run_over_build_dirs(argv, build_dirs, holds, what):
    """Runs the calling module's tests over the directories of `argv` that
    hold the file `holds` (put into `build_dirs`); SKIPPED when none does."""
    import unittest

    build_dirs.extend(os.path.abspath(d) for d in argv if os.path.isfile(os.path.join(d, holds)))
    if not build_dirs:
        print("%s skipped: no %s in %s" % (what, holds, " ".join(argv)), file=sys.stderr)
        return SKIPPED
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    return 0 if result.wasSuccessful() else 1


def project_version():
    """The version of project() in the top-level CMakeLists.txt: the one place it is kept."""
    with open(os.path.join(SOURCE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(\s*zub2wav\s+VERSION\s+([0-9.]+)", f.read())
    if match is None:
        raise RuntimeError("no project(zub2wav VERSION ...) in CMakeLists.txt")
    return match.group(1)


def environment_path(name):
    value = os.environ.get(name, "")
    if not value:
        raise RuntimeError("set %s" % name)
    return os.path.abspath(value)


def files_under(root):
    """Every file and symbolic link below `root`, as paths relative to it."""
    found = []
    for directory, _, names in os.walk(root):
        for name in names:
            found.append(os.path.relpath(os.path.join(directory, name), root))
    return sorted(found)


def run_cpack(build_dir, output_dir, generator=None):
    """Makes the build tree's package in `output_dir`; returns the package files made."""
    command = [os.environ.get("CPACK", "cpack"), "--config", os.path.join(build_dir, "CPackConfig.cmake"),
               "-B", output_dir]
    if generator:
        command += ["-G", generator]
    completed = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                               timeout=600)
    if completed.returncode != 0:
        raise AssertionError("cpack failed:\n" + completed.stdout)
    return sorted(name for name in os.listdir(output_dir) if os.path.isfile(os.path.join(output_dir, name)))


def check_converts_examples(test, run_program):
    """`run_program(args, cwd)` runs an installed program and returns a
    harness.Result. Converts the bundled examples in a scratch directory and
    checks every output byte for byte, the rejected example's message, and the
    usage text."""
    with tempfile.TemporaryDirectory(prefix="zub2wav-installed-") as work:
        for name in ("tone.zub", "stereo.zub", "rejected.zub"):
            shutil.copy(os.path.join(SOURCE_DIR, "examples", name), work)
        result = run_program(["tone.zub", "stereo.zub", "rejected.zub"], work)
        test.assertEqual(result.status, 0, result.stderr)
        test.assertEqual(result.stdout, b"")
        test.assertEqual(result.stderr.replace(b"\r\n", b"\n"), b"error - 2 (24)\n")
        for name in ("tone", "stereo"):
            with open(os.path.join(work, name + ".zub"), "rb") as f:
                source = f.read()
            channels, bits, rate = harness.struct.unpack("<HHi", source[:8])
            with open(os.path.join(work, name + ".wav"), "rb") as f:
                test.assertEqual(f.read(), harness.wav_header(channels, bits, rate, len(source) - 32) + source[32:],
                                 name)
        test.assertEqual(os.path.getsize(os.path.join(work, "rejected.wav")), 0)

        usage = run_program([], work)
        test.assertEqual(usage.status, 1)
        test.assertEqual(usage.stderr.replace(b"\r\n", b"\n"), b"zub to wav converter\nusage: zub2wav in.zub\n")
