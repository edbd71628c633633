#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/AtomicFile.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxNewWorkbook.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace brv;

Q_DECLARE_METATYPE(brv::CompetitionOptions)

// Saving and loading a whole protocol through the commands of the main window.
class TestWorkbookRoundTrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void hiddenColumnsKeepTheirContent();
    void sheetNamesBecomeCaptions();
    void afterLoadSteps();
    void workbookWithFewerSheets();
    void cellOutsideTheSheetFailsTheWorkbook();
    void writtenSheets();

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
    QTest::newRow("class column saved, hidden when loading")
        << test::options(true, false, 0) << test::options(false, false, 0) << false;
    QTest::newRow("class column hidden when saved, shown when loading")
        << test::options(false, false, 0) << test::options(true, false, 0) << false;
    QTest::newRow("three lanes saved, two when loading")
        << test::options(true, true, 0) << test::options(true, false, 0) << false;
    QTest::newRow("Viertelfinale start saved, Achtelfinale when loading")
        << test::options(false, false, 1) << test::options(false, false, 0) << false;
    QTest::newRow("everything different")
        << test::options(true, true, 0) << test::options(false, false, 1) << true;
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
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Nr, 7, QString()); // no start number
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 7, QString());
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
    const ProtocolResult result = loader.loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));

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

void TestWorkbookRoundTrip::hiddenColumnsKeepTheirContent()
{
    const QString path = m_dir.filePath(QStringLiteral("hidden.xlsx"));
    Competition source;
    source.setOptions(test::options(false, false, 0));
    test::fillCompetition(source, 4);
    ProtocolFiles(source).saveToWorkbook(path);

    Competition target;
    target.setOptions(test::options(false, false, 0));
    ResultGrid& g = target.grid(CompetitionRound::Vorrunde);
    g.setRowCount(3);
    g.setCell(VorrundeColumn::Klasse, 1, QStringLiteral("alt"));
    g.setCell(VorrundeColumn::Lane3Zeit, 2, QStringLiteral("alt 3"));
    ProtocolFiles loader(target);
    QVERIFY(loader.loadFromWorkbook(path));
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(g.cell(VorrundeColumn::Klasse, 1), QStringLiteral("alt"));
    QCOMPARE(g.cell(VorrundeColumn::Lane3Zeit, 2), QStringLiteral("alt 3"));
    QCOMPARE(g.cell(VorrundeColumn::Klasse, 4), QString()); // a new row has nothing in hidden columns
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("21,10"));
    QCOMPARE(g.cell(VorrundeColumn::RankingValue, 4), QStringLiteral("44,00"));
}

void TestWorkbookRoundTrip::sheetNamesBecomeCaptions()
{
    const QString path = m_dir.filePath(QStringLiteral("names.xlsx"));
    Competition source;
    source.tables().setPageCaption(CompetitionRound::Vorrunde, QStringLiteral("Qualifikation"));
    source.tables().setPageCaption(CompetitionRound::Finale,
                                   QStringLiteral("End:lauf?")); // not allowed in sheet names
    test::fillCompetition(source, 3);
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));

    Competition target;
    QVERIFY(ProtocolFiles(target).loadFromWorkbook(path));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Vorrunde), QStringLiteral("Qualifikation"));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Finale), QStringLiteral("End_lauf_"));
    QCOMPARE(target.tables().roundHeadings().at(1), QStringLiteral("Qualifikation"));
    QCOMPARE(target.tables().roundHeadings().at(5), QStringLiteral("End_lauf_"));
    QCOMPARE(target.tables().roundHeadings().at(6),
             QStringLiteral("Bestes")); // the overall sheet's name goes nowhere else
    QCOMPARE(target.tables().pageCaption(CompetitionRound::GesamtErgebnis),
             QStringLiteral("Gesamt-Ergebnis"));
}

