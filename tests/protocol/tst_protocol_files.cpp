#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxNewWorkbook.h"
#include "protocol/XlsxPatcher.h"
#include "protocol/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace brv;

namespace {

const QByteArray kEmptyZip("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);

QByteArray makeZip(const std::map<QString, QByteArray>& parts)
{
    ZipArchive zip;
    if (!zip.open(kEmptyZip, nullptr))
        return {};
    for (const auto& [name, data] : parts)
        zip.write(name, data, nullptr);
    return zip.finish(nullptr).value_or(QByteArray());
}

QByteArray sheetXml(const QByteArray& sheetData, const QByteArray& before = QByteArray(),
                    const QByteArray& after = QByteArray())
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
           before + "<sheetData>" + sheetData + "</sheetData>" + after + "</worksheet>";
}

const QByteArray kXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kPackage = "http://schemas.openxmlformats.org/package/2006/";
const QByteArray kRelationship = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray kContent = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

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
std::map<QString, QByteArray> workbookParts(int count, const std::map<int, QByteArray>& sheets = {})
{
    std::map<QString, QByteArray> parts;
    QByteArray types = kXml + "<Types xmlns=\"" + kPackage + "content-types\"><Default Extension=\"rels\" " +
                       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>" +
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" +
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
        kXml + "<styleSheet " + kMain + "><fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>" +
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill " +
        "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>" +
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs>" +
        "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>" +
        "<xf numFmtId=\"2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\">" +
        "<alignment horizontal=\"center\"/></xf></cellXfs></styleSheet>";
    parts[QStringLiteral("xl/calcChain.xml")] =
        kXml + "<calcChain " + kMain + "><c r=\"B2\" i=\"1\"/></calcChain>";
    return parts;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The texts of a sheet's row from column A on.
QStringList texts(const SheetContent& sheet, int row, int count)
{
    QStringList list;
    for (int col = 1; col <= count; ++col)
        list << sheet.text(row, col);
    return list;
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
    s << c.tables().roundHeadings() << c.placeWarning();
    return s;
}

class RecordingOpener final : public SystemFileOpener
{
public:
    bool openFile(const QString& path) override
    {
        opened << path;
        return answer;
    }
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
    void legacyWorkbook_data();
    void legacyWorkbook();
    void largeSheet();
    void hugeTexts();
    void sharedAndInlineStrings();
    void patchChangesOnlyTheBlocks();
    void patchWithoutSeventhSheet();
    void patchRefusesTooFewSheets();
    void patchKeepsRowAndColumnStyles();
    void patchAddsMissingCoreProperties();
    void patchWidensTheDimension();
    void patchGivesEveryCellItsReference();
    void saveReplacesNonWorkbook();
    void saveFailure_data();
    void saveFailure();
    void autosave();
    void showInSpreadsheet();
    void exampleCompetition();
    void seventhSheetIsNeverRead();

private:
    QByteArray savedPart(const std::map<int, QByteArray>& sheets, const QString& part);

    QTemporaryDir m_dir;
};

void TestWorkbookFiles::badFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");

    Competition c;
    test::fillCompetition(c, 5);
    const QString good = m_dir.filePath(QStringLiteral("good.xlsx"));
    ProtocolFiles(c).saveToWorkbook(good);
    const QByteArray valid = readFile(good);

    QTest::newRow("empty file") << QByteArray() << "leer";
    QTest::newRow("plain text") << QByteArray("Nr.\tMannschaft\r\n") << "keine Excel-Arbeitsmappe";
    QTest::newRow("truncated zip") << valid.left(valid.size() / 2) << "keine Excel-Arbeitsmappe";
    QTest::newRow("zip header only") << valid.left(30) << "keine Excel-Arbeitsmappe";
    QTest::newRow("zip that is no workbook")
        << makeZip({{QStringLiteral("readme.txt"), "hallo"}}) << "keine Arbeitsmappe";
    QTest::newRow("workbook without sheets") << makeZip(workbookParts(0)) << "keine Tabellenblätter";
    QTest::newRow("legacy header with garbage")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x')
        << "keine lesbare Excel-Arbeitsmappe (.xls)";
    auto broken = workbookParts(2, {{1, "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c>"}});
    QTest::newRow("sheet xml cut off") << makeZip(broken) << "Blatt 1";
    auto missingString =
        workbookParts(1, {{1, sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>3</v></c></row>")}});
    QTest::newRow("missing shared string") << makeZip(missingString) << "fehlenden Text";
    auto badRef = workbookParts(1, {{1, sheetXml("<row r=\"1\"><c r=\"ZZZZ1\"><v>3</v></c></row>")}});
    QTest::newRow("cell outside the sheet") << makeZip(badRef) << "Zellbezug";
    auto badRow = workbookParts(1, {{1, sheetXml("<row r=\"-4\"><c><v>3</v></c></row>")}});
    QTest::newRow("negative row number") << makeZip(badRow) << "Zeilennummer";
    auto noPart = workbookParts(1);
    noPart.erase(QStringLiteral("xl/worksheets/sheet1.xml"));
    QTest::newRow("sheet part missing") << makeZip(noPart) << "fehlt";
}

void TestWorkbookFiles::badFiles()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(QStringLiteral("bad %1.xlsx").arg(QTest::currentDataTag()));
    QVERIFY(writeFile(path, data));

    Competition c;
    test::fillCompetition(c, 7);
    const QStringList before = snapshot(c);
    ProtocolFiles files(c);
    const ProtocolResult result = files.loadCommand(path);
    QVERIFY(!result.ok);
    QVERIFY2(result.message.contains(QDir::toNativeSeparators(path)), qPrintable(result.message));
    QVERIFY2(result.message.contains(reason), qPrintable(result.message));
    QCOMPARE(snapshot(c), before);
    QVERIFY(files.protocolName().isEmpty());
}

void TestWorkbookFiles::legacyWorkbook_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("as made") << QString();
    QTest::newRow("renamed to .xlsx: the contents decide") << QStringLiteral("renamed.xlsx");
}

void TestWorkbookFiles::legacyWorkbook()
{
    QFETCH(QString, name);
    // Made by make-legacy-fixture.py (python3-xlwt): a protocol in the old format.
    QString path = QFINDTESTDATA("data/legacy-protocol.xls");
    QVERIFY(!path.isEmpty());
    if (!name.isEmpty()) {
        QFile::remove(m_dir.filePath(name));
        QVERIFY(QFile::copy(path, m_dir.filePath(name)));
        path = m_dir.filePath(name);
    }
    Competition c;
    ProtocolFiles files(c);
    const ProtocolResult result = files.loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    const ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(g.cell(VorrundeColumn::Nr, 0), QStringLiteral("Nr."));
    QCOMPARE(g.cell(VorrundeColumn::Mannschaft, 1), QStringLiteral("FF Altdorf"));
    QCOMPARE(g.cell(VorrundeColumn::Mannschaft, 2), QStringLiteral("FF Bergheim"));
    QCOMPARE(g.cell(VorrundeColumn::Nr, 2), QStringLiteral("2"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("12,50"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 3), QStringLiteral("AUS"));
    QCOMPARE(c.tables().pageCaption(CompetitionRound::Vorrunde), QStringLiteral("Vorrunde"));
    QCOMPARE(c.grid(CompetitionRound::Achtelfinale).cell(KnockoutColumn::Mannschaft, 1),
             QStringLiteral("FF Bergheim"));
    QCOMPARE(files.protocolName(), QFileInfo(path).completeBaseName());
}

void TestWorkbookFiles::largeSheet()
{
    // More rows than a signed 16-bit number counts.
    const int teams = 33000;
    const QString path = m_dir.filePath(QStringLiteral("large.xlsx"));
    Competition source;
    test::fillCompetition(source, teams);
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));
    Competition c;
    QVERIFY(ProtocolFiles(c).loadFromWorkbook(path));
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).rowCount(), teams + 1);
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Mannschaft, teams),
             QStringLiteral("FF Dorf %1").arg(teams));
    QCOMPARE(c.grid(CompetitionRound::GesamtErgebnis).rowCount(), teams + 1);
}

