#include "protocol/ProtocolTestData.h"

#include "competition/Competition.h"

#include "exports/Markup.h"
#include "exports/WebPage.h"
#include "exports/WordDocument.h"
#include "protocol/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <numeric>

using namespace brv;

class TestExports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void webPage_data();
    void webPage();
    void escaping_data();
    void escaping();
    void wordDocument_data();
    void wordDocument();
    void documentLayout_data();
    void documentLayout();
};

// Each page against its golden file in tests/exports/golden; BRV_UPDATE_GOLDEN=1 writes them anew.
// A row is its cells from column 0, split at '|'.
void TestExports::webPage_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("classShown");
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<bool>("viertelfinaleStart");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("golden");
    const QStringList vorrunde{"1|FF Adorf|Aktive|31,20|0|31,20|30,05|5|35,05|29,90|0|29,90|61,10|1",
                               "2|FF Bedorf|Jugend|AUS||AUS|33,00|0|33,00|||||2"};
    QTest::newRow("Vorrunde with class column and lane 3")
        << 0 << true << true << false << vorrunde << "vorrunde-klasse-bahn3.html";
    QTest::newRow("Vorrunde, two lanes, blanks, escaping and a non-Latin-1 name")
        << 0 << false << false << false
        << QStringList{vorrunde[0], "2|  FF Leerzeichen|Aktive|   ||||||||||",
                       "3|Müller & Söhne <Jugend>|Aktive|||||||||||", "4|FF \"Łódź\" 😀|Aktive|||||||||||"}
        << "vorrunde-zwei-bahnen.html";
    QTest::newRow("knockout with class column")
        << 1 << true << false << false
        << QStringList{"1|1|FF Adorf|Aktive|61,10|30,00|0|30,00|+", "16|2|FF Bedorf|Jugend|66,00|DIS||DIS|-"}
        << "achtelfinale-klasse.html";
    const QString overall =
        "1|FF Adorf|Aktive|61,10|30,00|0|30,00|29,00|0|29,00|28,50|0|28,50|28,00|0|28,00|28,00";
    QTest::newRow("overall table with the Achtelfinale")
        << 5 << true << false << false << QStringList{overall} << "gesamt-achtelfinale.html";
    QTest::newRow("overall table from the Viertelfinale")
        << 5 << false << false << true << QStringList{overall} << "gesamt-viertelfinale.html";
    QTest::newRow("a table without teams")
        << 3 << false << false << false << QStringList{} << "halbfinale-leer.html";
}

void TestExports::webPage()
{
    QFETCH(int, round);
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(bool, viertelfinaleStart);
    QFETCH(QStringList, rows);
    QFETCH(QString, golden);
    Competition competition;
    competition.setOptions(test::options(classShown, thirdLane, viertelfinaleStart));
    competition.writeCaptions();
    ResultGrid& grid = competition.grid(roundAt(round));
    grid.setRowCount(int(rows.size()) + 1);
    for (int r = 1; r <= rows.size(); ++r)
        grid.setRowCells(r, rows[r - 1].split(QLatin1Char('|')));
    const QByteArray page = brv::webPage(webPageContent(competition, roundAt(round),
                                                        QStringLiteral("Pokal & Preis der Feuerwehren"),
                                                        QStringLiteral("Brenvolutaris")));
    QFile file(QDir(QStringLiteral(BRV_GOLDEN_DIR)).filePath(golden));
    if (qEnvironmentVariableIsSet("BRV_UPDATE_GOLDEN"))
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(page) == page.size());
    else
        QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(page), QString::fromLatin1(file.readAll()));
}

void TestExports::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("xml");
    QTest::newRow("markup characters") << "Müller & Söhne <\"Jugend\">"
                                       << "Müller &amp; Söhne &lt;&quot;Jugend&quot;&gt;"
                                       << "Müller &amp; Söhne &lt;&quot;Jugend&quot;&gt;";
    QTest::newRow("beyond Latin-1, a surrogate pair") << "Łódź 😀€"
                                                      << "&#321;ód&#378; &#128512;&#8364;"
                                                      << "Łódź 😀€";
    // XML 1.0 allows TAB, LF, CR, from the blank to U+FFFD and from U+10000 on
    const QString last = QString(QChar(0xFFFD));
    const QString first = QString::fromUcs4(U"\U00010000", 1);
    QTest::newRow("control characters and the edges of XML")
        << "a\tb\x01\x1F\r\n" + last + QChar(0xFFFE) + first << "a\tb\x01\x1F\r\n&#65533;&#65534;&#65536;"
        << "a\tb\r\n" + last + first;
}

void TestExports::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QFETCH(QString, xml);
    QCOMPARE(markup::html(text), html);
    QCOMPARE(markup::xml(text), xml);
}

