#!/usr/bin/python3
"""Reads the version resource of Windows files and checks it.

    version-resource.py --version TEXT FILE...

For each FILE prints the fixed file and product version numbers and the
strings of its version resource, and checks that FileVersion and
ProductVersion are TEXT, that the numbers are TEXT's leading
MAJOR.MINOR.PATCH, that OriginalFilename is the file's own name and that
ProductName, FileDescription and CompanyName are filled in. Exits 1 on the
first file that fails.
"""
import argparse
import os
import re
import sys

import pefile


def read(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        return None, {}
    fixed = pe.VS_FIXEDFILEINFO[0]
    numbers = {
        "file": (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                 fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF),
        "product": (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
                    fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF),
    }
    strings = {}
    for info in pe.FileInfo:
        for entry in info if isinstance(info, list) else [info]:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    strings[key.decode()] = value.decode()
    return numbers, strings


def check(path, version):
    numbers, strings = read(path)
    if numbers is None:
        return [f"{path}: no version resource"]
    print(f"{path}: file version {'.'.join(map(str, numbers['file']))}, "
          f"product version {'.'.join(map(str, numbers['product']))}")
    for key in sorted(strings):
        print(f"  {key}: {strings[key]}")
    release = tuple(int(n) for n in re.match(r"(\d+)\.(\d+)\.(\d+)", version).groups())
    problems = []
    for kind in ("file", "product"):
        if numbers[kind] != release + (0,):
            problems.append(f"{kind} version {numbers[kind]} is not {release}")
    for key in ("FileVersion", "ProductVersion"):
        if strings.get(key) != version:
            problems.append(f"{key} is {strings.get(key)!r}, expected {version!r}")
    if strings.get("OriginalFilename") != os.path.basename(path):
        problems.append(f"OriginalFilename is {strings.get('OriginalFilename')!r}")
    for key in ("ProductName", "FileDescription", "CompanyName"):
        if not strings.get(key):
            problems.append(f"{key} is missing")
    return [f"{path}: {p}" for p in problems]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    for path in args.files:
        problems = check(path, args.version)
        if problems:
            print("\n".join(problems), file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