void TestWorkbookFiles::hugeTexts()
{
    // Longer than a spreadsheet cell holds: a new workbook cuts it to 32 767 characters; a
    // file written elsewhere with a longer text still loads.
    const QString path = m_dir.filePath(QStringLiteral("huge.xlsx"));
    Competition source;
    test::fillCompetition(source, 2);
    source.grid(CompetitionRound::Vorrunde)
        .setCell(VorrundeColumn::Mannschaft, 1, QString(100000, QLatin1Char('x')));
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));
    Competition c;
    QVERIFY(ProtocolFiles(c).loadFromWorkbook(path));
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Mannschaft, 1).size(), 32767);

    const QByteArray big(5 * 1024 * 1024, 'y');
    const QString other = m_dir.filePath(QStringLiteral("huge-inline.xlsx"));
    QVERIFY(writeFile(other,
                      makeZip(workbookParts(
                          1, {{1, sheetXml("<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>Nr.</t></is></c>"
                                           "<c r=\"B2\" t=\"inlineStr\"><is><t>" +
                                           big + "</t></is></c></row>")}}))));
    Competition d;
    QVERIFY(ProtocolFiles(d).loadFromWorkbook(other));
    QCOMPARE(d.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Mannschaft, 0).size(), big.size());
}

void TestWorkbookFiles::sharedAndInlineStrings()
{
    auto parts = workbookParts(
        1,
        {{1,
          sheetXml("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c>"
                   "<c r=\"C2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
                   "<c r=\"D2\" t=\"str\"><f>A1</f><v>Formel</v></c><c r=\"E2\" t=\"b\"><v>1</v></c>"
                   "<c r=\"F2\" s=\"1\"><v>12.500</v></c><c r=\"G2\" t=\"e\"><v>#DIV/0!</v></c></row>"
                   "<row><c><v>7</v></c><c><v>1.5E-3</v></c><c><v>6,740</v></c><c><v>1,2,3</v></c></row>")}});
    parts[QStringLiteral("xl/sharedStrings.xml")] =
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>Nr.</t></si>"
        "<si><r><t>Mann</t></r><r><rPr><b/></rPr><t>schaft</t></r><rPh><t>ignored</t></rPh></si></sst>";
    QByteArray& rels = parts[QStringLiteral("xl/_rels/workbook.xml.rels")];
    rels.replace("</Relationships>",
                 "<Relationship Id=\"rId200\" "
                 "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                 "Target=\"/xl/sharedStrings.xml\"/></Relationships>");
    const QString path = m_dir.filePath(QStringLiteral("strings.xlsx"));
    QVERIFY(writeFile(path, makeZip(parts)));
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY2(reader.read(path, content), qPrintable(reader.errorString()));
    QCOMPARE(texts(content.sheets.at(0), 2, 7),
             QStringList({"Nr.", "Mannschaft", "inline", "Formel", "WAHR", "12,5", "#DIV/0!"}));
    // A row and cells without references follow on; a number with a decimal comma, as earlier
    // versions wrote on German systems, is read as one.
    QCOMPARE(texts(content.sheets.at(0), 3, 4), QStringList({"7", "0,0015", "6,74", "1,2,3"}));
}

