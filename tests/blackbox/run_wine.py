"""Runs the Windows programs' end-to-end tests under Wine, all in one
process so that they share one Wine prefix per user; each case runs once
per program (see winehost).

    python3 run_wine.py [--only win32|win64] [--strict] [MODULE ...]
        (default: both programs, every wine_*.py here)

ZUB2WAV_WIN32 and ZUB2WAV_WIN64 name the programs; the helpers are built
beside them. A program that cannot run here has its cases skipped, and
once the others passed the run exits with 77, after saying why: CTest
reports that as skipped, never as passed. With --strict a program not built
or a Wine not installed fails instead; a host whose kernel refuses 32-bit
code still skips, since no installation can help it. The number of Wine
runs of each program, and their time, is printed at the end."""

import argparse
import glob
import os
import sys
import unittest

SKIPPED = 77


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--only", choices=("win32", "win64"))
    parser.add_argument("--strict", action="store_true")
    parser.add_argument("modules", nargs="*")
    options = parser.parse_args(argv)

    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    # The harness's own checks want a program; the Wine tests run these.
    os.environ.setdefault("ZUB2WAV", os.environ.get("ZUB2WAV_WIN64") or os.environ.get("ZUB2WAV_WIN32", ""))
    import winehost

    if options.only:
        winehost.PROGRAMS[:] = [p for p in winehost.PROGRAMS if p.name == options.only]
    names = options.modules or sorted(os.path.basename(p)[:-3] for p in glob.glob(os.path.join(here, "wine_*.py")))
    loader = unittest.defaultTestLoader
    # A class or test named on its own comes without its module's hook.
    suite = winehost.load_tests(loader, loader.loadTestsFromNames(names), None)
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        winehost.stop_all()

    print("Wine runs: " + ", ".join("%s %d (%.1f s)" % (p.name, p.runs, p.seconds) for p in winehost.PROGRAMS),
          file=sys.stderr)
    missing = [p for p in winehost.PROGRAMS if winehost.unavailable(p)]
    for program in missing:
        print("Windows tests of the %s program skipped: %s" % (program.name, winehost.unavailable(program)),
              file=sys.stderr)
    if not result.wasSuccessful() or (options.strict and any(not p.refused_by_host for p in missing)):
        return 1
    return SKIPPED if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
