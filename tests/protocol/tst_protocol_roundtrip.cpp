#include "ProtocolTestData.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxNewWorkbook.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace brv;

Q_DECLARE_METATYPE(brv::CompetitionOptions)

// Saving and loading a whole protocol through the commands of the main window.
class TestWorkbookRoundTrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savedUnderItsOwnCaptions();
    void roundTrip_data();
    void roundTrip();
    void whatTheFileLeavesOut();
    void afterLoadSteps();
    void cellOutsideTheSheetFailsTheWorkbook();
    void newWorkbookUnderGermanLocale();

private:
    QTemporaryDir m_dir;
};

// A whole protocol saved and loaded again, into a new workbook or over one the program wrote.
// A workbook written with other column settings must not shift its columns: class names must not
// land in "Zeit", lane-3 times not in "Summe".
void TestWorkbookRoundTrip::roundTrip_data()
{
    QTest::addColumn<CompetitionOptions>("saved");
    QTest::addColumn<CompetitionOptions>("loaded");
    QTest::addColumn<bool>("intoExisting");
    for (const bool into : {false, true}) {
        for (int variant = 0; variant < 8; ++variant) {
            const CompetitionOptions o = test::options(variant & 1, variant & 2, variant & 4 ? 1 : 0);
            QTest::addRow("%s class %s, lane 3 %s, knockout start %d", into ? "existing" : "new",
                          variant & 1 ? "on" : "off", variant & 2 ? "on" : "off", variant & 4 ? 1 : 0)
                << o << o << into;
        }
    }
    QTest::newRow("class, lane 3 and Achtelfinale saved; none of them when loading")
        << test::options(true, true, 0) << test::options(false, false, 1) << true;
    QTest::newRow("none of them saved; class, lane 3 and Achtelfinale when loading")
        << test::options(false, false, 1) << test::options(true, true, 0) << false;
}

void TestWorkbookRoundTrip::roundTrip()
{
    QFETCH(CompetitionOptions, saved);
    QFETCH(CompetitionOptions, loaded);
    QFETCH(bool, intoExisting);
    const QString path = m_dir.filePath(QStringLiteral("%1.xlsx").arg(QTest::currentDataTag()));

    Competition source;
    source.setOptions(saved);
    test::fillCompetition(source, 20);
    // A row without start number and team; a decimal point is no number under German settings;
    // a blank is text, not an empty cell.
    source.grid(CompetitionRound::Vorrunde).clearRowCells(7, VorrundeColumn::Nr, VorrundeColumn::Mannschaft);
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Fehler, 2, "12.34");
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Klasse, 3, " ");
    ProtocolFiles files(source);
    if (intoExisting) {
        Competition blank;
        QVERIFY(ProtocolFiles(blank).saveToWorkbook(path));
    }
    QVERIFY2(files.saveCommand(1, path).ok, qPrintable(files.errorString()));

    Competition target;
    target.setOptions(loaded);
    target.writeCaptions();
    ProtocolFiles loader(target);
    QSignalSpy rows(&target.tables(), &ProtocolTables::rowsChanged);
    QSignalSpy whole(&target.tables(), &ProtocolTables::tableChanged);
    const ProtocolResult result = loader.loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    // the tables are filled aside and each is announced once (the journal writes each change)
    QVERIFY(rows.size() + whole.size() <= kRoundCount);

    for (CompetitionRound round : kAllRounds) {
        const ResultGrid& a = source.grid(round);
        const ResultGrid& b = target.grid(round);
        QCOMPARE(b.rowCount(), a.rowCount());
        for (int r = 0; r < a.rowCount(); ++r) {
            for (int col : shownColumns(round, saved)) {
                QString expected = a.cell(col, r);
                // Numbers come back as the spreadsheet shows them; times, results and sums get
                // two decimals again.
                if (const auto n = source.numberFormat().toNumber(expected)) {
                    expected = test::timeColumns(round).contains(col) && r > 0
                                   ? source.numberFormat().fixed2(*n)
                                   : generalNumberText(*n, QLatin1Char(','));
                }
                QCOMPARE(b.cell(col, r), expected);
            }
        }
    }
    QCOMPARE(loader.protocolName(), QFileInfo(path).completeBaseName());
}