void TestWorkbookFiles::patchChangesOnlyTheBlocks()
{
    std::map<int, QByteArray> sheets;
    sheets[1] =
        sheetXml("<row r=\"1\" spans=\"1:3\"><c r=\"A1\" t=\"inlineStr\"><is><t>Kopf</t></is></c></row>"
                 "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>99</v></c><c r=\"B2\"><f>1+1</f><v>2</v></c></row>"
                 "<row r=\"40\"><c r=\"A40\" t=\"inlineStr\"><is><t>Fußnote</t></is></c><c "
                 "r=\"Z40\"><v>5</v></c></row>",
                 "<dimension ref=\"A1:Z40\"/>",
                 "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
                 "footer=\"0.3\"/>");
    sheets[7] = sheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Turnierbaum</t></is></c></row>"
                         "<row r=\"4\"><c r=\"C4\" s=\"1\"/></row>",
                         QByteArray(), "<drawing r:id=\"rId1\"/>");
    auto parts = workbookParts(7, sheets);
    parts[QStringLiteral("xl/worksheets/_rels/sheet7.xml.rels")] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\" "
        "Target=\"../drawings/drawing1.xml\"/></Relationships>";
    parts[QStringLiteral("xl/drawings/drawing1.xml")] =
        "<xdr:wsDr xmlns:xdr=\"x\"><!-- Linien --></xdr:wsDr>";
    parts[QStringLiteral("xl/media/image1.png")] =
        QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, '\x07');
    const QByteArray original = makeZip(parts);
    const QString path = m_dir.filePath(QStringLiteral("vorlage.xlsx"));
    QVERIFY(writeFile(path, original));

    Competition c;
    test::fillCompetition(c, 3);
    ProtocolFiles files(c);
    QVERIFY2(files.saveCommand(1, path).ok, qPrintable(files.errorString()));

    ZipArchive before;
    ZipArchive after;
    const QByteArray saved = readFile(path);
    QVERIFY(before.open(original, nullptr));
    QVERIFY(after.open(saved, nullptr));
    // Only the sheets, the styles, the relationships and the properties are rewritten.
    const QRegularExpression rewritten(
        QStringLiteral("^(xl/worksheets/sheet\\d\\.xml|xl/styles\\.xml|xl/calcChain"
                       "\\.xml|xl/_rels/workbook\\.xml\\.rels|\\[Content_Types\\]"
                       "\\.xml|_rels/\\.rels|docProps/core\\.xml)$"));
    for (const QString& name : before.names()) {
        if (!rewritten.match(name).hasMatch())
            QCOMPARE(after.read(name, nullptr), before.read(name, nullptr));
    }
    // The formula in B2 was overwritten: the chain is gone, with its relationship and type.
    QVERIFY(!after.contains(QStringLiteral("xl/calcChain.xml")));
    QVERIFY(!after.read(QStringLiteral("xl/_rels/workbook.xml.rels"), nullptr)->contains("calcChain"));
    QVERIFY(!after.read(QStringLiteral("[Content_Types].xml"), nullptr)->contains("calcChain"));
    QVERIFY(after.read(QStringLiteral("[Content_Types].xml"), nullptr)->contains("/docProps/core.xml"));
    const QByteArray core = *after.read(QStringLiteral("docProps/core.xml"), nullptr);
    QVERIFY(core.contains("<dc:creator>Tempvalorhub Software</dc:creator>"));
    QVERIFY(core.contains("<dc:title>vorlage</dc:title>") || core.contains("<dc:title></dc:title>") ||
            core.contains("<dc:title/>"));
    QVERIFY(core.contains("<dc:subject>Brenvolutaris</dc:subject>"));

    const QByteArray sheet1 = *after.read(QStringLiteral("xl/worksheets/sheet1.xml"), nullptr);
    QVERIFY(sheet1.contains("<dimension ref=\"A1:Z40\"/>"));
    QVERIFY(sheet1.contains("<pageMargins left=\"0.7\""));
    QVERIFY(sheet1.contains(
        "<c r=\"A2\" s=\"1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">Nr.</t></is></c>"));
    QVERIFY(!sheet1.contains("<f>"));

    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(path, content));
    QCOMPARE(int(content.sheets.size()), 7);
    QCOMPARE(content.sheets[0].name, QStringLiteral("Blatt 1")); // not renamed
    // No captions are written into row 1; what lies beyond the block stays.
    const SheetContent& s1 = content.sheets[0];
    QCOMPARE(QStringList({s1.text(1, 1), s1.text(2, 1), s1.text(3, 2), s1.text(40, 1), s1.text(40, 26)}),
             QStringList({"Kopf", "Nr.", "FF Dorf 1", "Fußnote", "5"}));
    const SheetContent& s7 = content.sheets[6];
    QCOMPARE(QStringList({s7.text(1, 1), s7.text(2, 1), s7.text(4, 3), s7.text(17, 12)}),
             QStringList({"Turnierbaum", "3", "FF Achtelfinale 1", "FF Gesamt 1"}));

    // The fills are new styles: C4 kept its number format (style 1) and got green.
    const QByteArray styles = *after.read(QStringLiteral("xl/styles.xml"), nullptr);
    QVERIFY(styles.contains("<fgColor rgb=\"FF008000\"/>"));
    QVERIFY(styles.contains("<fgColor rgb=\"FFFFCC33\"/>"));
    QVERIFY(styles.contains("<fills count=\"7\">"));
    const QByteArray sheet7 = *after.read(QStringLiteral("xl/worksheets/sheet7.xml"), nullptr);
    QVERIFY(sheet7.contains("<drawing r:id=\"rId1\"/>"));
    const qsizetype c4 = sheet7.indexOf("<c r=\"C4\" s=\"");
    QVERIFY(c4 > 0);
    const int style = sheet7.mid(c4 + 13, 3).split('"').first().toInt();
    QVERIFY(style >= 2);
    const QList<QByteArray> xfs = styles.mid(styles.indexOf("<cellXfs")).split('>');
    const auto styleXf =
        std::find_if(xfs.begin(), xfs.end(), [&, seen = -1](const QByteArray& piece) mutable {
            return piece.startsWith("<xf ") && ++seen == style;
        });
    QVERIFY(styleXf != xfs.end());
    QVERIFY2(styleXf->contains("numFmtId=\"2\"") && styleXf->contains("applyFill=\"1\""),
             styleXf->constData());
    QVERIFY(styles.indexOf("<alignment horizontal=\"center\"/>") !=
            styles.lastIndexOf("<alignment horizontal=\"center\"/>"));
}

