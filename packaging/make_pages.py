#!/usr/bin/env python3
"""Makes the release package's HTML pages from the Markdown documents, which stay their source.

usage: make_pages.py OUTDIR DOCUMENT.md...

cmark-gfm (GitHub's own Markdown, with its tables) turns each document into HTML; this script only
wraps that in a page and makes the page work offline from the folder the package is unpacked to:
- each page is OUTDIR/NAME.html, and a link to another of the documents goes to its page;
- each picture a page shows is copied into OUTDIR/pictures/, and the page points there;
- each heading gets the id GitHub gives it, so the documents' #links land where they do on GitHub;
- a link to a file of the source tree that is not in the package (a script, the examples) keeps its
  text and loses its link: the package holds no source tree for it to open.
Web addresses stay as they are. OUTDIR is emptied first, so no picture of an earlier run is left over.
"""
import html
import pathlib
import re
import shutil
import subprocess
import sys

CONVERTER = ["cmark-gfm", "--extension", "table", "--extension", "autolink", "--extension", "strikethrough"]
PICTURES = "pictures"

PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>
body {{ max-width: 52em; margin: 2em auto; padding: 0 1em; font: 15px/1.5 "Segoe UI", Tahoma, sans-serif;
       color: #222; }}
img {{ max-width: 100%; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #ccc; padding: 0.2em 0.5em; }}
code, pre {{ font-family: Consolas, monospace; background: #f3f3f3; }}
pre {{ padding: 0.5em; overflow-x: auto; }}
</style>
</head>
<body>
{body}</body>
</html>
"""

HEADING = re.compile(r"<h([1-6])>(.*?)</h\1>", re.S)
LINK = re.compile(r'<a href="([^"]*)"([^>]*)>(.*?)</a>', re.S)
PICTURE = re.compile(r'<img src="([^"]*)"')
TAG = re.compile(r"<[^>]+>")


def slug(text, taken):
    """GitHub's anchor for a heading: lower case, punctuation dropped, spaces as hyphens, numbered
    when an earlier heading has the same one."""
    base = re.sub(r"[^\w\- ]", "", html.unescape(TAG.sub("", text)).strip().lower()).replace(" ", "-")
    anchor, n = base, 0
    while anchor in taken:
        n += 1
        anchor = "%s-%d" % (base, n)
    taken.add(anchor)
    return anchor


def is_web(target):
    return re.match(r"^[a-z][a-z0-9+.-]*:", target) is not None


def convert(source, pages, out):
    """The page of one document; copies its pictures into out/pictures."""
    result = subprocess.run(CONVERTER + [str(source)], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("make_pages.py: cmark-gfm failed on %s: %s" % (source, result.stderr.strip()))
    body = result.stdout
    heading = HEADING.search(body)
    title = html.unescape(TAG.sub("", heading.group(2))) if heading else source.stem
    taken = set()
    body = HEADING.sub(lambda m: '<h%s id="%s">%s</h%s>' % (m.group(1), slug(m.group(2), taken), m.group(2),
                                                           m.group(1)), body)

    def picture(match):
        target = html.unescape(match.group(1))
        if is_web(target):
            return match.group(0)
        file = (source.parent / target).resolve()
        if not file.is_file():
            sys.exit("make_pages.py: %s shows %s, which does not exist" % (source, target))
        (out / PICTURES).mkdir(exist_ok=True)
        shutil.copyfile(file, out / PICTURES / file.name)
        return '<img src="%s/%s"' % (PICTURES, html.escape(file.name))

    def link(match):
        target, rest, text = html.unescape(match.group(1)), match.group(2), match.group(3)
        if is_web(target) or target.startswith("#"):
            return match.group(0)
        path, _, anchor = target.partition("#")
        file = (source.parent / path).resolve()
        if file in pages:
            page = pages[file] + ("#" + anchor if anchor else "")
            return '<a href="%s"%s>%s</a>' % (html.escape(page), rest, text)
        return text

    body = PICTURE.sub(picture, body)
    body = LINK.sub(link, body)
    return PAGE.format(title=html.escape(title), body=body)


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    if shutil.which(CONVERTER[0]) is None:
        sys.exit("make_pages.py: %s is not installed (scripts/setup installs it)" % CONVERTER[0])
    out = pathlib.Path(argv[1])
    sources = [pathlib.Path(name).resolve() for name in argv[2:]]
    pages = {source: source.stem + ".html" for source in sources}
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    for source in sources:
        (out / pages[source]).write_text(convert(source, pages, out), encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main(sys.argv)
