"""Running the Windows programs under Wine for the end-to-end tests.

Both programs are run: the 32-bit zub2wav.exe (ZUB2WAV_WIN32) under Wine's
32-bit loader, the 64-bit one (ZUB2WAV_WIN64) under the 64-bit loader, each
with the test helpers built beside it (command_line_launcher.exe,
platform_probe.exe). PROGRAMS holds one Program record per program.

A test module runs every case once per program by deriving its test
classes from WineTest and handing unittest this module's load_tests:

    import winehost

    class Usage(winehost.WineTest):
        def test_no_argument(self):
            r = self.run_program()           # self.program is the Program
            self.assertEqual(r.stderr, ...)  # always check the output too

    load_tests = winehost.load_tests

Each such class then runs as Usage_win32 and Usage_win64 (run_wine.py
takes the plain names: wine_convert.Usage, or a module). A program that
cannot run here (not built, its loader missing, or the host refusing 32-bit
code) has its cases skipped with the reason, never passed: a failed start
of a 32-bit program can end with status 0 and no output, so the loader is
probed first, and every case checks the output, not the status alone.
A WineTest runs its program with run_program(*args), a raw command line
with run_line(bytes), a helper with run_helper(name, args), each in
self.dir; outside one, run_exe, run_command_line and run_helper take the
Program to run.

One Wine prefix per user serves both programs. It is made in a temporary
directory at the first need, by the 32-bit-capable loader where it runs (a
prefix filled by the 64-bit loader alone cannot start 32-bit programs), and
removed, its wineserver ended, by stop_all() (run_wine.py calls it once all
tests ran). The program's output goes to temporary files, not pipes: Wine's
background processes inherit a run's handles and would hold a pipe open for
seconds after the program ended. Each Program counts its runs and their time."""

import atexit
import errno
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from harness import ProgramTest, Result

WINE32 = os.environ.get("WINE32", "/usr/lib/wine/wine")
WINE64 = os.environ.get("WINE64", "/usr/lib/wine/wine64")
# The 64-bit server serves the processes of both word sizes.
WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver64")

# The locale Wine takes its ANSI code page from: C.UTF-8 gives 1252. For 932,
# ja_JP.UTF-8 must exist for the C library too, or Wine cannot map the host's
# UTF-8 file names; japanese_locale() builds it with localedef.
DEFAULT_LOCALE = "C.UTF-8"
JAPANESE = "ja_JP.UTF-8"


class Program:
    """One Windows program: `name` ("win32" or "win64"), the absolute path
    of its `exe`, the Wine `loader` that runs it, its number of `runs` and
    the `seconds` they took."""

    LOADERS = {"win32": WINE32, "win64": WINE64}

    def __init__(self, name, exe):
        self.name = name
        # Absolute, since each test runs in a directory of its own.
        self.exe = os.path.abspath(exe) if exe else ""
        self.loader = self.LOADERS[name]
        self.runs = 0
        self.seconds = 0.0
        # Set by unavailable(): the host's kernel refused the loader itself.
        self.refused_by_host = False
        self._reason = None

    def beside(self, name):
        """A program built in the same directory (a test helper)."""
        return os.path.join(os.path.dirname(self.exe), name)

    def __repr__(self):
        return "Program(%r, %r)" % (self.name, self.exe)


PROGRAMS = [Program("win32", os.environ.get("ZUB2WAV_WIN32", "")),
            Program("win64", os.environ.get("ZUB2WAV_WIN64", ""))]

_loader_checks = {}


def _loader_problem(loader):
    """Why `loader` cannot run here, and whether the host refused it; None
    when `wine --version` answers as Wine does."""
    if loader not in _loader_checks:
        problem = None
        if not os.access(loader, os.X_OK):
            problem = ("%s is not installed (bash scripts/setup.sh windows)" % loader, False)
        else:
            try:
                completed = subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL,
                                           capture_output=True, timeout=60)
                if not completed.stdout.startswith(b"wine-"):
                    problem = ("%s --version gave status %d and %r" % (loader, completed.returncode,
                                                                      completed.stdout[:100]), False)
            except OSError as error:
                # A kernel without 32-bit support refuses the loader with
                # "Exec format error" before Wine can say anything.
                if error.errno == errno.ENOEXEC:
                    problem = ("this host cannot start %s (%s): its kernel runs no 32-bit code"
                               % (loader, error.strerror), True)
                else:
                    problem = ("%s cannot be started: %s" % (loader, error.strerror), False)
        _loader_checks[loader] = problem
    return _loader_checks[loader]


def unavailable(program):
    """Why `program` cannot run under Wine here, or None when it can."""
    if program._reason is None:
        reason = ""
        if not program.exe or not os.path.isfile(program.exe):
            reason = "the %s program is not built (%r)" % (program.name, program.exe)
        elif not os.access(WINESERVER, os.X_OK):
            reason = "%s is not installed (bash scripts/setup.sh windows)" % WINESERVER
        else:
            problem = _loader_problem(program.loader)
            if problem:
                reason, program.refused_by_host = problem
        program._reason = reason
    return program._reason or None