void TestWorkbookFiles::patchWithoutSeventhSheet()
{
    const QString path = m_dir.filePath(QStringLiteral("six.xlsx"));
    QVERIFY(writeFile(path, makeZip(workbookParts(6))));
    Competition c;
    test::fillCompetition(c, 3);
    std::vector<ProtocolSheet> sheets;
    for (CompetitionRound round : kAllRounds)
        sheets.push_back(protocolSheet(c, round));
    XlsxPatcher patcher;
    QVERIFY(patcher.patchFile(path, sheets, bracketCells(c), ProtocolFiles(c).documentProperties()));
    QVERIFY(!patcher.bracketWritten());
    Competition d;
    QVERIFY(ProtocolFiles(d).loadFromWorkbook(path));
    QCOMPARE(d.grid(CompetitionRound::Finale).cell(KnockoutColumn::Mannschaft, 4),
             QStringLiteral("FF Finale 4"));
}

void TestWorkbookFiles::patchRefusesTooFewSheets()
{
    const QString path = m_dir.filePath(QStringLiteral("three.xlsx"));
    const QByteArray original = makeZip(workbookParts(3));
    QVERIFY(writeFile(path, original));
    Competition c;
    test::fillCompetition(c, 3);
    ProtocolFiles files(c);
    const ProtocolResult result = files.saveCommand(1, path);
    QVERIFY(!result.ok);
    QVERIFY(result.message.startsWith(ProtocolFiles::kWriteErrorText + QDir::toNativeSeparators(path)));
    QVERIFY(result.message.contains(QStringLiteral("nur 3 Tabellenblätter")));
    QCOMPARE(readFile(path), original);
}