void TestWorkbookRoundTrip::afterLoadSteps()
{
    const QString path = m_dir.filePath(QStringLiteral("after.xlsx"));
    Competition source;
    test::fillCompetition(source, 5);
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 1, QStringLiteral("12,50"));
    source.grid(CompetitionRound::Achtelfinale).setCell(KnockoutColumn::Zeit, 1, QStringLiteral("12,50"));
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));

    CompetitionOptions options;
    options.rankingMode = RankingMode::BestTime;
    options.thirdLaneOn = true;
    Competition target;
    target.setOptions(options);
    target.setCurrentRound(CompetitionRound::Halbfinale);
    ProtocolFiles loader(target);
    QSignalSpy names(&loader, &ProtocolFiles::protocolNameChanged);
    QSignalSpy progress(&loader, &ProtocolFiles::progressStarted);
    QSignalSpy progressEnded(&loader, &ProtocolFiles::progressEnded);
    QSignalSpy pages(&target, &Competition::pageChanged);
    QVERIFY(loader.loadCommand(path).ok);
    QCOMPARE(names.size(), 1);
    QCOMPARE(target.currentRound(), CompetitionRound::Vorrunde); // loading shows the Vorrunde
    QCOMPARE(pages.size(), 1);
    QCOMPARE(target.lanes().selector(1).text(), QStringLiteral("  1 FF Dorf 1"));
    QCOMPARE(loader.protocolName(), QStringLiteral("after"));
    QCOMPARE(loader.documentProperties().title, QStringLiteral("after"));
    QCOMPARE(target.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Lane1Zeit, 1),
             QStringLiteral("12,50"));
    QCOMPARE(target.grid(CompetitionRound::Achtelfinale).cell(KnockoutColumn::Zeit, 1),
             QStringLiteral("12,50"));
    QCOMPARE(target.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             QStringLiteral("Zeit")); // ranking captions
    QCOMPARE(target.tables().laneHeadings().at(4), QStringLiteral("Best"));
    QCOMPARE(target.currentGrid().dataRowCount(), 5);
    QCOMPARE(progress.size(), 1);
    QCOMPARE(progress.at(0).at(0).toString(), QStringLiteral(" Protokoll öffnen..."));
    QCOMPARE(progressEnded.size(), 1);
    for (int lane = 1; lane <= 3; ++lane) {
        QCOMPARE(target.lanes().selector(lane).count(), 5);
        QVERIFY(target.lanes().selector(lane).enabled);
        QCOMPARE(target.lanes().selector(lane).index, lane - 1);
    }
    QVERIFY(target.tableHasData());
}

void TestWorkbookRoundTrip::workbookWithFewerSheets()
{
    // Tables without a sheet keep their content.
    const QString path = m_dir.filePath(QStringLiteral("two.xlsx"));
    Competition source;
    test::fillCompetition(source, 3);
    std::vector<ProtocolSheet> sheets{protocolSheet(source, CompetitionRound::Vorrunde),
                                      protocolSheet(source, CompetitionRound::Achtelfinale)};
    XlsxNewWorkbookWriter writer;
    QVERIFY(writer.write(path, sheets, {}));

    Competition target;
    target.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Mannschaft, 1, QStringLiteral("bleibt"));
    QVERIFY(ProtocolFiles(target).loadFromWorkbook(path));
    QCOMPARE(target.grid(CompetitionRound::Vorrunde).rowCount(), 4);
    QCOMPARE(target.grid(CompetitionRound::Finale).cell(KnockoutColumn::Mannschaft, 1),
             QStringLiteral("bleibt"));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Finale), QStringLiteral("Finale"));
}

void TestWorkbookRoundTrip::cellOutsideTheSheetFailsTheWorkbook()
{
    // A cell right of the last spreadsheet column fails the whole new workbook; the file already
    // there stays as it was.
    const QString path = m_dir.filePath(QStringLiteral("outside.xlsx"));
    QVERIFY(writeFileAtomically(path, "alt", nullptr));
    ProtocolSheet sheet;
    sheet.name = QStringLiteral("Vorrunde");
    sheet.headings.push_back({1, 16385, CellValue::ofText(QStringLiteral("zu weit")), CellFill::None});
    XlsxNewWorkbookWriter writer;
    QVERIFY(!writer.write(path, {sheet}, {}));
    QVERIFY(!writer.errorString().isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("alt"));
}

void TestWorkbookRoundTrip::writtenSheets()
{
    // What a new workbook holds, read back raw: names, block positions, heading row.
    const QString path = m_dir.filePath(QStringLiteral("raw.xlsx"));
    Competition source;
    source.setOptions(test::options(true, true, 0));
    test::fillCompetition(source, 2);
    ProtocolFiles files(source);
    QVERIFY(files.saveToWorkbook(path));
    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(path, content));
    QCOMPARE(int(content.sheets.size()), 6);
    const std::vector<SheetContent>& s = content.sheets;
    QCOMPARE(QStringList({s[0].name, s[5].name, s[0].text(1, 1), s[0].text(1, 5), s[0].text(1, 13),
                          s[0].text(2, 1), s[0].text(3, 2), s[1].text(1, 1), s[1].text(2, 9),
                          s[5].text(1, 17), s[5].text(2, 1)}),
             QStringList({"Vorrunde", "Gesamt-Ergebnis", "", "Bahn 1", "Beste", "Nr.", "FF Dorf 1", "Pl.",
                          "+", "Bestes", "Platz"}));
}

QTEST_GUILESS_MAIN(TestWorkbookRoundTrip)
#include "tst_protocol_roundtrip.moc"