// Hidden columns and tables without a sheet keep what they hold; a new row has nothing in the
// hidden columns; a hidden class column that holds classes is saved and loaded all the same.
// Sheet names become page captions and round headings.
void TestWorkbookRoundTrip::whatTheFileLeavesOut()
{
    const QString path = m_dir.filePath(QStringLiteral("hidden.xlsx"));
    Competition source;
    source.setOptions(test::options(false, false, 0));
    source.tables().setPageCaption(CompetitionRound::Vorrunde, QStringLiteral("Qualifikation"));
    source.tables().setPageCaption(CompetitionRound::Achtelfinale,
                                   QStringLiteral("End:lauf?")); // not in sheet names
    test::fillCompetition(source, 4);
    XlsxNewWorkbookWriter writer;
    QVERIFY(writer.write(path,
                         {protocolSheet(source, CompetitionRound::Vorrunde),
                          protocolSheet(source, CompetitionRound::Achtelfinale)},
                         {}));

    Competition target;
    target.setOptions(test::options(false, false, 0));
    ResultGrid& g = target.grid(CompetitionRound::Vorrunde);
    g.setRowCount(3);
    g.setCell(VorrundeColumn::Klasse, 1, QStringLiteral("alt"));
    g.setCell(VorrundeColumn::Lane3Zeit, 2, QStringLiteral("alt 3")); // lane 3's runs are in the file
    target.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Mannschaft, 1, QStringLiteral("bleibt"));
    QVERIFY(ProtocolFiles(target).loadFromWorkbook(path));
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(QStringList({g.cell(VorrundeColumn::Klasse, 1), g.cell(VorrundeColumn::Lane3Zeit, 2),
                          g.cell(VorrundeColumn::Klasse, 4), g.cell(VorrundeColumn::Lane1Zeit, 1),
                          g.cell(VorrundeColumn::RankingValue, 4),
                          target.grid(CompetitionRound::Finale).cell(KnockoutColumn::Mannschaft, 1)}),
             QStringList({"A", "19,99", "B", "21,10", "44,00", "bleibt"}));
    QStringList captions;
    for (CompetitionRound round : kAllRounds)
        captions << target.tables().pageCaption(round);
    QCOMPARE(captions.mid(0, 5),
             QStringList({"Qualifikation", "End_lauf_", "Viertelfinale", "Halbfinale", "Finale"}));
    QCOMPARE(target.tables().roundHeadings().mid(1, 3), captions.mid(0, 3));
}

// Loading shows the Vorrunde, its teams on the lanes and the current captions; the status bar hears.
void TestWorkbookRoundTrip::afterLoadSteps()
{
    const QString path = m_dir.filePath(QStringLiteral("after.xlsx"));
    Competition source;
    test::fillCompetition(source, 5);
    test::clearLane3(source);
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));

    Competition target;
    target.setOptions({.rankingMode = RankingMode::BestTime, .thirdLaneOn = true});
    target.setCurrentRound(CompetitionRound::Halbfinale);
    ProtocolFiles loader(target);
    QSignalSpy names(&loader, &ProtocolFiles::protocolNameChanged);
    QSignalSpy pages(&target, &Competition::pageChanged);
    QVERIFY(loader.loadCommand(path).ok);
    QVERIFY(names.size() == 1 && pages.size() == 1 && target.currentRound() == CompetitionRound::Vorrunde);
    // every team has run lanes 1 and 2: only lane 3 takes a team
    QVERIFY(target.laneTeam(1).isEmpty() && target.laneTeam(3) == "  1 FF Dorf 1");
    QCOMPARE(loader.documentProperties().title, QStringLiteral("after"));
    QCOMPARE(target.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             QStringLiteral("Zeit")); // ranking captions
    QCOMPARE(target.tables().laneHeadings().at(4), QStringLiteral("Best"));
    QCOMPARE(target.lanes().selector(3).count, 5);
}

// A cell right of the last spreadsheet column fails the whole new workbook; the file already
// there stays as it was.
void TestWorkbookRoundTrip::cellOutsideTheSheetFailsTheWorkbook()
{
    const QString path = m_dir.filePath(QStringLiteral("outside.xlsx"));
    QVERIFY(test::writeFile(path, "alt"));
    ProtocolSheet sheet;
    sheet.headings.push_back({1, 16385, CellValue::ofText(QStringLiteral("zu weit")), CellFill::None});
    XlsxNewWorkbookWriter writer;
    QVERIFY(!writer.write(path, {sheet}, {}) && !writer.errorString().isEmpty());
    QCOMPARE(test::readFile(path), QByteArray("alt"));
}

