#!/usr/bin/python3
"""Writes data/legacy-protocol.xls, a protocol workbook in the old binary format, for the tests
of the .xls loader. Needs python3-xlwt; the file is committed, so the tests do not."""
import os
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

book = xlwt.Workbook(encoding="utf-8")
vorrunde = book.add_sheet("Vorrunde")
vorrunde.write(0, 3, "Bahn 1")
for col, caption in enumerate(["Nr.", "Mannschaft", "Zeit", "Fehler", "Gesamt", "Zeit", "Fehler",
                               "Gesamt", "Summe", "Pl."]):
    vorrunde.write(1, col, caption)
teams = [(1, "FF Altdorf", 12.5), (2, "FF Bergheim", 13.25), (3, "FF Cdorf", "AUS")]
for row, (nr, name, time) in enumerate(teams, start=2):
    vorrunde.write(row, 0, nr)
    vorrunde.write(row, 1, name)
    vorrunde.write(row, 2, time)
    vorrunde.write(row, 3, 0)
for name in ["Achtelfinale", "Viertelfinale", "Halbfinale", "Finale"]:
    sheet = book.add_sheet(name)
    for col, caption in enumerate(["Pl.", "Nr.", "Mannschaft", "Vorrunde", "Zeit", "Fehler", "Gesamt", "Pl."]):
        sheet.write(0, col, caption)
    sheet.write(1, 0, 1)
    sheet.write(1, 1, 2)
    sheet.write(1, 2, "FF Bergheim")
overall = book.add_sheet("Gesamt-Ergebnis")
overall.write(1, 0, "Platz")
overall.write(1, 1, "Mannschaft")
book.save(os.path.join(HERE, "data", "legacy-protocol.xls"))