// A part of a hand-made six-sheet workbook after a protocol of three teams was saved into it.
QByteArray TestWorkbookFiles::savedPart(const std::map<int, QByteArray>& sheets, const QString& part)
{
    const QString path = m_dir.filePath(QStringLiteral("%1.xlsx").arg(QTest::currentTestFunction()));
    if (!writeFile(path, makeZip(workbookParts(6, sheets))))
        return {};
    Competition c;
    test::fillCompetition(c, 3);
    ProtocolFiles files(c);
    if (!files.saveToWorkbook(path) || !files.saveToWorkbook(path)) // the second time over its own result
        return {};
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    ZipArchive zip;
    if (!reader.read(path, content) ||
        content.sheets.at(2).text(9, 3) != QStringLiteral("FF Viertelfinale 8") ||
        !zip.open(readFile(path), nullptr))
        return {};
    return zip.read(part, nullptr).value_or(QByteArray());
}

void TestWorkbookFiles::patchKeepsRowAndColumnStyles()
{
    // New cells in a formatted column take its style; a formatted row's style wins.
    const QByteArray sheet2 = savedPart(
        {{2, sheetXml("<row r=\"3\" s=\"1\" customFormat=\"1\"/>",
                      "<cols><col min=\"2\" max=\"2\" width=\"30\" style=\"1\" customWidth=\"1\"/></cols>")}},
        QStringLiteral("xl/worksheets/sheet2.xml"));
    QVERIFY(sheet2.contains("<col min=\"2\" max=\"2\" width=\"30\" style=\"1\" customWidth=\"1\"/>"));
    QVERIFY(sheet2.contains("<c r=\"B1\" s=\"1\" t=\"inlineStr\">"));
    QVERIFY(sheet2.contains("<c r=\"A1\" t=\"inlineStr\">"));
    QVERIFY(sheet2.contains("<c r=\"A3\" s=\"1\"><v>2</v></c>"));
    QVERIFY(sheet2.contains("<row r=\"3\" s=\"1\" customFormat=\"1\">"));
}

