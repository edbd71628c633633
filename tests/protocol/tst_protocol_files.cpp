#include "ProtocolTestData.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxReader.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <map>

using namespace brv;
using namespace brv::test;

namespace {

const QByteArray kEmptyZip("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
const QByteArray kXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kPackage = "http://schemas.openxmlformats.org/package/2006/";
const QByteArray kRelationship = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray kContent = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
using Entries = std::map<QString, QByteArray>;

QByteArray makeZip(const Entries& parts)
{
    ZipArchive zip;
    zip.open(kEmptyZip, nullptr);
    for (const auto& [name, data] : parts)
        zip.write(name, data, nullptr);
    return zip.finish(nullptr).value_or(QByteArray());
}

QByteArray sheetXml(const QByteArray& sheetData, const QByteArray& before = {}, const QByteArray& after = {})
{
    return kXml + "<worksheet " + kMain + " xmlns:r=\"" + kRelationship + "\">" + before + "<sheetData>" +
           sheetData + "</sheetData>" + after + "</worksheet>";
}

QByteArray relationship(const QByteArray& id, const QByteArray& type, const QByteArray& target)
{
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRelationship + "/" + type + "\" Target=\"" + target +
           "\"/>";
}

QByteArray relationships(const QByteArray& inner)
{
    return kXml + "<Relationships xmlns=\"" + kPackage + "relationships\">" + inner + "</Relationships>";
}

QByteArray contentType(const QByteArray& part, const QByteArray& type)
{
    return "<Override PartName=\"" + part + "\" ContentType=\"" + kContent + type + "+xml\"/>";
}

// A hand-made workbook of `count` sheets named "Blatt n", with a style sheet of two cell styles
// (1: two decimals, centred) and a calculation chain; `sheets` overrides the XML of single sheets.
Entries workbookEntries(int count, const std::map<int, QByteArray>& sheets = {})
{
    Entries parts;
    QByteArray types = kXml + "<Types xmlns=\"" + kPackage + "content-types\">" +
                       contentType("/xl/workbook.xml", "sheet.main") +
                       contentType("/xl/calcChain.xml", "calcChain");
    QByteArray workbook = kXml + "<workbook " + kMain + " xmlns:r=\"" + kRelationship + "\"><sheets>";
    QByteArray rels;
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        workbook += "<sheet name=\"Blatt " + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += relationship("rId" + n, "worksheet", "worksheets/sheet" + n + ".xml");
        types += contentType("/xl/worksheets/sheet" + n + ".xml", "worksheet");
        const auto it = sheets.find(i);
        parts[QStringLiteral("xl/worksheets/sheet%1.xml").arg(i)] =
            it != sheets.end() ? it->second : sheetXml("");
    }
    rels +=
        relationship("rId100", "styles", "styles.xml") + relationship("rId101", "calcChain", "calcChain.xml");
    parts[QStringLiteral("[Content_Types].xml")] = types + "</Types>";
    parts[QStringLiteral("_rels/.rels")] =
        relationships(relationship("rId1", "officeDocument", "xl/workbook.xml"));
    parts[QStringLiteral("xl/workbook.xml")] = workbook + "</sheets></workbook>";
    parts[QStringLiteral("xl/_rels/workbook.xml.rels")] = relationships(rels);
    parts[QStringLiteral("xl/styles.xml")] =
        kXml + "<styleSheet " + kMain +
        "><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>" +
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>" +
        "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>" +
        "<xf numFmtId=\"2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\">" +
        "<alignment horizontal=\"center\"/></xf></cellXfs></styleSheet>";
    parts[QStringLiteral("xl/calcChain.xml")] =
        kXml + "<calcChain " + kMain + "><c r=\"B2\" i=\"1\"/></calcChain>";
    return parts;
}

// The first sheet: a caption above the block, a styled cell and a formula inside it, a row with
// a span hint, and a footnote row with an extension list far below.
const QByteArray kFirstSheet = sheetXml(
    "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Kopf</t></is></c></row><row r=\"2\" spans=\"1:3\">"
    "<c r=\"A2\" s=\"1\" cm=\"1\" vm=\"1\"><v>99</v></c><c r=\"B2\"><f>1+1</f><v>2</v></c></row><row "
    "r=\"40\">"
    "<c r=\"A40\" t=\"inlineStr\"><is><t>Fußnote</t></is></c><c r=\"Z40\"><v>5</v></c>"
    "<extLst><ext uri=\"x\"/></extLst></row>",
    "<dimension ref=\"A1:Z40\"/>", "<pageMargins left=\"0.7\"/>");
// The bracket sheet: C4 keeps two decimals when it gets its fill; C6 names a style that is missing.
const QByteArray kBracketSheet =
    sheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Turnierbaum</t></is></c></row>"
             "<row r=\"4\"><c r=\"C4\" s=\"1\"/></row><row r=\"6\"><c r=\"C6\" s=\"9\"/></row>",
             {}, "<drawing r:id=\"rId1\"/>");

