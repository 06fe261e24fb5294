#!/usr/bin/env python3
"""Prints the Debian mirror apt is configured to use for a release.

    scripts/apt-mirror.py CODENAME

Reads /etc/apt/sources.list and /etc/apt/sources.list.d/ (one-line and
deb822 formats) and prints the first binary ("deb") source's URI that
serves the suite CODENAME itself, so that debootstrap uses the same mirror
as apt. Exit 1 when there is none.
"""
import glob
import sys


def one_line_sources(text):
    for line in text.splitlines():
        words = line.split("#", 1)[0].split()
        if not words or words[0] != "deb":
            continue
        words = words[1:]
        if words and words[0].startswith("["):  # [option=value ...]
            while words and not words[0].endswith("]"):
                words = words[1:]
            words = words[1:]
        if len(words) >= 2:
            yield words[0], [words[1]]


def deb822_sources(text):
    for stanza in text.split("\n\n"):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#") or not line.strip():
                continue
            if line[0] in " \t" and key:
                fields[key] += " " + line.strip()
            elif ":" in line:
                key, value = line.split(":", 1)
                key = key.strip().lower()
                fields[key] = value.strip()
        if fields.get("enabled", "yes").lower() == "no":
            continue
        if "deb" in fields.get("types", "").split():
            for uri in fields.get("uris", "").split():
                yield uri, fields.get("suites", "").split()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: apt-mirror.py CODENAME")
    codename = sys.argv[1]
    # apt reads only these names in sources.list.d.
    files = ["/etc/apt/sources.list"] + sorted(
        glob.glob("/etc/apt/sources.list.d/*.list") + glob.glob("/etc/apt/sources.list.d/*.sources"))
    for name in files:
        try:
            with open(name, encoding="utf-8") as f:
                text = f.read()
        except OSError:
            continue
        sources = deb822_sources(text) if name.endswith(".sources") else one_line_sources(text)
        for uri, suites in sources:
            if codename in suites:
                print(uri.rstrip("/"))
                return
    sys.exit(f"apt-mirror.py: no deb source for {codename} in {', '.join(files)}")


if __name__ == "__main__":
    main()
