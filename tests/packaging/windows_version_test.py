"""The version resource of the Windows programs, read back from each built
zub2wav.exe by parsing its PE resource section: the fixed file and product
versions are those of project(VERSION), and the strings Explorer shows
(versions, product name, description, copyright, original file name) are
there and right. Where icoutils' wrestool is installed, it must find the
resource too.

    python3 windows_version_test.py BUILD_DIR...   (build/win32, build/win64)

Exits with 77 (skipped) when no build tree given holds a zub2wav.exe."""

import os
import re
import shutil
import struct
import subprocess
import sys
import unittest

import package_checks

BUILD_DIRS = []
RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD


def resource_section(image):
    """(bytes of the image, file offset of the resource data, RVA of it, rva_to_offset)."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        raise AssertionError("not a PE executable")
    sections, optional_size = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    resource_rva, resource_size = struct.unpack_from("<II", image, directories + 2 * 8)
    if resource_size == 0:
        raise AssertionError("no resource section")
    table = optional + optional_size

    def rva_to_offset(rva):
        for index in range(sections):
            _, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", image, table + index * 40 + 8)
            if virtual_address <= rva < virtual_address + raw_size:
                return rva - virtual_address + raw_pointer
        raise AssertionError("RVA 0x%x in no section" % rva)

    return rva_to_offset(resource_rva), rva_to_offset


def version_resource(image):
    """The bytes of the first RT_VERSION resource."""
    base, rva_to_offset = resource_section(image)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, base + directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + directory + 16 + index * 8)
            yield name, target

    types = dict(entries(0))
    if RT_VERSION not in types:
        raise AssertionError("no version resource")
    level = types[RT_VERSION]
    while level & 0x80000000:  # a subdirectory: name, then language; take the first
        level = next(entries(level & 0x7FFFFFFF))[1]
    data_rva, size = struct.unpack_from("<II", image, base + level)
    start = rva_to_offset(data_rva)
    return image[start:start + size]


def parse_node(data, offset=0):
    """One VS_VERSIONINFO-style node: (key, value bytes, is_text, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[position:position + value_size]
    position = (position + value_size + 3) & ~3
    children = []
    while position < end:
        child_length = struct.unpack_from("<H", data, position)[0]
        if child_length == 0:
            break
        children.append(parse_node(data, position))
        position = (position + child_length + 3) & ~3
    return key, value, kind == 1, children


def read_version(image):
    """(file version, product version, {string name: value}) of the program's version resource."""
    key, fixed, _, children = parse_node(version_resource(image))
    if key != "VS_VERSION_INFO":
        raise AssertionError("version resource named %r" % key)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_SIGNATURE:
        raise AssertionError("no VS_FIXEDFILEINFO")

    def numbers(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    strings = {}
    for child_key, _, _, tables in children:
        if child_key == "StringFileInfo":
            for _, _, _, entries in tables:
                for name, value, _, _ in entries:
                    strings[name] = value.decode("utf-16-le").rstrip("\0")
    return numbers(file_ms, file_ls), numbers(product_ms, product_ls), strings


class VersionResource(unittest.TestCase):
    def test_each_program(self):
        version = package_checks.project_version()
        numbers = tuple(int(part) for part in version.split(".")) + (0,) * (4 - len(version.split(".")))
        with open(os.path.join(package_checks.SOURCE_DIR, "LICENSE"), encoding="utf-8") as f:
            copyright_line = re.search(r"^Copyright .*$", f.read(), re.M).group(0)
        for build_dir in BUILD_DIRS:
            exe = os.path.join(build_dir, "zub2wav.exe")
            with self.subTest(build=os.path.basename(build_dir)):
                with open(exe, "rb") as f:
                    file_version, product_version, strings = read_version(f.read())
                self.assertEqual(file_version, numbers)
                self.assertEqual(product_version, numbers)
                self.assertEqual(strings.get("FileVersion"), version)
                self.assertEqual(strings.get("ProductVersion"), version)
                self.assertEqual(strings.get("ProductName"), "zub2wav")
                self.assertEqual(strings.get("OriginalFilename"), "zub2wav.exe")
                self.assertIn("WAV", strings.get("FileDescription", ""))
                self.assertTrue(strings.get("LegalCopyright", "").startswith(copyright_line), strings)
                if shutil.which("wrestool"):
                    listed = subprocess.run(["wrestool", "-l", "--type=16", exe], stdout=subprocess.PIPE,
                                            stderr=subprocess.STDOUT, text=True, timeout=60)
                    self.assertIn("type=version", listed.stdout)


def main(argv):
    return package_checks.run_over_build_dirs(argv, BUILD_DIRS, "zub2wav.exe", "version resource")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