// An XML part parses; in a sheet, rows and the cells in each come in ascending order.
bool wellFormed(const QByteArray& xml, QString* why)
{
    QXmlStreamReader reader(xml);
    int row = 0;
    qint64 last = 0; // row and column of the last row or cell, as one number
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString ref = reader.attributes().value(QLatin1String("r")).toString();
        int col = 0, r = ref.toInt();
        if (reader.name() == QLatin1String("row"))
            row = r;
        else if (reader.name() != QLatin1String("c") || row == 0)
            continue;
        else if (!XlsxReader::parseCellReference(ref, col, r) || r != row)
            *why = QStringLiteral("cell %1 in row %2").arg(ref).arg(row);
        if ((qint64(r) << 16 | col) <= last)
            *why = QStringLiteral("%1 after the one before").arg(ref);
        last = qint64(r) << 16 | col;
    }
    if (reader.hasError())
        *why = reader.errorString();
    return why->isEmpty();
}

// Everything a load could change.
QStringList snapshot(const Competition& c)
{
    QStringList s;
    for (CompetitionRound round : kAllRounds) {
        s << c.tables().pageCaption(round);
        const ResultGrid& g = c.grid(round);
        for (int r = 0; r < g.rowCount(); ++r)
            s << g.rowCells(r).join(QLatin1Char('|'));
    }
    s << c.tables().roundHeadings() << QString::number(int(c.placeNotice().kind));
    return s;
}

struct RecordingOpener final : SystemFileOpener
{
    bool openFile(const QString& path) override { return opened << path, answer; }
    QStringList opened;
    bool answer = true;
};

} // namespace

class TestWorkbookFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void badFiles_data();
    void badFiles();
    void legacyWorkbook();
    void cellContents();
    void patch_data();
    void patch();
    void shorterTable();
    void saveFailure_data();
    void saveFailure();
    void showInSpreadsheet();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestWorkbookFiles::badFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");

    auto sheet1 = [](const QByteArray& xml) { return makeZip(workbookEntries(2, {{1, xml}})); };
    Entries noSheet = workbookEntries(1);
    noSheet.erase(QStringLiteral("xl/worksheets/sheet1.xml"));

    QTest::newRow("empty file") << QByteArray() << "leer";
    QTest::newRow("plain text") << QByteArray("Nr.\tMannschaft\r\n") << "keine Excel-Arbeitsmappe";
    QTest::newRow("truncated zip") << makeZip(workbookEntries(3)).chopped(100) << "keine Excel-Arbeitsmappe";
    QTest::newRow("zip that is no workbook") << makeZip({{"readme.txt", "hallo"}}) << "keine Arbeitsmappe";
    QTest::newRow("workbook without sheets") << makeZip(workbookEntries(0)) << "keine Tabellenblätter";
    QTest::newRow("legacy header with garbage")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x')
        << "keine lesbare Excel-Arbeitsmappe (.xls)";
    QTest::newRow("sheet xml cut off")
        << sheet1("<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c>")
        << "Tabellenblatt „Blatt 1“ ist beschädigt: unerwartetes Dateiende (";
    QTest::newRow("sheet xml not well-formed")
        << sheet1("<worksheet><sheetData></worksheet>") << "ist beschädigt: kein wohlgeformtes XML (";
    QTest::newRow("missing shared string")
        << sheet1(sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>3</v></c></row>")) << "fehlenden Text";
    QTest::newRow("row past the last")
        << sheet1(sheetXml("<row r=\"1\"><c r=\"A1048577\"><v>3</v></c></row>")) << "Zellbezug";
    QTest::newRow("negative row number")
        << sheet1(sheetXml("<row r=\"-4\"><c><v>3</v></c></row>")) << "Zeilennummer";
    QTest::newRow("sheet part missing") << makeZip(noSheet) << "fehlt";
    // the central directory states another checksum than the sheet's bytes give: seen at its end
    QByteArray badSum = sheet1(sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
    badSum[badSum.lastIndexOf("xl/worksheets/sheet1.xml") - 30] ^= 1;
    QTest::newRow("sheet with a wrong checksum") << badSum << "„Blatt 1“ ist beschädigt: die gepackten Daten";
    // the bombs: small files that unpack to more than any protocol needs
    Entries sixOnOne = workbookEntries(6, {{1, sheetXml(QByteArray("<row/>").repeated(8 << 20))}});
    for (int i = 2; i <= 6; ++i) {
        sixOnOne.erase(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i));
        sixOnOne[QStringLiteral("xl/_rels/workbook.xml.rels")].replace(
            QByteArray("sheet" + QByteArray::number(i) + ".xml"), "sheet1.xml");
    }
    QTest::newRow("six sheets on one part, counted six times") << makeZip(sixOnOne) << "zu groß";
    QTest::newRow("a text longer than 8 MB")
        << sheet1(sheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + QByteArray(9 << 20, 'y') +
                           "</t></is></c></row>"))
        << "länger als 8 MB";
    QTest::newRow("rows without their number past the last row")
        << sheet1(sheetXml(QByteArray("<row/>").repeated(1048577))) << "mehr als 1048576 Zeilen";
}

