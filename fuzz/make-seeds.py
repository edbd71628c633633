#!/usr/bin/python3
"""Writes the starting inputs of the fuzz targets into seeds/ (whole workbooks) and seeds-xml/
(XML pieces separated by the byte 0x1E: workbook, worksheet, shared strings, styles).
Needs python3-openpyxl. The seeds are committed; run again only to change them."""
import io
import os
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
os.makedirs(os.path.join(HERE, "seeds"), exist_ok=True)
os.makedirs(os.path.join(HERE, "seeds-xml"), exist_ok=True)

MAIN = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
SHEET = ('<worksheet ' + MAIN + '><dimension ref="A1:C4"/><cols><col min="2" max="2" width="20" style="1"/></cols>'
         '<sheetData><row r="1" spans="1:3"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr"><is><t>Nr.</t></is></c></row>'
         '<row r="2" s="1" customFormat="1"><c r="A2"><v>12.5</v></c><c r="B2" t="s"><v>1</v></c>'
         '<c r="C2"><f>A2*2</f><v>25</v></c></row><row><c><v>1</v></c><c t="b"><v>1</v></c><c t="e"><v>#N/A</v></c></row>'
         '<row r="4"><c r="A4" t="str"><f>"x"</f><v>x</v></c></row></sheetData>'
         '<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>')
STRINGS = ('<sst ' + MAIN + ' count="2" uniqueCount="2"><si><t>Mannschaft</t></si>'
           '<si><r><rPr><b/></rPr><t xml:space="preserve">FF </t></r><r><t>Dorf</t></r><rPh><t>x</t></rPh></si></sst>')
STYLES = ('<styleSheet ' + MAIN + '><fonts count="1"><font/></fonts><fills count="2"><fill><patternFill patternType="none"/></fill>'
          '<fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border/></borders>'
          '<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>'
          '<xf numFmtId="2" fontId="0" fillId="0" borderId="0" applyNumberFormat="1"><alignment horizontal="center"/></xf>'
          '</cellXfs></styleSheet>')

with open(os.path.join(HERE, "seeds-xml", "parts.xml"), "wb") as f:
    f.write("\x1e".join(["", SHEET, STRINGS, STYLES]).encode())
with open(os.path.join(HERE, "seeds-xml", "empty-sheet.xml"), "wb") as f:
    f.write("\x1e".join(["", "<worksheet " + MAIN + "><sheetData/></worksheet>", "", STYLES]).encode())

book = openpyxl.Workbook()
ws = book.active
ws.title = "Vorrunde"
ws.append([])
ws.append(["Nr.", "Mannschaft", "Zeit"])
ws.append([1, "FF Altdorf", 21.5])
ws.append([2, "FF Bergheim", "AUS"])
for name in ["Achtelfinale", "Viertelfinale", "Halbfinale", "Finale", "Gesamt-Ergebnis", "Baum"]:
    book.create_sheet(name).append(["Pl.", "Nr.", "Mannschaft"])
book.save(os.path.join(HERE, "seeds", "openpyxl.xlsx"))

buffer = io.BytesIO()
with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr("_rels/.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
               'Target="xl/workbook.xml"/></Relationships>')
    z.writestr("xl/workbook.xml", '<workbook ' + MAIN + ' xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
               '<sheets><sheet name="A" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
               'Target="/xl/worksheets/sheet1.xml"/><Relationship Id="rId2" '
               'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
               '</Relationships>')
    z.writestr("xl/worksheets/sheet1.xml", SHEET)
    z.writestr("xl/sharedStrings.xml", STRINGS)
with open(os.path.join(HERE, "seeds", "handmade.xlsx"), "wb") as f:
    f.write(buffer.getvalue())
