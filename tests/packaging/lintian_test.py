"""lintian, Debian's package checker, on the .deb that CPack makes from the
build tree: any error or warning fails (informational notes are shown, not
counted). Exits with 77 (skipped) when lintian is not installed.

ZUB2WAV_BUILD_DIR names the build tree, CPACK the cpack to run."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

import package_checks


def main():
    if not shutil.which("lintian"):
        print("lintian skipped: not installed (bash scripts/setup.sh ship)", file=sys.stderr)
        return package_checks.SKIPPED
    build_dir = package_checks.environment_path("ZUB2WAV_BUILD_DIR")
    with tempfile.TemporaryDirectory(prefix="zub2wav-lintian-") as tmp:
        package_checks.run_cpack(build_dir, tmp, "DEB")
        (deb,) = glob.glob(os.path.join(tmp, "*.deb"))
        completed = subprocess.run(["lintian", "--fail-on", "error,warning", "--info", "--display-info", "--pedantic", deb],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=600)
    print(completed.stdout)
    tags = [line for line in completed.stdout.splitlines() if line[:2] in ("E:", "W:")]
    if completed.returncode != 0 or tags:
        print("lintian: %d error(s) or warning(s), status %d" % (len(tags), completed.returncode), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
