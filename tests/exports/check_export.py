#!/usr/bin/python3
"""Runs `brenvolutaris --export` as a user would, without a display and with a home folder of its
own, and reads what it wrote with other programs' libraries.

    check_export.py cli  <brenvolutaris> <protocol.xlsx>
        every file type by its extension, the failures' exit codes and German messages, --help,
        and that nothing is written into the home folder (no journal, no copy, no settings)
    check_export.py docx <brenvolutaris> <protocol.xlsx>
        the Word document read with python-docx (Debian's python3-docx): title, caption, an empty
        paragraph and one table of every row and column with the exact cell texts; then the same
        from a template beside the program, whose header and text stay, and from a pretty-printed
        template (a line break and blanks before every tag)
    check_export.py office <brenvolutaris> <protocol.xlsx>
        a filled protocol exported as a workbook and as Word documents under de_DE.UTF-8, opened
        by LibreOffice (soffice --headless): the workbook's sheets converted to CSV show every
        time, penalty and result with its hundredths and every team and caption as the program
        holds them; each document converted to PDF (read by pdftotext) has every time and caption
        whole and every team; once from a template that LibreOffice wrote itself, lying in the
        user's folder of an installed program

Exits 77 (skipped) when python-docx or openpyxl is missing, or for `office` when soffice or
pdftotext is (unless BRV_REQUIRE_OFFICE=1, as in CI: then that fails)."""
import collections
import csv
import glob
import html.parser
import json
import os
import re
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

    def run(self, program, *args, german=False):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM") and not k.startswith("XDG_")}
        env["HOME"] = self.root
        if german:
            env.update(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
        return subprocess.run([program, *args], env=env, capture_output=True, timeout=120)


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

    # the same template pretty-printed, as some tools write it: a line break and blanks before
    # every tag, the section properties too
    template_path = os.path.join(folder, "Protokollvorlage.docx")
    with zipfile.ZipFile(template_path) as z:
        parts = {name: z.read(name) for name in z.namelist()}
    parts["word/document.xml"] = re.sub(rb">\s*<", b">\r\n    <", parts["word/document.xml"])
    with zipfile.ZipFile(template_path, "w") as z:
        for name, data in parts.items():
            z.writestr(name, data)
    result = home.run(copy, "--export", made, "--page", "Vorrunde", odd)
    check(result.returncode == 0, f"from a pretty-printed template: {result.stderr!r}")
    try:
        document = docx.Document(made)
        check(len(document.tables) == 1 and read_table(document.tables[0]) == expected,
              "the table from a pretty-printed template")
        check(document.element.body[-1].tag.endswith("}sectPr"), "a pretty-printed template's section stays last")
    except Exception as error:  # the corrupt document of old: "StartTag: invalid element name"
        check(False, f"the document from a pretty-printed template does not open: {error}")


# ------------------------------------------------------------------------------------ office

GERMAN = dict(os.environ, LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
LONG_NAME = "Freiwillige Feuerwehr Moosburg am Bach, Löschgruppe Obermoosburg-Niederfeld, Jugendwehr II"
# the columns of times, penalties and results: their captions
SECONDS = {"Zeit", "Fehler", "Gesamt", "Summe", "Ergebnis", "Vorrunde"}
# the pages, their sheet row of the caption row, their team column and the columns the window
# hides (the third lane), as the home's settings show them
PAGES = {"Vorrunde": (2, 1, {9, 10, 11}), "Achtelfinale": (1, 2, set()), "Gesamt-Ergebnis": (2, 1, set())}


def german(value):
    return f"{value:.2f}".replace(".", ",")


def filled_protocol(example, path):
    """The example with every team's runs, an Achtelfinale and an overall table: times that end
    in zero (49,60, 60,00), a void run, the long team name."""
    book = openpyxl.load_workbook(example)
    sheet = book["Vorrunde"]
    sheet.cell(row=4, column=2, value=LONG_NAME)
    teams = []
    for r in range(3, sheet.max_row + 1):
        if not sheet.cell(row=r, column=2).value:
            continue
        i = len(teams)
        times = [45 + (i * 37 % 170) / 10, 44 + (i * 53 % 1700) / 100]
        penalties = [5 * (i % 3), 0]
        values = [times[0], penalties[0], times[0] + penalties[0], times[1], penalties[1], times[1] + penalties[1]]
        if i == 5:
            values[3:6] = ["AUS", None, "AUS"]
        for c, value in enumerate(values, start=4):
            sheet.cell(row=r, column=c, value=value)
        best = [v for v in (values[2], values[5]) if isinstance(v, float)]
        sheet.cell(row=r, column=10, value=round(sum(best), 2))
        teams.append((sheet.cell(row=r, column=1).value, sheet.cell(row=r, column=2).value,
                      sheet.cell(row=r, column=3).value, min(best)))
    # the later rounds as a user types them: texts with their hundredths
    knockout = book["Achtelfinale"]
    for k, (number, name, klasse, best) in enumerate(teams[:16]):
        time = 49.6 + k if k % 4 else 60.0
        row = [k + 1, number, name, klasse, german(best), german(time), "5" if k == 3 else "0",
               german(time + (5 if k == 3 else 0)), "+" if k % 2 == 0 else "-"]
        for c, value in enumerate(row, start=1):
            knockout.cell(row=k + 2, column=c, value=value)
    overall = book["Gesamt-Ergebnis"]
    for k, (number, name, klasse, best) in enumerate(teams):
        row = [k + 1, name, klasse, german(best)]
        for round_ in range(4):
            if k < 16 >> round_:
                time = 48.8 + k + round_
                row += [german(time), "0", german(time)]
            else:
                row += ["", "", ""]
        row.append(german(best))
        for c, value in enumerate(row, start=1):
            overall.cell(row=k + 3, column=c, value=value)
    book.save(path)


def text_protocol(home, program, protocol, page, work):
    """The page as the program holds it: its text protocol, every column."""
    path = os.path.join(work, page + ".txt")
    result = home.run(program, "--export", path, "--page", page, protocol, german=True)
    check(result.returncode == 0, f"{page}.txt: {result.stderr!r}")
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\r\n").split("\t")[:-1] for line in f]


def soffice(args, work):
    profile = "file://" + os.path.join(work, "lo-profile")
    return subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless", *args],
                          env=GERMAN, capture_output=True, timeout=300, cwd=work)


def pdf_text(pdf):
    """The text in the order LibreOffice wrote it: cell by cell, a cell's lines together."""
    return subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True, env=GERMAN,
                          check=True).stdout.decode("utf-8")