def windows_path(path):
    """The host path as Wine's drive Z: (the host's root) shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def _prefix_loader():
    """The loader that fills a new prefix: the 32-bit one where it runs."""
    return WINE64 if _loader_problem(WINE32) else WINE32


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
        subprocess.run(self.command([_prefix_loader(), "wineboot", "--init"]), env=self.env(DEFAULT_LOCALE),
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
    """Ends every prefix's wineserver and removes the prefixes; also run at
    exit, so that a run through plain unittest leaves none behind."""
    global _locale_dir
    for prefix in _prefixes.values():
        prefix.stop()
    _prefixes.clear()
    if _locale_dir is not None:
        shutil.rmtree(_locale_dir, ignore_errors=True)
        _locale_dir = None


atexit.register(stop_all)


def _program_could_end_so(status, stderr):
    """The program ends with 0, with 1 after its usage text, or with 255
    after its out-of-memory line; anything else comes from Wine itself."""
    if status == 0:
        return True
    if status == 1:
        return stderr.startswith(b"zub to wav converter")
    return status == 255 and b"out of memory" in stderr


def _run_once(command, cwd, prefix, env, timeout):
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(prefix.command(command), cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return Result(status, out.read(), err.read())


def _run(program, command, cwd, user, locale, timeout):
    reason = unavailable(program)
    if reason:
        raise unittest.SkipTest(reason)
    prefix = _prefix(user)
    env = prefix.env(locale, japanese_locale() if locale == JAPANESE else None)
    command = [program.loader] + command
    for attempt in (1, 2):
        program.runs += 1
        started = time.monotonic()
        result = _run_once(command, cwd, prefix, env, timeout)
        program.seconds += time.monotonic() - started
        # Under a heavy load Wine has been seen to end a run with status 1
        # and no usage text, which the program cannot do: try such a run once
        # more, and say so. Every ending the program itself can give counts
        # at once, so a fault of the program still fails its test.
        if attempt == 2 or _program_could_end_so(result.status, result.stderr):
            break
        sys.stderr.write("winehost: Wine ended %r with status %d (stderr %r); running it once more\n"
                         % (command[1:], result.status, result.stderr[:200]))
    return result


def run_exe(program, args, cwd, user=None, locale=DEFAULT_LOCALE, timeout=120):
    """Runs `program` with `args` in `cwd`; Wine makes the command line from
    them, quoting as Windows programs expect."""
    return _run(program, [program.exe] + list(args), cwd, user, locale, timeout)


def run_helper(program, name, args, cwd, locale=DEFAULT_LOCALE, timeout=120):
    """Runs the test helper `name` built beside `program`, under its loader."""
    return _run(program, [program.beside(name)] + list(args), cwd, None, locale, timeout)


def run_command_line(program, line, cwd, user=None, locale=DEFAULT_LOCALE, timeout=120):
    """Runs `program` with exactly the raw command line `line` (bytes),
    through the launcher built beside it, which reads it from a file."""
    handle, line_file = tempfile.mkstemp(prefix="zub2wav-line-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(line)
        os.chmod(line_file, 0o644)
        launcher = program.beside("command_line_launcher.exe")
        return _run(program, [launcher, windows_path(line_file), windows_path(program.exe)], cwd, user, locale,
                    timeout)
    finally:
        os.unlink(line_file)


class WineTest(ProgramTest):
    """A test case run once per program (see load_tests): self.program is
    the Program under test, self.dir a fresh directory."""

    program = None

    def setUp(self):
        if self.program is None:
            self.fail("run through winehost.load_tests, which sets the program")
        reason = unavailable(self.program)
        if reason:
            self.skipTest(reason)
        super().setUp()

    def run_program(self, *args, **kwargs):
        return run_exe(self.program, args, self.dir, **kwargs)

    def run_line(self, line, **kwargs):
        return run_command_line(self.program, line, self.dir, **kwargs)

    def run_helper(self, name, args, **kwargs):
        return run_helper(self.program, name, args, self.dir, **kwargs)


_per_program = {}


def _bound(cls, program):
    """`cls` with `program` set: one class per program, named after both."""
    key = (cls, program.name)
    if key not in _per_program:
        name = "%s_%s" % (cls.__name__, program.name)
        _per_program[key] = type(name, (cls,), {"program": program, "__module__": cls.__module__,
                                                "__qualname__": name})
    return _per_program[key]


def _each_test(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from _each_test(test)
        else:
            yield test


def load_tests(loader, tests, pattern):
    """unittest's hook for a test module: every WineTest case in it once for
    each program in PROGRAMS; other cases once, as they are."""
    suite = unittest.TestSuite()
    for test in _each_test(tests):
        if isinstance(test, WineTest) and test.program is None:
            for program in PROGRAMS:
                suite.addTest(_bound(type(test), program)(test._testMethodName))
        else:
            suite.addTest(test)
    return suite
