"""Running the Windows program under Wine for the end-to-end tests.

ZUB2WAV_WIN64 names the 64-bit zub2wav.exe and ZUB2WAV_LAUNCHER the
command-line launcher built beside it. One Wine prefix per user is made in a
temporary directory at the first need and removed, its wineserver ended, by
stop_all() (run_wine.py calls it once all tests ran)."""

import os
import shutil
import subprocess
import sys
import tempfile

from harness import Result

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver64")
# Absolute, since each test runs in a directory of its own.
EXE = os.path.abspath(os.environ["ZUB2WAV_WIN64"]) if os.environ.get("ZUB2WAV_WIN64") else ""
LAUNCHER = os.path.abspath(os.environ["ZUB2WAV_LAUNCHER"]) if os.environ.get("ZUB2WAV_LAUNCHER") else ""

# The locale Wine takes its ANSI code page from: C.UTF-8 gives 1252. For 932,
# ja_JP.UTF-8 must exist for the C library too, or Wine cannot map the host's
# UTF-8 file names; japanese_locale() builds it with localedef.
DEFAULT_LOCALE = "C.UTF-8"
JAPANESE = "ja_JP.UTF-8"


def missing_prerequisite():
    """Why the Wine tests cannot run here, or None when they can."""
    for name, path in (("ZUB2WAV_WIN64", EXE), ("ZUB2WAV_LAUNCHER", LAUNCHER)):
        if not path or not os.path.isfile(path):
            return "%s does not name a built program (%r)" % (name, path)
    for tool in (WINE, WINESERVER):
        if not os.access(tool, os.X_OK):
            return "%s is not installed" % tool
    return None


def windows_path(path):
    """The host path as Wine's drive Z: (the host's root) shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class _Prefix:
    def __init__(self, user):
        self.user = user
        self.home = tempfile.mkdtemp(prefix="zub2wav-wine-")
        self.path = os.path.join(self.home, "prefix")
        os.mkdir(self.path)
        if user is not None:
            for path in (self.home, self.path):
                os.chown(path, user, user)
        self.base_env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "WINEPREFIX": self.path,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",  # no offer to install Mono or Gecko
        }
        # A persistent server keeps every start after the first quick; the
        # first fills the prefix (a few seconds).
        subprocess.run(self.command([WINESERVER, "-p"]), env=self.env(DEFAULT_LOCALE),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=True)
        subprocess.run(self.command([WINE, "wineboot", "--init"]), env=self.env(DEFAULT_LOCALE),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=300, check=True)

    def command(self, command):
        if self.user is None:
            return command
        return ["setpriv", "--reuid=%d" % self.user, "--regid=%d" % self.user, "--clear-groups"] + command

    def env(self, locale, extra=None):
        env = dict(self.base_env, LC_ALL=locale, LANG=locale)
        if extra:
            env.update(extra)
        return env

    def stop(self):
        subprocess.run(self.command([WINESERVER, "-k"]), env=self.env(DEFAULT_LOCALE),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)


_prefixes = {}
_locale_dir = None


def _prefix(user):
    if user not in _prefixes:
        _prefixes[user] = _Prefix(user)
    return _prefixes[user]


def japanese_locale():
    """Extra environment for a run whose ANSI code page is 932."""
    global _locale_dir
    if _locale_dir is None:
        _locale_dir = tempfile.mkdtemp(prefix="zub2wav-locale-")
        os.chmod(_locale_dir, 0o755)
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", os.path.join(_locale_dir, "ja_JP.UTF-8")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=120)
    return {"LOCPATH": _locale_dir}


def stop_all():
    global _locale_dir
    for prefix in _prefixes.values():
        prefix.stop()
    _prefixes.clear()
    if _locale_dir is not None:
        shutil.rmtree(_locale_dir, ignore_errors=True)
        _locale_dir = None


def _program_could_end_so(completed):
    """The program ends with 0, with 1 after its usage text, or with 255
    after its out-of-memory line; anything else comes from Wine itself."""
    if completed.returncode == 0:
        return True
    if completed.returncode == 1:
        return completed.stderr.startswith(b"zub to wav converter")
    return completed.returncode == 255 and b"out of memory" in completed.stderr


def _run(command, cwd, user, locale, timeout):
    prefix = _prefix(user)
    extra = japanese_locale() if locale == JAPANESE else None
    for attempt in (1, 2):
        completed = subprocess.run(prefix.command(command), cwd=cwd, env=prefix.env(locale, extra),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   timeout=timeout)
        # Under a heavy load Wine has been seen to end a run with status 1
        # and no usage text, which the program cannot do: try such a run once
        # more, and say so. Every ending the program itself can give counts
        # at once, so a fault of the program still fails its test.
        if attempt == 2 or _program_could_end_so(completed):
            break
        sys.stderr.write("winehost: Wine ended %r with status %d (stderr %r); running it once more\n"
                         % (command[1:], completed.returncode, completed.stderr[:200]))
    return Result(completed.returncode, completed.stdout, completed.stderr)


def run_exe(args, cwd, user=None, locale=DEFAULT_LOCALE, timeout=120):
    """Runs zub2wav.exe with `args` in `cwd`; Wine makes the command line
    from them, quoting as Windows programs expect."""
    return _run([WINE, EXE] + list(args), cwd, user, locale, timeout)


def run_helper(name, args, cwd, locale=DEFAULT_LOCALE, timeout=120):
    """Runs another program built beside zub2wav.exe (a test helper)."""
    return _run([WINE, helper_path(name)] + list(args), cwd, None, locale, timeout)


def helper_path(name):
    return os.path.join(os.path.dirname(EXE), name)


def run_command_line(line, cwd, user=None, locale=DEFAULT_LOCALE, timeout=120):
    """Runs zub2wav.exe with exactly the raw command line `line` (bytes),
    through the launcher, which reads it from a file."""
    handle, line_file = tempfile.mkstemp(prefix="zub2wav-line-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(line)
        os.chmod(line_file, 0o644)
        return _run([WINE, LAUNCHER, windows_path(line_file), windows_path(EXE)], cwd, user, locale, timeout)
    finally:
        os.unlink(line_file)