// A new workbook read back raw: names, block positions, heading row, styles, texts cut to the
// 32 767 characters a cell holds. Numbers, widths and margins carry a decimal point even where the
// C library writes a decimal comma.
void TestWorkbookRoundTrip::newWorkbookUnderGermanLocale()
{
    const QByteArray previous = std::setlocale(LC_ALL, nullptr);
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "the German locale is missing (scripts/install-deps.sh)");
    const QString path = m_dir.filePath(QStringLiteral("raw.xlsx"));
    Competition source;
    source.setOptions(test::options(true, false, 0));
    test::fillCompetition(source, 2);
    test::clearLane3(source);
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 1, QStringLiteral("6,74"));
    source.grid(CompetitionRound::Achtelfinale).setCell(KnockoutColumn::Mannschaft, 1, QString(100000, 'x'));
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));
    std::setlocale(LC_ALL, previous.constData());
    // Headings bold with medium borders (style 2), the block thin (style 3), its times with their
    // hundredths (style 4), and nothing right of the table's last column.
    const QByteArray sheet1 = test::zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    const QByteArray styles = test::zipEntry(path, QStringLiteral("xl/styles.xml"));
    for (const char* text : {"<c r=\"D3\" s=\"4\"><v>6.74</v>", "<c r=\"A3\" s=\"3\"><v>",
                             "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\"", "width=\"12.7109375\"",
                             "<c r=\"E1\" s=\"2\" t=\"s\">", "<dimension ref=\"A1:K4\"/>"})
        QVERIFY2(sheet1.contains(text), sheet1.constData());
    QVERIFY2(
        styles.contains("<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"1\" xfId=\"0\" "
                        "applyFont=\"1\" applyBorder=\"1\"/><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
                        "borderId=\"2\"") &&
            styles.contains("<font><b/>") &&
            styles.contains("<numFmt numFmtId=\"164\" formatCode=\"0.00\"/>") &&
            styles.contains("<border><left style=\"medium\">") &&
            styles.indexOf("<left style=\"medium\">") < styles.indexOf("<left style=\"thin\">"),
        styles.constData());

    QVERIFY(test::zipEntry(path, QStringLiteral("xl/sharedStrings.xml"))
                .contains(QByteArray(">" + QByteArray(32767, 'x') + "<")));
    QVERIFY(test::zipEntry(path, QStringLiteral("xl/workbook.xml"))
                .contains(
                    "<sheet name=\"Vorrunde\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Achtelfinale\" "
                    "sheetId=\"2\" r:id=\"rId2\"/><sheet name=\"Viertelfinale\" sheetId=\"3\" "
                    "r:id=\"rId3\"/><sheet "
                    "name=\"Halbfinale\" sheetId=\"4\" r:id=\"rId4\"/><sheet name=\"Finale\" sheetId=\"5\" "
                    "r:id=\"rId5\"/><sheet name=\"Gesamt-Ergebnis\" sheetId=\"6\" r:id=\"rId6\"/></sheets>"));
}

// A save into a workbook whose sheets have the class column, from a competition that hides it
// and holds no class: each value lands under its own caption, and the captions stay where they are.
void TestWorkbookRoundTrip::savedUnderItsOwnCaptions()
{
    const QString path = m_dir.filePath(QStringLiteral("other-layout.xlsx"));
    Competition source;
    source.setOptions(test::options(true, false, 0));
    test::fillCompetition(source, 3);
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));
    Competition target;
    target.setOptions(test::options(false, false, 0));
    QVERIFY(ProtocolFiles(target).loadFromWorkbook(path));
    ResultGrid& v = target.grid(CompetitionRound::Vorrunde);
    for (int r = 1; r < v.rowCount(); ++r)
        v.setCell(VorrundeColumn::Klasse, r, QString());
    v.setCell(VorrundeColumn::Lane1Zeit, 1, QStringLiteral("33,33"));
    QVERIFY(ProtocolFiles(target).saveToWorkbook(path));

    WorkbookContent content;
    QVERIFY(WorkbookReader(QLatin1Char(',')).read(path, content));
    // the class and lane 3's runs were saved, though neither is shown
    const std::vector<int> columns = shownColumns(CompetitionRound::Vorrunde, test::options(true, true, 0));
    for (std::size_t j = 0; j < columns.size(); ++j) {
        QCOMPARE(content.sheets[0].text(2, int(j) + 1), v.cell(columns[j], 0));
        if (columns[j] == columnIndex(VorrundeColumn::Lane1Zeit))
            QCOMPARE(content.sheets[0].text(3, int(j) + 1), QStringLiteral("33,33"));
    }
}

QTEST_GUILESS_MAIN(TestWorkbookRoundTrip)
#include "tst_protocol_roundtrip.moc"