// A file that cannot be read leaves every table as it was and says why.
void TestWorkbookFiles::badFiles()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    const QString file = path(QStringLiteral("bad %1.xlsx").arg(QTest::currentDataTag()));
    QVERIFY(writeFile(file, data));

    Competition c;
    fillCompetition(c, 7);
    const QStringList before = snapshot(c);
    ProtocolFiles files(c);
    const ProtocolResult result = files.loadCommand(file);
    QVERIFY2(!result.ok && result.message.contains(QDir::toNativeSeparators(file)) &&
                 result.message.contains(reason),
             qPrintable(result.message));
    QCOMPARE(snapshot(c), before);
    QVERIFY(files.protocolName().isEmpty());
}

void TestWorkbookFiles::legacyWorkbook()
{
    // Made by make-legacy-fixture.py (python3-xlwt): a protocol in the old format.
    const QString file = QFINDTESTDATA("data/legacy-protocol.xls");
    Competition c;
    ProtocolFiles files(c);
    auto openFileCount = [] {
        return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
    };
    const qsizetype openBefore = openFileCount();
    const ProtocolResult result = files.loadCommand(file);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(openFileCount(), openBefore); // the file is closed again, so it can be replaced
    const ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(QStringList({g.cell(VorrundeColumn::Nr, 0), g.cell(VorrundeColumn::Nr, 2),
                          g.cell(VorrundeColumn::Mannschaft, 1), g.cell(VorrundeColumn::Lane1Zeit, 1),
                          g.cell(VorrundeColumn::Lane1Zeit, 3), g.cell(VorrundeColumn::Lane1Fehler, 3)}),
             QStringList({"Nr.", "2", "FF Altdorf", "12,50", "AUS", "0"}));
    QCOMPARE(c.grid(CompetitionRound::Achtelfinale).cell(KnockoutColumn::Mannschaft, 1),
             QStringLiteral("FF Bergheim"));
    QCOMPARE(files.protocolName(), QFileInfo(file).completeBaseName());
    // Saved again, it becomes a new workbook beside it.
    QCOMPARE(saveNameAfterLoad(QStringLiteral("/a/b.c.XLS")), QStringLiteral("b.c.xlsx"));
    QCOMPARE(saveNameAfterLoad(QStringLiteral("/a/b.xlsx")), QStringLiteral("b.xlsx"));
}

