"""Checks the built Windows programs without running them (the 32-bit one
cannot run on this machine): the PE kind, the console subsystem, DLL
imports from the system only (nothing of MinGW's to ship beside the exe),
and the Win32 calls the program is built on.

    python3 check_executables.py WIN32_EXE WIN64_EXE

Exits with 77 (skipped) when an exe or MinGW's objdump is missing."""

import shutil
import subprocess
import sys
import unittest

SKIPPED = 77

TARGETS = {
    # which exe: objdump, file format, optional-header magic
    "win32": ("i686-w64-mingw32-objdump", "pei-i386", "010b\t(PE32)"),
    "win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64", "020b\t(PE32+)"),
}

# DLLs that every Windows installation has.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll", "ntdll.dll"}

REQUIRED_IMPORTS = {
    "kernel32.dll": {"GetCommandLineA", "GetModuleFileNameA", "FindFirstFileA", "FindNextFileA", "FindClose",
                     "GetACP", "GetCPInfo", "GetStringTypeA", "LCMapStringA", "CreateFileA", "ReadFile",
                     "WriteFile", "SetFilePointerEx", "GetFileType", "GetFileInformationByHandle", "DeleteFileA"},
    "user32.dll": {"CharNextA"},
}

EXES = {}


def dump(target):
    objdump = TARGETS[target][0]
    return subprocess.run([objdump, "-p", EXES[target]], capture_output=True, text=True, check=True).stdout


def imports(dump_text):
    """{dll name in lower case: set of imported function names}"""
    tables = {}
    current = None
    for line in dump_text.splitlines():
        stripped = line.strip()
        if stripped.startswith("DLL Name:"):
            current = tables.setdefault(stripped.split(":", 1)[1].strip().lower(), set())
        elif current is not None and stripped == "":
            current = None
        elif current is not None:
            fields = stripped.split()
            # "vma  hint  name" rows; the column header row has no number.
            if len(fields) == 3 and fields[1].isdigit():
                current.add(fields[2])
    return tables


class Executables(unittest.TestCase):
    def test_pe_kind_and_console_subsystem(self):
        for target, (_, file_format, magic) in TARGETS.items():
            with self.subTest(target):
                text = dump(target)
                self.assertIn("file format " + file_format, text)
                self.assertIn("Magic\t\t\t" + magic, text)
                self.assertIn("Subsystem\t\t00000003\t(Windows CUI)", text)

    def test_imports_only_system_dlls_and_the_named_win32_calls(self):
        for target in TARGETS:
            with self.subTest(target):
                tables = imports(dump(target))
                self.assertTrue(tables, "no import table found")
                self.assertLessEqual(set(tables), SYSTEM_DLLS, "imports a DLL that Windows does not have")
                for dll, names in REQUIRED_IMPORTS.items():
                    self.assertLessEqual(names, tables.get(dll, set()), dll)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    EXES.update(zip(TARGETS, argv))
    for target, path in EXES.items():
        objdump = TARGETS[target][0]
        if not shutil.which(objdump):
            print("Windows executables not checked: %s is not installed" % objdump, file=sys.stderr)
            return SKIPPED
        try:
            open(path, "rb").close()
        except OSError:
            print("Windows executables not checked: %s is not built" % path, file=sys.stderr)
            return SKIPPED
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
