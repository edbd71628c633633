#!/usr/bin/python3
"""Runs `brenvolutaris --export` as a user would, without a display and with a home folder of its
own, and reads what it wrote with other programs' libraries.

    check_export.py cli  <brenvolutaris> <protocol.xlsx>
        every file type by its extension, the failures' exit codes and German messages, --help,
        and that nothing is written into the home folder (no journal, no copy, no settings)
    check_export.py docx <brenvolutaris> <protocol.xlsx>
        the Word document read with python-docx (Debian's python3-docx): title, caption, an empty
        paragraph and one table of every row and column with the exact cell texts; then the same
        from a template beside the program, whose header and text stay

Exits 77 (skipped) when python-docx or openpyxl is missing."""
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

try:
    import docx
    import openpyxl
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)

TITLE = "Pokal & Preis <2026> Łódź"
VORRUNDE_CAPTIONS = ["Nr.", "Mannschaft", "Klasse"] + ["Zeit", "Fehler", "Gesamt"] * 3 + ["Summe", "Pl."]
# team names the loader, the document and the page must carry as they are
ODD_NAMES = {3: "  Müller & Söhne <Jugend>", 4: 'FF "Łódź" 😀 Ost'}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


class Home:
    """A home folder with the settings file the export reads (title, class column shown)."""

    def __init__(self, root):
        self.root = os.path.join(root, "home")
        config = os.path.join(self.root, ".config", "Tempvalorhub")
        os.makedirs(config)
        self.settings = os.path.join(config, "brenvolutaris.json")
        with open(self.settings, "w", encoding="utf-8") as f:
            json.dump({"Title": TITLE, "Klasse": 1}, f, ensure_ascii=False)
        self.before = self.files()

    def files(self):
        found = {}
        for folder, _, names in os.walk(self.root):
            for name in names:
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    found[path] = f.read()
        return found

    def run(self, program, *args):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM") and not k.startswith("XDG_")}
        env["HOME"] = self.root
        return subprocess.run([program, *args], env=env, capture_output=True, timeout=60)


def cli(program, protocol, work):
    home = Home(work)
    out = lambda name: os.path.join(work, name)

    for ext in ("html", "docx", "txt", "xlsx", "pdf"):
        result = home.run(program, "--export", out("gesamt." + ext), protocol)
        check(result.returncode == 0, f".{ext}: exit {result.returncode}, {result.stderr!r}")
    with open(out("gesamt.html"), "rb") as f:
        page = f.read()
    check(page.startswith(b"<!DOCTYPE html>\r\n") and b'<meta charset="iso-8859-1">' in page and
          b'<meta name="viewport" content="width=device-width, initial-scale=1">' in page, "the page's head")
    check(well_nested(page), "every element of the page closed in its parent")
    check(b"<h2>Gesamt-Ergebnis</h2>\r\n" in page, "the overall table is the page by default")
    check(b"Pokal &amp; Preis &lt;2026&gt; &#321;\xf3d&#378;" in page, "the title from the settings, escaped")
    with zipfile.ZipFile(out("gesamt.docx")) as z:
        check(z.testzip() is None and "word/document.xml" in z.namelist(), "the document is a Word package")
    with open(out("gesamt.txt"), "rb") as f:
        check(f.read().startswith(b"Platz\tMannschaft\tKlasse\tErgebnis\t"), "the text protocol of the overall table")
    check(openpyxl.load_workbook(out("gesamt.xlsx")).sheetnames[:6] ==
          ["Vorrunde", "Achtelfinale", "Viertelfinale", "Halbfinale", "Finale", "Gesamt-Ergebnis"],
          "the workbook's sheets")
    with open(out("gesamt.pdf"), "rb") as f:
        pdf = f.read()
    check(pdf.startswith(b"%PDF") and b"/MediaBox [0 0 595" in pdf and b" 842" in pdf, "the printout on A4 portrait")

    # the page by its caption, in any case
    result = home.run(program, "--export", out("vorrunde.html"), "--page", "vorrunde", protocol)
    check(result.returncode == 0, "--page vorrunde")
    with open(out("vorrunde.html"), "rb") as f:
        vorrunde = f.read()
    check(b"<h2>Vorrunde</h2>" in vorrunde, "the page asked for")
    check(b'<th colspan="3"></th><th colspan="3">Bahn 1</th>' in vorrunde and b"<th>Klasse</th>" in vorrunde,
          "the class column shown as the settings say")

    missing_folder = os.path.join(work, "fehlt", "x.html")
    for args, message in [
        (["--export", out("x.odt"), protocol], "Die Dateiendung von „" + out("x.odt") + "“ ist unbekannt"),
        (["--export", out("x.html"), "--page", "Nix", protocol], "Die Seite „Nix“ gibt es im Protokoll nicht"),
        (["--export", out("x.html"), out("fehlt.xlsx")], "Das Protokoll „" + out("fehlt.xlsx") + "“ lässt sich nicht laden"),
        (["--export", missing_folder, protocol], "Der Schreibfehler der Datei: " + missing_folder),
        (["--export", out("x.html")], "Zum Export gehört genau eine Protokolldatei"),
    ]:
        result = home.run(program, *args)
        stderr = result.stderr.decode("utf-8", "replace")
        check(result.returncode != 0 and message in stderr, f"{args}: exit {result.returncode}, {stderr!r}")
    check(not os.path.exists(out("x.html")) and not os.path.exists(out("x.odt")), "a failed export writes nothing")

    result = home.run(program, "--help")
    check(result.returncode == 0 and b"--export <datei>" in result.stdout and b"--page <seite>" in result.stdout,
          "--help names the export")
    check(home.files() == home.before, "the export leaves the home folder as it was")


