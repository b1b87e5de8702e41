#!/usr/bin/python3
"""Renders the user guide (Markdown) into a page of its own with the pictures it
shows beside it, as the program opens it from Help.

    scripts/render-guide.py GUIDE.md OUT_DIR

writes OUT_DIR/index.html and copies every picture the guide names (paths
relative to the guide) to the same relative place under OUT_DIR.
"""
import html
import pathlib
import re
import shutil
import sys

import markdown

STYLE = """
body { font-family: "DejaVu Sans", Verdana, Arial, sans-serif; font-size: 15px; line-height: 1.5;
       color: #222; max-width: 52em; margin: 2em auto; padding: 0 1em; }
h1, h2, h3 { color: #1d3f73; }
code { background: #f0f1f2; padding: 0 0.2em; }
table { border-collapse: collapse; }
td, th { border: 1px solid #d2d2d3; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }
th { background: #f0f1f2; }
img { max-width: 100%; border: 1px solid #d2d2d3; }
"""


def main(guide_path, out_dir):
    guide = pathlib.Path(guide_path)
    out = pathlib.Path(out_dir)
    text = guide.read_text(encoding="utf-8")
    body = markdown.markdown(text, extensions=["tables"], output_format="html")
    title = re.search(r"^# (.+)$", text, re.MULTILINE)
    page = (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        f"<title>{html.escape(title.group(1) if title else 'Ferrywell')}</title>\n"
        f"<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n"
    )
    out.mkdir(parents=True, exist_ok=True)
    (out / "index.html").write_text(page, encoding="utf-8")
    for picture in sorted(set(re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", text))):
        source = (guide.parent / picture).resolve()
        target = out / picture
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
