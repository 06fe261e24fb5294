#!/usr/bin/env python3
"""Docs that cannot go stale: every repository path, `quillane` command and
option that README.md, docs/*.md, BENCHMARKS.md and the CMakeLists.txt
header comments name must exist.

    scripts/check-docs.py [--quillane build/default/quillane]

Paths are the link targets (from the naming file's folder) and the spans
in backticks that start with a top-level file or folder of the repository
(from the top or the naming file's folder); spans with placeholders (<x>,
PREFIX, NAME, FILE, *, ...) are passed over, and so are names inside a
package or a build folder, which start elsewhere. Commands are `quillane WORD` and
`build/<preset>/quillane WORD` on one line: WORD must be a subcommand, and
every --option after it on that line (and in an option table under a
heading that names the command) one the subcommand or the program takes,
as `quillane [WORD] --help` lists them. Exits 1 naming each stale mention
with its file and line.
"""
import argparse
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PLACEHOLDER = re.compile(r"[<>*{}$]|\.\.\.|PREFIX|NAME|FILE|SCENE|DIR\b|OUT\b|\bN\b|X\.")
CODE_SPAN = re.compile(r"`([^`\n]+)`")
LINK = re.compile(r"\]\(([^)\s#]+)")
COMMAND = re.compile(r"(?:^|[\s`(])(?:build/[\w-]+/)?quillane(?:\.exe)? +([a-z][a-z-]*)([^`]*)")
OPTION = re.compile(r"(?<![\w-])(--[a-z][a-z0-9-]*)")


def documents():
    """The files whose every line is read, and the CMake headers."""
    files = [ROOT / "README.md", ROOT / "BENCHMARKS.md", *sorted((ROOT / "docs").glob("*.md"))]
    for path in files:
        yield path, path.read_text(encoding="utf-8").splitlines()
    for path in sorted(ROOT.rglob("CMakeLists.txt")):
        if "build" in path.relative_to(ROOT).parts or "node_modules" in path.parts:
            continue
        header = []
        for line in path.read_text(encoding="utf-8").splitlines():
            if not line.startswith("#"):
                break
            header.append(line)
        yield path, header


def top_level():
    """The repository's top-level files and folders, as git tracks them."""
    listing = subprocess.run(["git", "-C", str(ROOT), "ls-files"], capture_output=True,
                             text=True, check=True).stdout.split()
    return {name.split("/")[0] for name in listing}


def looks_like_path(text, tops):
    """A span naming something in the repository: its first part is a
    top-level file or folder, and it holds no placeholder."""
    if " " in text or PLACEHOLDER.search(text) or not re.fullmatch(r"[\w.\-/]+", text):
        return False
    return text.split("/")[0] in tops and (text in tops or "/" in text)


def path_exists(text, folder):
    return any((base / text).exists() for base in (ROOT, folder))


def help_options(quillane, words):
    out = subprocess.run([quillane, *words, "--help"], capture_output=True, text=True).stdout
    return set(OPTION.findall(out)) | {"--help"}


class Commands:
    """What the built program says it takes, asked once per subcommand."""

    def __init__(self, quillane):
        self.quillane = quillane
        listing = subprocess.run([quillane, "--help"], capture_output=True, text=True).stdout
        tail = listing.split("Subcommands:", 1)[-1]
        self.names = set(re.findall(r"^  ([a-z][a-z-]*) ", tail, re.M))
        self.general = help_options(quillane, [])
        self.options = {}

    def of(self, name):
        if name not in self.options:
            self.options[name] = help_options(self.quillane, [name]) | self.general
        return self.options[name]


def check_command(commands, word, rest, where, errors):
    if word not in commands.names:
        # A word that only reads like a command ("quillane loads", "quillane command").
        if re.fullmatch(r"[a-z]+(-[a-z]+)+", word) or rest.strip().startswith(("-", "[", "SCENE", "FILE")):
            errors.append(f"{where}: `quillane {word}`: no such command")
        return
    for option in OPTION.findall(rest):
        if option not in commands.of(word):
            errors.append(f"{where}: `quillane {word}` has no option {option}")


def check(commands):
    errors = []
    tops = top_level()
    for path, lines in documents():
        rel = path.relative_to(ROOT)
        heading_command = None
        for number, line in enumerate(lines, 1):
            where = f"{rel}:{number}"
            if line.startswith("#"):
                found = COMMAND.search(line)
                heading_command = found.group(1) if found else heading_command
                if line.startswith("## ") and not found:
                    heading_command = None
            for span in CODE_SPAN.findall(line):
                span = span.strip().rstrip(":,;")
                if looks_like_path(span, tops) and not path_exists(span, path.parent):
                    errors.append(f"{where}: {span}: no such file or folder")
            for link in LINK.findall(line):
                if not link.startswith(("http:", "https:", "mailto:")) and not (path.parent / link).exists():
                    errors.append(f"{where}: {link}: the link leads nowhere")
            if commands is None:
                continue
            for found in COMMAND.finditer(line):
                check_command(commands, found.group(1), found.group(2), where, errors)
            table = re.match(r"\|\s*`(--[a-z][a-z0-9-]*)", line)
            if table and heading_command in commands.names:
                for option in OPTION.findall(line.split("|")[1]):
                    if option not in commands.of(heading_command):
                        errors.append(f"{where}: `quillane {heading_command}` has no option {option}")
    return errors


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quillane", default=str(ROOT / "build/default/quillane"),
                        help="the built program whose commands are checked")
    args = parser.parse_args()
    commands = Commands(args.quillane) if Path(args.quillane).exists() else None
    if commands is None:
        print(f"check-docs: {args.quillane} is not built: commands and options not checked",
              file=sys.stderr)
        return 1
    errors = check(commands)
    for error in errors:
        print(f"check-docs: {error}", file=sys.stderr)
    print(f"check-docs: {len(errors)} stale mentions")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