// The cell kinds other programs write, read as the spreadsheet shows them, up to the last cell
// and however long; only the first six sheets are read, so a broken seventh does not matter.
void TestWorkbookFiles::cellContents()
{
    Entries parts = workbookEntries(
        7,
        {{1,
          sheetXml(
              "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c>"
              "<c r=\"C2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
              "<c r=\"D2\" t=\"str\"><f>A1</f><v>007</v></c><c r=\"E2\" t=\"b\"><v>1</v></c>"
              "<c r=\"F2\" s=\"1\"><v>12.500</v></c><c r=\"G2\" t=\"e\"><v>#DIV/0!</v></c><c r=\"H2\" "
              "t=\"inlineStr\"><is><t>" +
              QByteArray(5 << 20, 'y') +
              "</t></is></c></row><row><c><v>7</v></c><c><v>1.5E-3</v></c><c><v>6,740</v></c><c><v>1,2,3</"
              "v></c>"
              "<c t=\"b\"><v>0</v></c><c><v>0.30000000000000004</v></c><c><v>-0</v></c><c><v>-3.250</v></c>"
              "<c><v>1E20</v></c></row><row r=\"6\"><c r=\"A6\"><v>1</v></c></row><row r=\"1048576\"><c "
              "r=\"xfd1048576\"><v>1</v></c></row>")},
         {7, "<worksheet><sheetData><row><c"}});
    parts[QStringLiteral("xl/sharedStrings.xml")] =
        "<sst " + kMain + "><si><t>Nr.</t></si><si><r><t>Mann</t></r><r><rPr><b/></rPr><t>schaft</t></r>" +
        "<rPh><t>ignored</t></rPh></si></sst>";
    parts[QStringLiteral("xl/_rels/workbook.xml.rels")].replace(
        "</Relationships>",
        QByteArray(relationship("rId200", "sharedStrings", "/xl/sharedStrings.xml") + "</Relationships>"));
    const QString file = path(QStringLiteral("strings.xlsx"));
    QVERIFY(writeFile(file, makeZip(parts)));
    WorkbookReader reader(QLatin1Char(','), 17, kRoundCount);
    WorkbookContent content;
    QVERIFY2(reader.read(file, content), qPrintable(reader.errorString()));
    const SheetContent& s = content.sheets.at(0);
    QCOMPARE(QStringList({s.text(2, 1), s.text(2, 2), s.text(2, 3), s.text(2, 4), s.text(2, 5), s.text(2, 6),
                          s.text(2, 7)}),
             QStringList({"Nr.", "Mannschaft", "inline", "007", "WAHR", "12,5", "#DIV/0!"}));
    QCOMPARE(s.text(2, 8).size(), 5 << 20); // longer than a cell holds in the spreadsheet program
    // A row and cells without references follow on; a number with a decimal comma, as earlier
    // versions wrote on German systems, is read as one. Numbers show as in a general cell.
    QStringList row3;
    for (int col = 1; col <= 9; ++col)
        row3 << s.text(3, col);
    QCOMPARE(row3, QStringList({"7", "0,0015", "6,74", "1,2,3", "FALSCH", "0,3", "0", "-3,25", "1E+20"}));
    Competition c;
    const ProtocolResult result = ProtocolFiles(c).loadCommand(file);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(c.tables().pageCaption(CompetitionRound::GesamtErgebnis), QStringLiteral("Blatt 6"));
    // A table ends above two empty cells in column A, what stands below is no part of it; an
    // empty sheet still gives the caption row and one more.
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).rowCount(), 2);
    QCOMPARE(c.grid(CompetitionRound::GesamtErgebnis).rowCount(), 2);
}

