"""Runs the Windows program's end-to-end tests under Wine, all in one
process so that they share one Wine prefix per user.

    python3 run_wine.py [MODULE ...]     (default: every wine_*.py here)

Exits with 77, after saying why, when the 64-bit program, the launcher or
Wine is missing: CTest reports that as skipped, never as passed."""

import glob
import os
import sys
import unittest

SKIPPED = 77


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    # The harness's own checks want a program; the Wine tests run this one.
    os.environ.setdefault("ZUB2WAV", os.environ.get("ZUB2WAV_WIN64", ""))
    import winehost

    reason = winehost.missing_prerequisite()
    if reason:
        print("Windows tests skipped: " + reason, file=sys.stderr)
        return SKIPPED
    names = argv or sorted(os.path.basename(p)[:-3] for p in glob.glob(os.path.join(here, "wine_*.py")))
    suite = unittest.defaultTestLoader.loadTestsFromNames(names)
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        winehost.stop_all()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