void TestWorkbookFiles::patchGivesEveryCellItsReference()
{
    // Rows and cells may go without references; once rows are inserted before them, their
    // place must be written out. An empty reference counts as none.
    const QByteArray sheet3 = savedPart(
        {{3,
          sheetXml("<row r=\"1\"><c><v>1</v></c><c r=\"\"><v>2</v></c></row>"
                   "<row r=\"20\"><c><v>3</v></c><c r=\"\"><v>4</v></c></row><row><c><v>5</v></c></row>")}},
        QStringLiteral("xl/worksheets/sheet3.xml"));
    QVERIFY(sheet3.contains("<row r=\"20\"><c r=\"A20\"><v>3</v></c><c r=\"B20\"><v>4</v></c></row>"));
    QVERIFY(sheet3.contains("<row r=\"21\"><c r=\"A21\"><v>5</v></c></row>"));
}

void TestWorkbookFiles::patchAddsMissingCoreProperties()
{
    // Saved a second time, the properties part is found and rewritten, not added again.
    const QByteArray rels = savedPart({}, QStringLiteral("_rels/.rels"));
    QCOMPARE(rels.count("docProps/core.xml"), 1);
    QCOMPARE(rels.count("core-properties"), 1);
    const QByteArray core = savedPart({}, QStringLiteral("docProps/core.xml"));
    QCOMPARE(core.count("<dc:creator>Tempvalorhub Software</dc:creator>"), 1);
}

void TestWorkbookFiles::patchWidensTheDimension()
{
    // The used range covers the old one and the written block.
    const QString path = m_dir.filePath(QStringLiteral("dimension.xlsx"));
    QVERIFY(writeFile(path, makeZip(workbookParts(6, {{2, sheetXml("", "<dimension ref=\"B1\"/>")},
                                                      {3, sheetXml("", "<dimension ref=\"A1:A30\"/>")}}))));
    Competition c;
    c.grid(CompetitionRound::Achtelfinale).setRowCount(1);
    c.grid(CompetitionRound::Viertelfinale).setRowCount(1);
    QVERIFY(ProtocolFiles(c).saveToWorkbook(path));
    ZipArchive zip;
    QVERIFY(zip.open(readFile(path), nullptr));
    QVERIFY(zip.read(QStringLiteral("xl/worksheets/sheet2.xml"), nullptr)
                ->contains("<dimension ref=\"A1:H2\"/>"));
    QVERIFY(zip.read(QStringLiteral("xl/worksheets/sheet3.xml"), nullptr)
                ->contains("<dimension ref=\"A1:H30\"/>"));
}

void TestWorkbookFiles::saveReplacesNonWorkbook()
{
    const QString path = m_dir.filePath(QStringLiteral("notes.xlsx"));
    QVERIFY(writeFile(path, "just text"));
    Competition c;
    test::fillCompetition(c, 3);
    QVERIFY(ProtocolFiles(c).saveToWorkbook(path));
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(path, content));
    QCOMPARE(int(content.sheets.size()), 6);
    QVERIFY(QFileInfo(path).permission(QFileDevice::ReadOwner));
}

void TestWorkbookFiles::saveFailure_data()
{
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<bool>("writersSet");
    QTest::newRow("workbook") << 1 << false;
    QTest::newRow("document writer") << 2 << true;
    QTest::newRow("web page writer") << 3 << true;
    QTest::newRow("document without writer falls back to text") << 2 << false;
    QTest::newRow("text") << 4 << false;
}

void TestWorkbookFiles::saveFailure()
{
    QFETCH(int, filterIndex);
    QFETCH(bool, writersSet);
    const QString path = m_dir.filePath(QStringLiteral("no such folder/protokoll.xlsx"));
    Competition c;
    test::fillCompetition(c, 3);
    ProtocolFiles files(c);
    if (writersSet) {
        const ProtocolWriter failing = [](const QString&, QString* error) {
            *error = QStringLiteral("kaputt");
            return false;
        };
        files.setDocumentWriter(failing);
        files.setWebPageWriter(failing);
    }
    const ProtocolResult result = files.saveCommand(filterIndex, path);
    QVERIFY(!result.ok);
    QVERIFY2(result.message.startsWith(QStringLiteral("Der Schreibfehler der Datei: ") +
                                       QDir::toNativeSeparators(path)),
             qPrintable(result.message));
    QVERIFY(!QFileInfo::exists(path));
}