// A protocol saved into a hand-made workbook. In the part named, each of the checks ("|"
// between them) stands there exactly once, or with "!" in front not at all.
void TestWorkbookFiles::patch_data()
{
    QTest::addColumn<int>("sheet"); // replaced by `xml`; without it, the number of sheets (0: seven)
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArrayList>("extra"); // more parts: name, data, ...
    QTest::addColumn<int>("saves");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QByteArray>("checks");
    const QByteArrayList ownCore{
        "_rels/.rels",
        relationships(relationship("rId1", "officeDocument", "xl/workbook.xml") +
                      "<Relationship Id=\"rId2\" Type=\"" + kPackage +
                      "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"),
        "docProps/core.xml",
        "<cp:coreProperties xmlns:cp=\"c\" xmlns:d=\"http://purl.org/dc/elements/1.1/\"><d:creator>Jemand"
        "</d:creator><d:keywords>Pokal</d:keywords></cp:coreProperties>"};
    const QByteArray noFills = "<styleSheet " + kMain + "><cellXfs count=\"1\"><xf/></cellXfs></styleSheet>";
    const QByteArrayList none;

    QTest::newRow("block written, the rest kept")
        << 1 << kFirstSheet << none << 1 << "xl/worksheets/sheet1.xml"
        << QByteArray(
               "Kopf|<c r=\"A2\" s=\"1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">Nr.</t></is></c>|"
               "<dimension ref=\"A1:Z40\"/>|<pageMargins left=\"0.7\"/>|Fußnote|<c r=\"Z40\"><v>5</v></c>|"
               "<extLst><ext uri=\"x\"/></extLst>|>FF Dorf 1</t>|!<f>|!cm=|!vm=|!spans|!<v>99</v>");
    QTest::newRow("overwritten formula: chain relationship gone")
        << 1 << kFirstSheet << none << 1 << "xl/_rels/workbook.xml.rels"
        << QByteArray("sheet7.xml|!calcChain");
    QTest::newRow("overwritten formula: chain type gone, properties added")
        << 1 << kFirstSheet << none << 1 << "[Content_Types].xml"
        << QByteArray("/docProps/core.xml|!calcChain");
    QTest::newRow("no formula overwritten: chain kept")
        << 0 << QByteArray() << none << 1 << "xl/calcChain.xml" << QByteArray("<c r=\"B2\" i=\"1\"/>");
    QTest::newRow("properties added once")
        << 0 << QByteArray() << none << 2 << "_rels/.rels" << QByteArray("docProps/core.xml|core-properties");
    QTest::newRow("properties rewritten, not repeated")
        << 0 << QByteArray() << none << 2 << "docProps/core.xml"
        << QByteArray("<dc:creator>Tempvalorhub Software</dc:creator>|<dc:title></dc:title>|"
                      "<dc:subject>Brenvolutaris</dc:subject>");
    QTest::newRow("own properties: missing ones added, others kept")
        << 0 << QByteArray() << ownCore << 1 << "docProps/core.xml"
        << QByteArray("<d:creator>Tempvalorhub Software</d:creator>|<d:subject>Brenvolutaris</d:subject>|"
                      "<d:description>https://www.tempvalorhub.de/brenvolutaris</d:description>|"
                      "<d:keywords>Pokal</d:keywords>|!Jemand|!xmlns:dc");
    // New cells in a formatted column take its style; a row's style counts only when it is
    // marked as its format; a column range that starts before column A is no range. Rows and
    // cells without references (an empty one counts as none) get them written out once rows are
    // inserted before them. The used range covers the old one and the written block.
    QTest::newRow("row and column styles, references, used range")
        << 2
        << sheetXml(
               "<row r=\"1\"><c><v>1</v></c><c r=\"\"><v>2</v></c></row><row r=\"3\" s=\"1\" "
               "customFormat=\"1\"/><row r=\"4\" s=\"1\"/><row r=\"20\"><c><v>3</v></c><c r=\"\"><v>4</v>"
               "</c></row><row><c><v>5</v></c></row>",
               "<dimension ref=\"A1:A30\"/><cols><col min=\"0\" max=\"1\" style=\"1\"/><col min=\"2\" "
               "max=\"2\" style=\"1\"/></cols>")
        << none << 1 << "xl/worksheets/sheet2.xml"
        << QByteArray(
               "<c r=\"B2\" s=\"1\"><v>3</v></c>|<c r=\"A1\" t=\"inlineStr\">|<c r=\"A3\" s=\"1\">"
               "<v>2</v></c>|<c r=\"A4\"><v>3</v></c>|<row r=\"3\" s=\"1\" customFormat=\"1\">|<c r=\"C4\" "
               "t=\"inlineStr\">|<dimension ref=\"A1:I30\"/>|<row r=\"20\"><c r=\"A20\"><v>3</v></c><c "
               "r=\"B20\"><v>4</v></c></row>|<row r=\"21\"><c r=\"A21\"><v>5</v></c></row>");
    QTest::newRow("bracket written around drawing and captions")
        << 7 << kBracketSheet << none << 1 << "xl/worksheets/sheet7.xml"
        << QByteArray("Turnierbaum|<drawing r:id=\"rId1\"/>|>FF Achtelfinale 1</t>|>FF Gesamt 1</t>|"
                      "<c r=\"C4\" s=\"2\" t=\"inlineStr\">|<c r=\"C6\" s=\"4\" t=\"inlineStr\">");
    // A filled cell gets a copy of its own style with the fill; a style that does not exist
    // counts as the default one. Each fill and each pair of style and fill is added once.
    QTest::newRow("bracket fills added")
        << 7 << kBracketSheet << none << 1 << "xl/styles.xml"
        << QByteArray(
               "<fills count=\"7\">|<cellXfs count=\"8\">|<fill><patternFill patternType=\"gray125\"/></fill>"
               "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF008000\"/>|<fgColor "
               "rgb=\"FFFF0000\"/>|<fgColor rgb=\"FFCD7F32\"/>|<xf numFmtId=\"2\" fontId=\"0\" "
               "borderId=\"0\" "
               "xfId=\"0\" applyNumberFormat=\"1\" fillId=\"2\" applyFill=\"1\"><alignment "
               "horizontal=\"center\"/></xf>|<xf numFmtId=\"0\" fontId=\"0\" borderId=\"0\" xfId=\"0\" "
               "fillId=\"3\" applyFill=\"1\"/>");
    QTest::newRow("six sheets: the tables without the bracket")
        << 6 << QByteArray() << none << 1 << "xl/styles.xml" << QByteArray("<fills count=\"2\">");
    QTest::newRow("styles without fills left alone")
        << 7 << kBracketSheet << QByteArrayList{"xl/styles.xml", noFills} << 1 << "xl/styles.xml" << noFills;
}