// The package is a zip archive whose XML parts all parse; a template keeps its text, and the
// table goes before the body's section properties, however the template's XML is written.
void TestExports::wordDocument_data()
{
    QTest::addColumn<QString>("templateKind");
    QTest::addColumn<int>("tables");
    QTest::newRow("new document") << "" << 1;
    QTest::newRow("from a document") << "docx" << 2;
    QTest::newRow("from a document template") << "dotx" << 2;
    QTest::newRow("from a document with another prefix for Word's namespace") << "prefix" << 2;
    QTest::newRow("from a pretty-printed document with CR LF") << "pretty" << 2;
    QTest::newRow("a comment, an instruction and a character beyond the BMP before the section")
        << "comment" << 2;
    QTest::newRow("from a document with an empty body") << "empty" << 1;
    QTest::newRow("from a narrow Letter page with a gutter: turned") << "letter" << 2;
    QTest::newRow("from a file that is no document") << "kaputt" << 0;
}

void TestExports::wordDocument()
{
    QFETCH(QString, templateKind);
    QFETCH(int, tables);
    ResultGrid grid(TableId::Finale, kKnockoutColumnCount, 3);
    grid.setRowCells(0, {"Pl."});
    grid.setRowCells(1, {"1", "7", "Müller & Söhne <Jugend>", "", "  61,10", "\x01"});
    const DocumentContent content{QStringLiteral("Pokal"), QStringLiteral("Finale"), &grid,
                                  CompetitionRound::Finale};
    QString error;
    QByteArray templateDocument = templateKind == "kaputt" ? QByteArray("PK\x03\x04 kaputt") : QByteArray();
    if (templateKind != "kaputt" && !templateKind.isEmpty()) {
        templateDocument = *brv::wordDocument(content, {}, &error);
        ZipArchive archive;
        QVERIFY(archive.open(templateDocument, &error));
        QByteArray types = *archive.read(QStringLiteral("[Content_Types].xml"), &error);
        if (templateKind == "dotx")
            types.replace("document.main+xml", "template.main+xml");
        QVERIFY(archive.write(QStringLiteral("[Content_Types].xml"), types, &error));
        QByteArray main = *archive.read(QStringLiteral("word/document.xml"), &error);
        if (templateKind == "prefix")
            main.replace("<w:", "<x:")
                .replace("</w:", "</x:")
                .replace(" w:", " x:")
                .replace("xmlns:w=", "xmlns:x=");
        if (templateKind == "pretty")
            main.replace("><", ">\r\n  <");
        if (templateKind == "comment")
            main.replace("<w:sectPr>", "<!-- Ł -->\n<?brv x?><w:p><w:r><w:t>😀</w:t></w:r></w:p> <w:sectPr>");
        if (templateKind == "empty")
            main = main.left(main.indexOf("<w:body>")) + "<w:body/></w:document>";
        if (templateKind == "letter") // 1940 wide upright, 5540 turned
            main.replace("<w:pgSz w:w=\"11906\" w:h=\"16838\"/>",
                         "<w:pgSz w:w=\"12240\" w:code=\"1\" w:h=\"15840\" w:orient=\"portrait\"></w:pgSz>")
                .replace("w:right=\"1134\"", "w:right=\"5000\"")
                .replace("w:left=\"1134\"", "w:left=\"5000\"")
                .replace("w:gutter=\"0\"", "w:gutter=\"300\"");
        QVERIFY(archive.write(QStringLiteral("word/document.xml"), main, &error));
        templateDocument = *archive.finish(&error);
    }
    const std::optional<QByteArray> document = brv::wordDocument(content, templateDocument, &error);
    QCOMPARE(document.has_value(), tables > 0);
    if (!document) {
        QVERIFY2(error.startsWith(QStringLiteral("Die Vorlage ist kein Word-Dokument")), qPrintable(error));
        return;
    }
    ZipArchive archive;
    QVERIFY(archive.open(*document, &error));
    for (const QString& name : archive.names()) {
        QXmlStreamReader reader(*archive.read(name, &error));
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(name + QLatin1Char(' ') + reader.errorString()));
    }
    QVERIFY(archive.read(QStringLiteral("[Content_Types].xml"), &error)->contains("document.main+xml"));
    // the content declares its own prefix where the template's differs
    const QString main = QString::fromUtf8(*archive.read(QStringLiteral("word/document.xml"), &error))
                             .replace(QStringLiteral("x:"), QStringLiteral("w:"));
    // once per table; the caption row, in bold, repeats on every page, no other row does
    for (const char* once :
         {"</w:tbl>", "<w:t xml:space=\"preserve\">Müller &amp; Söhne &lt;Jugend&gt;</w:t>", ">  61,10<",
          "<w:tblHeader/>"})
        QVERIFY2(main.count(QString::fromUtf8(once)) == tables, once);
    QCOMPARE(main.count(QStringLiteral("<w:tc>")), tables * 3 * kKnockoutColumnCount);
    if (templateKind == "letter") {
        QVERIFY(main.contains(
            "<w:pgSz w:w=\"15840\" w:code=\"1\" w:h=\"12240\" w:orient=\"landscape\"></w:pgSz>"));
        static const QRegularExpression width(QStringLiteral("<w:tblW w:w=\"(\\d+)\""));
        const int tableWidth = width.match(main, main.lastIndexOf("<w:tblW")).captured(1).toInt();
        QVERIFY2(tableWidth > 1940 && tableWidth <= 5540, qPrintable(QString::number(tableWidth)));
    }

    QVERIFY(!main.contains(QChar(1)));
    // the section properties stay the body's last element
    static const QRegularExpression sectionLast(
        QStringLiteral("</w:tbl>\\s*<w:sectPr[^>]*>(.(?!</w:p>))*</w:body>"),
        QRegularExpression::DotMatchesEverythingOption);
    QCOMPARE(main.contains(sectionLast), templateKind != "empty");
    QVERIFY(main.contains(QStringLiteral("</w:tbl></w:body>")) == (templateKind == "empty"));
}

