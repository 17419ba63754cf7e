#!/usr/bin/env python3
"""Writes the documents of the Debian package into its doc directory:

    debian_documents.py SOURCE_DIR DOC_DIR "NAME <ADDRESS>"

- copyright: LICENSE in Debian's machine-readable copyright format;
- changelog.gz: CHANGELOG.md in Debian's changelog format, one entry per
  version, newest first, signed by the maintainer given.

CHANGELOG.md sections look like

    ## 1.0.0 - 2026-12-11
    ### Added
    - an item, its lines
      continued, indented
    A paragraph of plain text.

Anything before the first section is the file's preface and is left out.
Run by CPack (cmake/debian_documents.cmake) on the staged package."""

import datetime
import gzip
import os
import re
import sys
import textwrap

WIDTH = 79  # Debian's tools want changelog lines of at most 80 columns
SECTION = re.compile(r"^## \[?(\d[0-9A-Za-z.+~-]*)\]? - (\d{4}-\d\d-\d\d)\s*$")


def fail(message):
    sys.exit("debian_documents.py: " + message)


def parse_changelog(text):
    """[(version, date, [(group or None, [("item" | "text", words)])])], in file order."""
    entries = []
    block = None  # the item or paragraph being read: [kind, lines]
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("## "):
            match = SECTION.match(line)
            if not match:
                fail("CHANGELOG.md:%d: a section is '## VERSION - YYYY-MM-DD', not %r" % (number, line))
            entries.append((match.group(1), datetime.date.fromisoformat(match.group(2)), []))
            block = None
        elif not entries:
            continue
        elif line.startswith("### "):
            entries[-1][2].append((line[4:].strip(), []))
            block = None
        elif not line.strip():
            block = None
        else:
            groups = entries[-1][2]
            if not groups:
                groups.append((None, []))
            if line.startswith("- "):
                block = ["item", [line[2:].strip()]]
                groups[-1][1].append(block)
            elif block is not None and (block[0] == "text" or line.startswith("  ")):
                block[1].append(line.strip())
            else:
                block = ["text", [line.strip()]]
                groups[-1][1].append(block)
    if not entries:
        fail("CHANGELOG.md holds no '## VERSION - YYYY-MM-DD' section")
    return entries


def debian_changelog(entries, package, maintainer):
    out = []
    for version, date, groups in entries:
        out += ["%s (%s) unstable; urgency=medium" % (package, version), ""]
        for group, blocks in groups:
            indent = "  "
            if group:
                out.append("  * %s:" % group)
                indent = "    "
            for kind, lines in blocks:
                first = indent + ("- " if kind == "item" else "")
                rest = indent + ("  " if kind == "item" else "")
                out += textwrap.wrap(" ".join(lines), WIDTH, initial_indent=first, subsequent_indent=rest,
                                     break_on_hyphens=False)
        stamp = datetime.datetime.combine(date, datetime.time(), datetime.timezone.utc)
        out += ["", " -- %s  %s" % (maintainer, stamp.strftime("%a, %d %b %Y %H:%M:%S +0000")), ""]
    return "\n".join(out)


def debian_copyright(license_text, package):
    lines = license_text.strip("\n").splitlines()
    holders = [re.sub(r"^Copyright (\([cC]\) )?", "", l) for l in lines if l.startswith("Copyright ")]
    if not holders:
        fail("LICENSE has no 'Copyright ...' line")
    last = max(i for i, l in enumerate(lines) if l.startswith("Copyright "))
    body = "\n".join(lines[last + 1:]).strip("\n").splitlines()
    out = ["Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/",
           "Upstream-Name: %s" % package, "",
           "Files: *",
           "Copyright: " + "\n           ".join(holders),
           "License: Expat"]
    out += [" " + l if l.strip() else " ." for l in body]
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) != 4:
        fail("usage: debian_documents.py SOURCE_DIR DOC_DIR 'NAME <ADDRESS>'")
    source_dir, doc_dir, maintainer = argv[1:]
    package = "zub2wav"
    with open(os.path.join(source_dir, "CHANGELOG.md"), encoding="utf-8") as f:
        changelog = debian_changelog(parse_changelog(f.read()), package, maintainer)
    with open(os.path.join(source_dir, "LICENSE"), encoding="utf-8") as f:
        copyright_text = debian_copyright(f.read(), package)

    os.makedirs(doc_dir, exist_ok=True)
    os.chmod(doc_dir, 0o755)
    with open(os.path.join(doc_dir, "copyright"), "w", encoding="utf-8") as f:
        f.write(copyright_text)
    # Level 9 and no name or time stamp in the header: the same text always
    # gives the same bytes, and Debian's tools see maximal compression.
    with open(os.path.join(doc_dir, "changelog.gz"), "wb") as raw, \
            gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as f:
        f.write(changelog.encode("utf-8"))
    for name in ("copyright", "changelog.gz"):
        os.chmod(os.path.join(doc_dir, name), 0o644)


if __name__ == "__main__":
    main(sys.argv)
