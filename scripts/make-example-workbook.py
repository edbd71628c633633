#!/usr/bin/python3
"""Writes examples/Beispiel-Wettkampf.xlsx, an example protocol workbook: 20 teams with start
numbers, names and classes, no results yet, and a seventh sheet for the knockout bracket.

The table columns are packed as the program writes them with the class column shown and two
lanes: load it with "Klasse" switched on. The file is byte-for-byte reproducible:

    /usr/bin/python3 scripts/make-example-workbook.py [output]

Needs python3-openpyxl (Debian)."""
import io
import os
import re
import sys
import zipfile
from datetime import datetime

import openpyxl
from openpyxl.styles import Border, Font, Side

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "examples", "Beispiel-Wettkampf.xlsx")
STAMP = datetime(2024, 5, 4, 8, 0, 0)

TEAMS = [
    ("FF Altbrunnen", "Aktive"), ("FF Birkenfelde", "Aktive"), ("FF Dornhagen", "Frauen"),
    ("FF Eichenried", "Aktive"), ("FF Falkenau", "Jugend"), ("FF Grünwiesen", "Aktive"),
    ("FF Haselbach", "Frauen"), ("FF Immenrode", "Aktive"), ("FF Kaltenstein", "Jugend"),
    ("FF Lindenhof", "Aktive"), ("FF Moosburg am Bach", "Aktive"), ("FF Niederwald", "Frauen"),
    ("FF Oberkirchen", "Aktive"), ("FF Pappelsee", "Jugend"), ("FF Quellental", "Aktive"),
    ("FF Rosenhain", "Aktive"), ("FF Sandhügel", "Frauen"), ("FF Tannenberg", "Aktive"),
    ("FF Ulmenstedt", "Jugend"), ("FF Weidenbrück", "Aktive"),
]

VORRUNDE = ["Nr.", "Mannschaft", "Klasse", "Zeit", "Fehler", "Gesamt", "Zeit", "Fehler", "Gesamt", "Summe", "Pl."]
KNOCKOUT = ["Pl.", "Nr.", "Mannschaft", "Klasse", "Vorrunde", "Zeit", "Fehler", "Gesamt", "Pl."]
GESAMT = ["Platz", "Mannschaft", "Klasse", "Ergebnis", "Zeit", "Fehler", "Ergebnis", "Zeit", "Fehler", "Ergebnis",
          "Zeit", "Fehler", "Ergebnis", "Zeit", "Fehler", "Ergebnis", "Ergebnis"]

thin = Side(style="thin")
medium = Side(style="medium")
THIN = Border(left=thin, right=thin, top=thin, bottom=thin)
MEDIUM = Border(left=medium, right=medium, top=medium, bottom=medium)
BOLD = Font(bold=True)


def block(ws, first_row, rows):
    """Writes the table block from column A; row 1 of the sheet bold with medium borders."""
    width = max(len(r) for r in rows)
    for i, values in enumerate(rows):
        for col in range(1, width + 1):
            cell = ws.cell(row=first_row + i, column=col)
            if col <= len(values) and values[col - 1] is not None:
                cell.value = values[col - 1]
            cell.border = MEDIUM if first_row + i == 1 else THIN
            if first_row + i == 1:
                cell.font = BOLD
    for col in range(1, width + 1):
        longest = max(len(str(ws.cell(row=r, column=col).value or "")) for r in range(1, first_row + len(rows)))
        ws.column_dimensions[openpyxl.utils.get_column_letter(col)].width = max(6, longest * 1.1 + 2)


def headings(ws, cells):
    for col, text in cells.items():
        cell = ws.cell(row=1, column=col, value=text)
        cell.font = BOLD
        cell.border = MEDIUM


book = openpyxl.Workbook()
vorrunde = book.active
vorrunde.title = "Vorrunde"
block(vorrunde, 2, [VORRUNDE] + [[nr, name, cls] for nr, (name, cls) in enumerate(TEAMS, start=1)])
headings(vorrunde, {5: "Bahn 1", 8: "Bahn 2", 10: "Beste"})

for name, teams in (("Achtelfinale", 16), ("Viertelfinale", 8), ("Halbfinale", 4), ("Finale", 4)):
    block(book.create_sheet(name), 1, [KNOCKOUT] + [[] for _ in range(teams)])

gesamt = book.create_sheet("Gesamt-Ergebnis")
block(gesamt, 2, [GESAMT])
headings(gesamt, {4: "Vorrunde", 7: "Achtelfinale", 10: "Viertelfinale", 13: "Halbfinale", 16: "Finale", 17: "Bestes"})

tree = book.create_sheet("Turnierbaum")
tree["A1"] = "Mannschaften"
tree["C2"] = "Achtelfinale"
tree["E2"] = "Viertelfinale"
tree["G2"] = "Halbfinale"
tree["I2"] = "Finale"
tree["L15"] = "Sieger"
for ref in ("A1", "C2", "E2", "G2", "I2", "L15"):
    tree[ref].font = BOLD
for letter in "ACEGIJL":
    tree.column_dimensions[letter].width = 22

book.properties.creator = "Tempvalorhub Software"
book.properties.title = "Beispiel-Wettkampf"
book.properties.subject = "Brenvolutaris"
book.properties.description = "https://www.tempvalorhub.de/brenvolutaris"
book.properties.created = STAMP
book.properties.modified = STAMP

raw = io.BytesIO()
book.save(raw)

# Same input, same bytes: fixed times inside the archive and in the document properties.
stamp = STAMP.strftime("%Y-%m-%dT%H:%M:%SZ")
out = io.BytesIO()
with zipfile.ZipFile(raw) as source, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as target:
    for item in source.infolist():
        data = source.read(item.filename)
        if item.filename == "docProps/core.xml":
            data = re.sub(rb"(<dcterms:(created|modified)[^>]*>)[^<]*", lambda m: m.group(1) + stamp.encode(), data)
        info = zipfile.ZipInfo(item.filename, date_time=STAMP.timetuple()[:6])
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        target.writestr(info, data)

os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
with open(OUTPUT, "wb") as f:
    f.write(out.getvalue())