class Nesting(html.parser.HTMLParser):
    """Follows the open elements; an end tag that does not close the innermost one is a fault."""
    VOID = {"meta", "col", "br", "img", "link", "input", "hr"}

    def __init__(self):
        super().__init__()
        self.open, self.faults = [], []

    def handle_starttag(self, tag, attrs):
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.faults.append(tag)


def well_nested(page):
    parser = Nesting()
    parser.feed(page.decode("latin-1"))
    parser.close()
    return not parser.faults and not parser.open


def read_table(table):
    return [[cell.text for cell in row.cells] for row in table.rows]


def docx_checks(program, protocol, work):
    # the example with team names the document must not change
    book = openpyxl.load_workbook(protocol)
    sheet = book["Vorrunde"]
    for row, name in ODD_NAMES.items():
        sheet.cell(row=row, column=2, value=name)
    odd = os.path.join(work, "Odd.xlsx")
    book.save(odd)
    teams = [[str(sheet.cell(row=r, column=c).value or "") for c in (1, 2, 3)]
             for r in range(3, sheet.max_row + 1) if sheet.cell(row=r, column=2).value]
    expected = [VORRUNDE_CAPTIONS] + [t + [""] * 11 for t in teams]

    home = Home(work)
    plain = os.path.join(work, "plain.docx")
    result = home.run(program, "--export", plain, "--page", "Vorrunde", odd)
    check(result.returncode == 0, f"new document: {result.stderr!r}")
    document = docx.Document(plain)
    check([p.text for p in document.paragraphs] == [TITLE, "Vorrunde", ""], "title, caption and an empty paragraph")
    check(len(document.tables) == 1, "one table")
    check(read_table(document.tables[0]) == expected, "every row and column with its exact text")

    # a template beside the program: its header, its text and its styles are kept
    folder = os.path.join(work, "programm")
    os.makedirs(folder)
    copy = os.path.join(folder, "brenvolutaris")
    shutil.copy2(program, copy)
    template = docx.Document()
    template.sections[0].header.paragraphs[0].text = "Kopfzeile der Feuerwehr"
    template.add_paragraph("Text der Vorlage", style="Title")
    template.save(os.path.join(folder, "Protokollvorlage.docx"))
    made = os.path.join(work, "vorlage.docx")
    result = home.run(copy, "--export", made, "--page", "Vorrunde", odd)
    check(result.returncode == 0, f"from the template: {result.stderr!r}")
    document = docx.Document(made)
    check(document.sections[0].header.paragraphs[0].text == "Kopfzeile der Feuerwehr", "the template's header")
    check([p.text for p in document.paragraphs] == ["Text der Vorlage", TITLE, "Vorrunde", ""],
          "the template's text, then title, caption and an empty paragraph")
    check(document.paragraphs[0].style.name == "Title", "the template's styles")
    check(len(document.tables) == 1 and read_table(document.tables[0]) == expected, "the table after the template's text")
    check(document.element.body[-1].tag.endswith("}sectPr"), "the section properties stay last")


def main():
    mode, program, protocol = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        {"cli": cli, "docx": docx_checks}[mode](os.path.abspath(program), os.path.abspath(protocol), work)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
