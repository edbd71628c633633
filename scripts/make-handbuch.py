#!/usr/bin/python3
"""Builds the German manual: docs/handbuch/*.md into HTML pages with a common frame, and the
pictures beside them.

    /usr/bin/python3 scripts/make-handbuch.py <source folder> <output folder>

The pages come in the order of PAGES; every "## " heading needs its own id ("## Titel {#id}"),
so that links into the manual stay valid when a heading's wording changes. The placeholder
[[INHALT]] on the start page becomes the table of contents. Keys written as the program writes
them in its hints ("[F5]", "[Ctrl+S]") are set in bold.

The HTML is kept to what Qt's rich text (the program's help window) shows: plain tables with
borders, pictures with a width, anchors as <a name>. Needs python3-markdown (Debian)."""
import html
import os
import re
import shutil
import sys

import markdown

PAGES = [
    "index",
    "installieren",
    "verkabelung",
    "vorbereiten",
    "wettkampf",
    "korrekturen",
    "tv",
    "speichern",
    "drucken",
    "tasten",
    "probleme",
]
PICTURE_FOLDER = "bilder"
PICTURE_SUFFIXES = (".png", ".svg", ".jpg")

STYLE = """
body { font-family: sans-serif; font-size: 11pt; color: #202020; background: #ffffff; }
h1 { color: #800000; font-size: 20pt; }
h2 { color: #800000; font-size: 15pt; margin-top: 18px; }
h3 { font-size: 12pt; margin-top: 12px; }
table { border-collapse: collapse; margin-top: 4px; margin-bottom: 8px; }
th { background: #eeeeee; text-align: left; }
td, th { padding: 3px; }
pre { background: #f2f2f2; padding: 4px; }
code { font-family: monospace; }
.navigation { font-size: 10pt; color: #606060; }
"""

HEADING = re.compile(r"^(#{1,3}) (.+?)(?: \{#([a-z0-9-]+)\})?\s*$")
KEY = re.compile(r"\[((?:Ctrl|Alt|Shift)\+[^\]\s]+|F\d{1,2}|Enter|Entf|Esc)\]")


def read_page(folder, name):
    with open(os.path.join(folder, name + ".md"), encoding="utf-8") as f:
        text = f.read()
    title = None
    sections = []
    in_code = False
    for number, line in enumerate(text.splitlines(), start=1):
        if line.startswith("```"):
            in_code = not in_code
            continue
        match = HEADING.match(line)
        if not match or in_code:
            continue
        level, heading, anchor = len(match.group(1)), match.group(2), match.group(3)
        if level == 1:
            if title is not None:
                sys.exit(f"{name}.md:{number}: a second page title")
            title = heading
        elif level == 2:
            if not anchor:
                sys.exit(f"{name}.md:{number}: the heading needs an id: ## {heading} {{#…}}")
            sections.append((heading, anchor))
    if title is None:
        sys.exit(f"{name}.md: no page title (# …)")
    return text, title, sections


def contents(pages):
    lines = []
    for number, (name, _, title, sections) in enumerate(pages[1:], start=1):
        lines.append(f"{number}. [{title}]({name}.html)")
        for heading, anchor in sections:
            lines.append(f"    - [{heading}]({name}.html#{anchor})")
    return "\n".join(lines)


def navigation(pages, index):
    parts = []
    if index > 0:
        name, _, title, _ = pages[index - 1]
        parts.append(f'« <a href="{name}.html">{html.escape(title)}</a>')
    if index != 0:
        parts.append('<a href="index.html">Inhalt</a>')
    if index + 1 < len(pages):
        name, _, title, _ = pages[index + 1]
        parts.append(f'<a href="{name}.html">{html.escape(title)}</a> »')
    return '<p class="navigation">' + " &nbsp;|&nbsp; ".join(parts) + "</p>"


def to_html(text):
    body = markdown.markdown(text, extensions=["tables", "attr_list", "sane_lists"], output_format="html")
    # Qt's rich text finds an anchor by <a name>; browsers by the id
    body = re.sub(r'<h([1-6]) id="([^"]+)">', r'<h\1 id="\2"><a name="\2"></a>', body)
    body = body.replace("<table>", '<table border="1" cellspacing="0" cellpadding="3">')
    # keys in bold, outside code
    pieces = re.split(r"(<pre>.*?</pre>|<code>.*?</code>)", body, flags=re.S)
    for i in range(0, len(pieces), 2):
        pieces[i] = KEY.sub(r"<b>[\1]</b>", pieces[i])
    return "".join(pieces)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-handbuch.py <source folder> <output folder>")
    source, output = sys.argv[1], sys.argv[2]
    pages = [(name, *read_page(source, name)) for name in PAGES]
    os.makedirs(output, exist_ok=True)
    for index, (name, text, title, _) in enumerate(pages):
        if name == "index":
            text = text.replace("[[INHALT]]", contents(pages))
        nav = navigation(pages, index)
        page = (
            "<!DOCTYPE html>\n"
            '<html lang="de">\n<head>\n<meta charset="utf-8">\n'
            f"<title>{html.escape(title if name == 'index' else title + ' – Brenvolutaris-Handbuch')}</title>\n"
            f"<style>{STYLE}</style>\n</head>\n<body>\n"
            f"{nav}\n<hr>\n{to_html(text)}\n<hr>\n{nav}\n</body>\n</html>\n"
        )
        with open(os.path.join(output, name + ".html"), "w", encoding="utf-8") as f:
            f.write(page)
    pictures_in = os.path.join(source, PICTURE_FOLDER)
    pictures_out = os.path.join(output, PICTURE_FOLDER)
    os.makedirs(pictures_out, exist_ok=True)
    for picture in sorted(os.listdir(pictures_in)):
        if picture.endswith(PICTURE_SUFFIXES):
            shutil.copyfile(os.path.join(pictures_in, picture), os.path.join(pictures_out, picture))


if __name__ == "__main__":
    main()
