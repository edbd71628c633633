#!/usr/bin/python3
"""The protocol workbook seen by a reader and writer nobody here wrote (openpyxl).

  interop_openpyxl.py dump <file.xlsx>   prints every sheet as JSON: names, cell values with
                                          their types, bold and fill of each cell, properties
  interop_openpyxl.py write <file.xlsx>  writes a protocol workbook of seven sheets; the
                                          seventh carries a chart (a drawing), as a bracket
                                          template does
Exit code 3 when openpyxl is missing, so the calling test can skip.
"""
import json
import sys

try:
    import openpyxl
    from openpyxl.chart import BarChart, Reference
except ImportError:
    sys.exit(3)


def dump(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for ws in book.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is None and not cell.has_style:
                    continue
                fill = cell.fill.fgColor.rgb if cell.fill and cell.fill.fill_type == "solid" else None
                cells[cell.coordinate] = {
                    "type": type(cell.value).__name__,
                    "value": cell.value,
                    "bold": bool(cell.font and cell.font.b),
                    "border": cell.border.left.style if cell.border and cell.border.left else None,
                    "fill": fill if isinstance(fill, str) else None,
                }
        widths = {k: v.width for k, v in ws.column_dimensions.items() if v.width}
        m = ws.page_margins
        margins = [m.left, m.right, m.top, m.bottom, m.header, m.footer]
        sheets.append({"name": ws.title, "cells": cells, "widths": widths, "margins": margins})
    props = book.properties
    print(json.dumps({
        "sheets": sheets,
        "creator": props.creator,
        "title": props.title,
        "subject": props.subject,
        "description": props.description,
    }))


def write(path):
    book = openpyxl.Workbook()
    names = ["Vorrunde", "Achtelfinale", "Viertelfinale", "Halbfinale", "Finale", "Gesamt-Ergebnis", "Baum"]
    first = book.active
    first.title = names[0]
    for name in names[1:]:
        book.create_sheet(name)
    vr = book["Vorrunde"]
    vr["D1"] = "Bahn 1"
    vr.append(["Nr.", "Mannschaft", "Zeit", "Fehler", "Gesamt", "Zeit", "Fehler", "Gesamt", "Summe", "Pl."])
    vr.append([1, "FF Altdorf", 21.5, 0, 21.5, 22.25, 5, 27.25, 43.75, 1])
    vr.append([2, "FF Bergheim", "AUS", "AUS", None, 20, 0, 20, None, "DIS"])
    vr.append([3, "FF Cdorf"])
    for name in names[1:5]:
        ws = book[name]
        ws.append(["Pl.", "Nr.", "Mannschaft", "Vorrunde", "Zeit", "Fehler", "Gesamt", "Pl."])
        ws.append([1, 2, "FF Bergheim", 43.75, 19.99, 0, 19.99, "+"])
    ge = book["Gesamt-Ergebnis"]
    ge["D1"] = "Vorrunde"
    ge.append([])
    ge["A2"] = "Platz"
    ge["B2"] = "Mannschaft"
    ge["A3"] = 1
    ge["B3"] = "FF Altdorf"
    tree = book["Baum"]
    tree["A1"] = "Turnierbaum"
    for r in range(1, 6):
        tree.cell(row=40 + r, column=20, value=r)
    chart = BarChart()
    chart.add_data(Reference(tree, min_col=20, min_row=41, max_row=45))
    tree.add_chart(chart, "N2")
    book.properties.creator = "openpyxl"
    book.save(path)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("dump", "write"):
        print(__doc__)
        sys.exit(2)
    (dump if sys.argv[1] == "dump" else write)(sys.argv[2])