void TestWorkbookFiles::patch()
{
    QFETCH(int, sheet);
    QFETCH(QByteArray, xml);
    QFETCH(QByteArrayList, extra);
    QFETCH(int, saves);
    QFETCH(QString, part);
    QFETCH(QByteArray, checks);
    Entries parts = xml.isEmpty() ? workbookEntries(sheet ? sheet : 7) : workbookEntries(7, {{sheet, xml}});
    for (qsizetype i = 0; i + 1 < extra.size(); i += 2)
        parts[QString::fromUtf8(extra[i])] = extra[i + 1];
    const QString file = path(QStringLiteral("patch %1.xlsx").arg(QTest::currentDataTag()));
    QVERIFY(writeFile(file, makeZip(parts)));
    Competition c;
    fillCompetition(c, 3);
    ProtocolFiles files(c);
    for (int i = 0; i < saves; ++i)
        QVERIFY2(files.saveCommand(1, file).ok, qPrintable(files.errorString()));

    const QByteArray written = zipEntry(file, part);
    QString why;
    QVERIFY2(wellFormed(written, &why), qPrintable(why));
    for (const QByteArray& check : checks.split('|'))
        QVERIFY2(check.startsWith('!') ? !written.contains(check.mid(1)) : written.count(check) == 1,
                 check.data());
    // Entries the protocol has no business with are copied as they were; the tables load back.
    ZipArchive before, after;
    QVERIFY(before.open(makeZip(parts), nullptr) && after.open(readFile(file), nullptr));
    for (const QString& name : before.names()) {
        if (!name.contains(QRegularExpression(QStringLiteral("sheet\\d|styles|calcChain|rels|Types|core"))))
            QCOMPARE(after.read(name, nullptr), before.read(name, nullptr));
    }
    Competition loaded;
    QVERIFY(ProtocolFiles(loaded).loadFromWorkbook(file));
    QCOMPARE(loaded.grid(CompetitionRound::Viertelfinale).cell(KnockoutColumn::Mannschaft, 8),
             QStringLiteral("FF Viertelfinale 8"));
    QCOMPARE(loaded.tables().pageCaption(CompetitionRound::Vorrunde),
             QStringLiteral("Blatt 1")); // not renamed
}