void TestWorkbookFiles::autosave()
{
    QTemporaryDir dir;
    Competition c;
    test::fillCompetition(c, 2);
    ProtocolFiles files(c);
    QSignalSpy warnings(&files, &ProtocolFiles::warning);
    files.setProgramPath(dir.filePath(QStringLiteral("Brenvolutaris.exe")));
    QVERIFY(files.autosaveAfterHeat());
    QCOMPARE(files.autosavePath(), dir.filePath(QStringLiteral("Brenvolutaris.txt")));
    QVERIFY(readFile(files.autosavePath()).startsWith("Nr.\tMannschaft\t"));
    QCOMPARE(warnings.size(), 0);

    // A failure is a warning for the status bar.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("prog.txt"))); // a folder in the copy's place
    files.setProgramPath(dir.filePath(QStringLiteral("prog")));
    QVERIFY(!files.autosaveAfterHeat());
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.at(0).at(0).toString(),
             ProtocolFiles::kWriteErrorText +
                 QDir::toNativeSeparators(dir.filePath(QStringLiteral("prog.txt"))));
}

void TestWorkbookFiles::showInSpreadsheet()
{
    Competition c;
    test::fillCompetition(c, 3);
    ProtocolFiles files(c);
    RecordingOpener opener;
    files.setFileOpener(&opener);
    const ProtocolResult shown = files.showInSpreadsheet();
    QVERIFY2(shown.ok, qPrintable(shown.message));
    QCOMPARE(opener.opened, QStringList{shown.path});
    QVERIFY(shown.path.endsWith(QStringLiteral("/Protokoll.xlsx")));
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(shown.path, content));
    QCOMPARE(content.sheets[0].text(3, 2), QStringLiteral("FF Dorf 1"));
    QVERIFY(QDir(QFileInfo(shown.path).absolutePath()).removeRecursively());

    opener.answer = false;
    const ProtocolResult refused = files.showInSpreadsheet();
    QVERIFY(!refused.ok);
    QVERIFY(!refused.message.isEmpty());
    QDir(QFileInfo(refused.path).absolutePath()).removeRecursively();
}

void TestWorkbookFiles::exampleCompetition()
{
    // The shipped example loads with the class column shown and takes a whole protocol,
    // bracket included.
    const QString example = QStringLiteral(BRV_EXAMPLES_DIR "/Beispiel-Wettkampf.xlsx");
    const QString path = m_dir.filePath(QStringLiteral("Beispiel-Wettkampf.xlsx"));
    QFile::remove(path);
    QVERIFY(QFile::copy(example, path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Competition c;
    CompetitionOptions options;
    options.classColumnShown = true;
    c.setOptions(options);
    ProtocolFiles files(c);
    const ProtocolResult loaded = files.loadCommand(path);
    QVERIFY2(loaded.ok, qPrintable(loaded.message));
    const ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.rowCount(), 21);
    QCOMPARE(g.cell(VorrundeColumn::Nr, 20), QStringLiteral("20"));
    QCOMPARE(g.cell(VorrundeColumn::Mannschaft, 1), QStringLiteral("FF Altbrunnen"));
    QCOMPARE(g.cell(VorrundeColumn::Klasse, 3), QStringLiteral("Frauen"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 1), QString());
    QCOMPARE(files.protocolName(), QStringLiteral("Beispiel-Wettkampf"));

    test::fillCompetition(c, 20);
    QVERIFY(files.saveCommand(1, path).ok);
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(path, content));
    QCOMPARE(content.sheets.at(6).name, QStringLiteral("Turnierbaum"));
    QCOMPARE(content.sheets.at(6).text(17, 12), QStringLiteral("FF Gesamt 1"));
    QCOMPARE(content.sheets.at(6).text(15, 12), QStringLiteral("Sieger"));
    QCOMPARE(content.sheets.at(0).text(1, 5), QStringLiteral("Bahn 1"));
}

void TestWorkbookFiles::seventhSheetIsNeverRead()
{
    const QString path = m_dir.filePath(QStringLiteral("seven.xlsx"));
    QVERIFY(writeFile(path,
                      makeZip(workbookParts(7, {{1, sheetXml("<row r=\"2\"><c r=\"A2\"><v>1</v></c></row>")},
                                                {7, "<worksheet><sheetData><row><c"}}))));
    Competition c;
    const ProtocolResult result = ProtocolFiles(c).loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Nr, 0), QStringLiteral("1"));
    QCOMPARE(c.tables().pageCaption(CompetitionRound::GesamtErgebnis), QStringLiteral("Blatt 6"));
}

QTEST_GUILESS_MAIN(TestWorkbookFiles)
#include "tst_protocol_files.moc"