// The widest text of each column decides its width, in Arial of the size chosen; a number column
// is never narrower than a text of it. Widths are twentieths of a point; A4 with margins of 2 cm
// leaves 9638 upright and 14570 turned, Letter with margins of 1.25" leaves 8640 and 11640.
void TestExports::documentLayout_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("textWidth");
    QTest::addColumn<int>("turnedWidth");
    QTest::addColumn<int>("halfPoints");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("knockout table, upright at 10 pt")
        << 4 << "FF Moosburg am Bach" << 9638 << 14570 << 20 << false;
    QTest::newRow("Vorrunde, turned at 10 pt") << 0 << "FF Moosburg am Bach" << 9638 << 14570 << 20 << true;
    QTest::newRow("Vorrunde on Letter, turned at 9 pt")
        << 0 << "FF Moosburg am Bach" << 8640 << 11640 << 18 << true;
    QTest::newRow("overall table, turned at 8 pt")
        << 5 << "FF Moosburg am Bach" << 9638 << 14570 << 16 << true;
    QTest::newRow("a page that cannot turn: smaller")
        << 0 << "FF Moosburg am Bach" << 9638 << 0 << 14 << false;
    QTest::newRow("a name of 91 characters wraps, the size stays")
        << 0
        << QString(
               "Freiwillige Feuerwehr Moosburg am Bach, Löschgruppe Obermoosburg-Niederfeld, Jugendwehr II")
        << 9638 << 14570 << 20 << true;
    QTest::newRow("too narrow at 6 pt: the names share the rest")
        << 5 << "FF Moosburg am Bach" << 5000 << 10100 << 12 << true;
}

void TestExports::documentLayout()
{
    QFETCH(int, round);
    QFETCH(QString, name);
    QFETCH(int, textWidth);
    QFETCH(int, turnedWidth);
    QFETCH(int, halfPoints);
    QFETCH(bool, landscape);
    Competition competition;
    competition.writeCaptions();
    ResultGrid& grid = competition.grid(roundAt(round));
    grid.setRowCount(3);
    const int nameColumn = isKnockoutRound(roundAt(round)) ? 2 : 1;
    for (int r = 1; r <= 2; ++r) {
        for (int c = 0; c < grid.columnCount(); ++c)
            grid.setCell(c, r, c == nameColumn ? name : c < nameColumn ? QString::number(r * 18) : "188,88");
    }
    const DocumentTableLayout layout =
        documentTableLayout({"Pokal", "Seite", &grid, roundAt(round)}, textWidth, turnedWidth);
    QCOMPARE(layout.fontHalfPoints, halfPoints);
    QCOMPARE(layout.landscape, landscape);
    const int total = std::accumulate(layout.columnWidths.begin(), layout.columnWidths.end(), 0);
    QVERIFY(total <= (landscape ? turnedWidth : textWidth));
    // at one pixel to the twentieth of a point
    QFont font("Arial");
    font.setPixelSize(halfPoints * 10);
    font.setHintingPreference(QFont::PreferNoHinting);
    QFont bold = font;
    bold.setBold(true);
    for (int c = 0; c < grid.columnCount(); ++c) {
        const double widest = std::max(QFontMetricsF(bold).horizontalAdvance(grid.cell(c, 0)),
                                       QFontMetricsF(font).horizontalAdvance(grid.cell(c, 1)));
        const int width = layout.columnWidths[std::size_t(c)];
        if (c != nameColumn)
            QVERIFY2(width >= widest + 2 * 57, qPrintable(grid.cell(c, 0)));
        double word = 0;
        for (const QString& w : name.split(' '))
            word = std::max(word, QFontMetricsF(font).horizontalAdvance(w));
        if (c == nameColumn && (name.size() > 30 || turnedWidth == 10100))
            QVERIFY(width < widest && width >= word);
    }
}

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
