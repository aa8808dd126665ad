#!/usr/bin/env python3
"""The user's documents hold together: every picture and file a document links exists, docs/ stays
under 1 MiB, and every `tessera` command a document shows is one the program takes. Each command is
run for real in a scratch folder beside the examples, so it must not be refused as a wrong command
line (exit 2), and every option it uses must be named by the help of its command.

usage: docs.py NATIVE_BUILD_DIR
"""
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile

from checks import expect, report

ROOT = pathlib.Path(__file__).resolve().parents[2]
DOCUMENTS = ["README.md", "bench/README.md", "examples/README.md"] + sorted(
    str(p.relative_to(ROOT)) for p in (ROOT / "docs").glob("*.md"))
DOCS_LIMIT = 1 << 20

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
FENCE = re.compile(r"^```(\w*)\s*$")


def links(text):
    """The local targets of a document's links and pictures, without their #anchors."""
    for target in LINK.findall(text):
        if re.match(r"^[a-z]+:", target) or target.startswith("#"):
            continue
        yield target.split("#", 1)[0]


def shown_commands(text):
    """The `tessera` commands of a document's shell blocks, continuation lines joined, comments off."""
    in_block = False
    pending = ""
    for line in text.splitlines():
        fence = FENCE.match(line)
        if fence:
            in_block = not in_block and fence.group(1) in ("sh", "bat", "")
            pending = ""
            continue
        if not in_block:
            continue
        line = pending + line.split(" #", 1)[0].strip()
        if line.endswith("\\"):
            pending = line[:-1] + " "
            continue
        pending = ""
        if line.startswith("tessera "):
            yield line


def help_text(tessera, command):
    result = subprocess.run([tessera] + command + ["--help"], capture_output=True, text=True)
    return result.stdout + result.stderr


def check_command(checks, tessera, where, line, scratch):
    words = shlex.split(line)[1:]
    command = words[:1]
    usage = help_text(tessera, command)
    if command == ["ico"]:
        expect(checks, "ico %s " % words[1] in usage, "%s: `%s`: `tessera ico --help` names no ico %s" % (
            where, line, words[1]))
    for word in words:
        option = word.split("=", 1)[0]
        if re.match(r"^--?[a-z]", option) and option != "--help":
            expect(checks, re.search(r"(^|[\s\[,])%s\b" % re.escape(option), usage) is not None,
                    "%s: `%s`: %s is not in `tessera %s --help`" % (where, line, option, " ".join(command)))
    result = subprocess.run([tessera] + words, cwd=scratch, capture_output=True, text=True)
    expect(checks, result.returncode != 2, "%s: `%s` is refused as a wrong command line: %s" % (
        where, line, (result.stderr.strip().splitlines() or [""])[0]))


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    tessera = str(pathlib.Path(argv[1]).resolve() / "apps" / "tessera")
    checks = []  # (passed, what it checks)
    docs_size = sum(p.stat().st_size for p in (ROOT / "docs").rglob("*") if p.is_file())
    expect(checks, docs_size < DOCS_LIMIT, "docs/ holds %d bytes, over %d" % (docs_size, DOCS_LIMIT))
    with tempfile.TemporaryDirectory() as scratch:
        (pathlib.Path(scratch) / "examples").symlink_to(ROOT / "examples")
        for name in DOCUMENTS:
            path = ROOT / name
            text = path.read_text(encoding="utf-8")
            for target in links(text):
                expect(checks, (path.parent / target).exists(), "%s links %s, which does not exist" % (name, target))
            for line in shown_commands(text):
                check_command(checks, tessera, name, line, scratch)
    for shown in ["tutorial", "readme"]:
        expect(checks, "docs/%s.md" % shown in (ROOT / "README.md").read_text(encoding="utf-8"),
                   "README.md links docs/%s.md" % shown)
    return report(checks)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