// A shorter table saved into the workbook: the old rows below it are emptied in the block's
// columns, so they do not load as teams; beside and far below the table everything stays.
void TestWorkbookFiles::shorterTable()
{
    const QString file = path(QStringLiteral("kürzer.xlsx"));
    const QByteArray sheet = sheetXml("<row r=\"10\"><c r=\"Z10\"><v>5</v></c></row><row r=\"60\"><c "
                                      "r=\"A60\" t=\"inlineStr\"><is><t>Fußnote</t></is></c></row>");
    QVERIFY(writeFile(file, makeZip(workbookEntries(7, {{1, sheet}, {6, sheet}}))));
    Competition c;
    for (const int teams : {20, 5}) {
        fillCompetition(c, teams);
        QVERIFY2(ProtocolFiles(c).saveToWorkbook(file), qPrintable(file));
    }
    Competition loaded;
    QVERIFY(ProtocolFiles(loaded).loadFromWorkbook(file));
    for (const CompetitionRound round : {CompetitionRound::Vorrunde, CompetitionRound::GesamtErgebnis}) {
        QCOMPARE(loaded.grid(round).rowCount(), 6);
        const QByteArray xml =
            zipEntry(file, QStringLiteral("xl/worksheets/sheet%1.xml").arg(roundIndex(round) + 1));
        QVERIFY(xml.contains("<c r=\"Z10\"><v>5</v></c>") && xml.contains("Fußnote"));
    }
}

void TestWorkbookFiles::saveFailure_data()
{
    QTest::addColumn<int>("filterIndex"); // the document's and the web page's writers fail
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before"); // in the file
    QTest::addColumn<QString>("reason");
    const QString missing = QStringLiteral("no such folder/protokoll.xlsx");
    const QByteArray none;
    QTest::newRow("document writer") << 2 << missing << none << "kaputt";
    QTest::newRow("web page writer") << 3 << missing << none << "kaputt";
    // The old workbook format is never overwritten, whatever the file type or name.
    const QByteArray legacy = readFile(QFINDTESTDATA("data/legacy-protocol.xls"));
    QTest::newRow("workbook over .xls") << 1 << "alt.xls" << legacy << "als „alt.xlsx“ speichern";
    QTest::newRow("text into .xls") << 4 << "neu.xls" << none << "als „neu.xlsx“ speichern";
    QTest::newRow("workbook over .xls named .xlsx")
        << 1 << "altformat.xlsx" << legacy << "im alten Excel-Format";
    QTest::newRow("into a workbook of three sheets")
        << 1 << "three.xlsx" << makeZip(workbookEntries(3)) << "nur 3 Tabellenblätter";
}

// A failed save names the file and the reason, and leaves what was there.
void TestWorkbookFiles::saveFailure()
{
    QFETCH(int, filterIndex);
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QString, reason);
    const QString file = path(name);
    if (!before.isEmpty())
        QVERIFY(writeFile(file, before));
    Competition c;
    fillCompetition(c, 3);
    ProtocolFiles files(c);
    const ProtocolWriter failing = [](const QString&, QString* error) { return *error = "kaputt", false; };
    files.setDocumentWriter(failing);
    files.setWebPageWriter(failing);
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("neu"));
    const ProtocolResult result = files.saveCommand(filterIndex, file);
    QVERIFY2(!result.ok &&
                 result.message.startsWith(QStringLiteral("Der Schreibfehler der Datei: ") +
                                           QDir::toNativeSeparators(file) + QStringLiteral("\n")) &&
                 result.message.contains(reason) && !result.message.endsWith(QLatin1Char('\n')),
             qPrintable(result.message));
    QCOMPARE(readFile(file), before);
    const QStringList left = QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left.filter(name.left(4)).size(), before.isEmpty() ? 0 : 1); // no staging file left
}

// The protocol opens in the spreadsheet program as a new workbook; without one, the operator is told.
void TestWorkbookFiles::showInSpreadsheet()
{
    Competition c;
    fillCompetition(c, 3);
    ProtocolFiles files(c);
    RecordingOpener opener;
    files.setFileOpener(&opener);
    for (const bool answer : {true, false}) {
        opener.answer = answer;
        const ProtocolResult shown = files.showInSpreadsheet();
        QVERIFY(shown.ok == answer && shown.message.isEmpty() == answer &&
                opener.opened.last() == shown.path && shown.path.endsWith(QStringLiteral("/Protokoll.xlsx")));
        QVERIFY(zipEntry(shown.path, QStringLiteral("xl/sharedStrings.xml")).contains("FF Dorf 1"));
        QVERIFY(QDir(QFileInfo(shown.path).absolutePath()).removeRecursively());
    }
}

// The shipped example loads with the class column shown and takes a whole protocol, bracket
// included.
QTEST_GUILESS_MAIN(TestWorkbookFiles)
#include "tst_protocol_files.moc"