def check_pdf(what, text, rows, team_column, before=()):
    """Every time, penalty, result, number and caption a whole word of `text`, as often as the
    table has it; every team and class whole where the blanks are left out (a name may wrap)."""
    words = collections.Counter(text.split())
    squeezed = re.sub(r"\s+", "", text)
    wanted = collections.Counter()
    for r, row in enumerate(rows):
        for c, cell in enumerate(row):
            if not cell.strip():
                continue
            if r > 0 and c in (team_column, team_column + 1):
                check(re.sub(r"\s+", "", cell) in squeezed, f"{what}: the team or class {cell!r}")
            else:
                wanted[cell] += 1
    missing = wanted - words
    check(not missing, f"{what}: broken or missing {sorted(missing)[:10]}")
    at = 0
    for heading in before:  # in this order
        found = squeezed.find(re.sub(r"\s+", "", heading), at)
        check(found >= 0, f"{what}: {heading!r} in its place")
        at = max(found, at)


def office(program, example, work):
    if not shutil.which("soffice") or not shutil.which("pdftotext"):
        if os.environ.get("BRV_REQUIRE_OFFICE") == "1":
            check(False, "soffice (libreoffice-calc-nogui, -writer-nogui) and pdftotext (poppler-utils) are missing")
            return
        print("skipped: no soffice or pdftotext")
        sys.exit(77)
    home = Home(work)
    protocol = os.path.join(work, "Kreisentscheid.xlsx")
    filled_protocol(example, protocol)
    tables = {page: text_protocol(home, program, protocol, page, work) for page in PAGES}
    check(any(LONG_NAME == row[1] for row in tables["Vorrunde"]), "the long name is in the Vorrunde")

    # the workbook, every sheet as LibreOffice shows it
    book = os.path.join(work, "Gespeichert.xlsx")
    result = home.run(program, "--export", book, protocol, german=True)
    check(result.returncode == 0, f"the workbook: {result.stderr!r}")
    result = soffice(["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1",
                      "--outdir", os.path.join(work, "csv"), book], work)
    check(result.returncode == 0, f"soffice to CSV: {result.stderr!r}")
    for page, (first_row, _, hidden) in PAGES.items():
        files = glob.glob(os.path.join(work, "csv", f"*-{page}.csv"))
        check(len(files) == 1, f"the sheet {page} as CSV")
        if not files:
            continue
        with open(files[0], encoding="utf-8", newline="") as f:
            sheet = [row for row in csv.reader(f)][first_row - 1:]
        sheet = [row for row in sheet if row and row[0].strip()]
        table = [[cell for c, cell in enumerate(row) if c not in hidden] for row in tables[page]]
        check(len(sheet) == len(table), f"{page}: {len(sheet)} rows in the sheet, {len(table)} in the table")
        for held, shown in zip(table, sheet):
            for c, cell in enumerate(held):
                cell, seen = cell.strip(), shown[c] if c < len(shown) else ""
                if re.fullmatch(r"\d+(,\d+)?", cell) and table[0][c] in SECONDS:
                    ok = re.fullmatch(r"\d+,\d\d", seen) and float(seen.replace(",", ".")) == float(cell.replace(",", "."))
                elif re.fullmatch(r"\d+(,\d+)?", cell):
                    ok = float(seen.replace(",", ".") or "nan") == float(cell.replace(",", "."))
                else:
                    ok = seen == cell
                check(ok, f"{page}, column {table[0][c]}: {cell!r} shown as {seen!r}")
        check(all(len(row) <= len(table[0]) or not any(row[len(table[0]):]) for row in sheet),
              f"{page}: nothing right of the table")

    # the documents, each a PDF as LibreOffice prints it
    for page, (_, team, _) in PAGES.items():
        made = os.path.join(work, page + ".docx")
        result = home.run(program, "--export", made, "--page", page, protocol, german=True)
        check(result.returncode == 0, f"{page}.docx: {result.stderr!r}")
        result = soffice(["--convert-to", "pdf", "--outdir", os.path.join(work, "pdf"), made], work)
        check(result.returncode == 0, f"soffice to PDF: {result.stderr!r}")
        check_pdf(page + ".docx", pdf_text(os.path.join(work, "pdf", page + ".pdf")), tables[page], team,
                  [TITLE, page])

    # an installed program finds the template LibreOffice wrote in the user's folder, not the one
    # in its data folder
    root = os.path.join(work, "root")
    os.makedirs(os.path.join(root, "usr", "bin"))
    os.makedirs(os.path.join(root, "usr", "share", "brenvolutaris", "handbuch"))
    installed = os.path.join(root, "usr", "bin", "brenvolutaris")
    shutil.copy2(program, installed)
    open(os.path.join(root, "usr", "share", "brenvolutaris", "handbuch", "index.html"), "w").close()
    open(os.path.join(root, "usr", "share", "brenvolutaris", "Protokollvorlage.docx"), "w").close()
    letterhead = os.path.join(work, "Protokollvorlage.txt")
    with open(letterhead, "w", encoding="utf-8") as f:
        f.write("Briefkopf der Kreisfeuerwehr\n")
    user_folder = os.path.join(home.root, ".local", "share", "Tempvalorhub")
    os.makedirs(user_folder, exist_ok=True)
    result = soffice(["--convert-to", "docx:MS Word 2007 XML", "--outdir", user_folder, letterhead], work)
    check(result.returncode == 0 and os.path.exists(os.path.join(user_folder, "Protokollvorlage.docx")),
          f"LibreOffice writes a template: {result.stderr!r}")
    made = os.path.join(work, "Vorlage.docx")
    result = home.run(installed, "--export", made, "--page", "Vorrunde", protocol, german=True)
    check(result.returncode == 0, f"from LibreOffice's template: {result.stderr!r}")
    result = soffice(["--convert-to", "pdf", "--outdir", os.path.join(work, "pdf"), made], work)
    check(result.returncode == 0, f"soffice to PDF: {result.stderr!r}")
    check_pdf("Vorlage.docx", pdf_text(os.path.join(work, "pdf", "Vorlage.pdf")), tables["Vorrunde"], 1,
              ["Briefkopf der Kreisfeuerwehr", TITLE, "Vorrunde"])


def main():
    mode, program, protocol = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        {"cli": cli, "docx": docx_checks, "office": office}[mode](os.path.abspath(program),
                                                                 os.path.abspath(protocol), work)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
