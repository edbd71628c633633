#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/AtomicFile.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxNewWorkbook.h"

#include <QBuffer>
#include <QDir>
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

// Hidden columns and tables without a sheet keep what they hold; a new row has nothing in the
// hidden columns. Sheet names become page captions and round headings.
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
    g.setCell(VorrundeColumn::Lane3Zeit, 2, QStringLiteral("alt 3"));
    target.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Mannschaft, 1, QStringLiteral("bleibt"));
    QVERIFY(ProtocolFiles(target).loadFromWorkbook(path));
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(QStringList({g.cell(VorrundeColumn::Klasse, 1), g.cell(VorrundeColumn::Lane3Zeit, 2),
                          g.cell(VorrundeColumn::Klasse, 4), g.cell(VorrundeColumn::Lane1Zeit, 1),
                          g.cell(VorrundeColumn::RankingValue, 4)}),
             QStringList({"alt", "alt 3", "", "21,10", "44,00"}));
    QCOMPARE(target.grid(CompetitionRound::Finale).cell(KnockoutColumn::Mannschaft, 1),
             QStringLiteral("bleibt"));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Vorrunde), QStringLiteral("Qualifikation"));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Achtelfinale), QStringLiteral("End_lauf_"));
    QCOMPARE(target.tables().pageCaption(CompetitionRound::Finale), QStringLiteral("Finale"));
    QCOMPARE(target.tables().roundHeadings().mid(1, 3),
             QStringList({"Qualifikation", "End_lauf_", "Viertelfinale"}));
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

// A cell right of the last spreadsheet column fails the whole new workbook; the file already
// there stays as it was, and nothing goes into a device.
void TestWorkbookRoundTrip::cellOutsideTheSheetFailsTheWorkbook()
{
    const QString path = m_dir.filePath(QStringLiteral("outside.xlsx"));
    QVERIFY(writeFileAtomically(path, "alt", nullptr));
    ProtocolSheet sheet;
    sheet.headings.push_back({1, 16385, CellValue::ofText(QStringLiteral("zu weit")), CellFill::None});
    XlsxNewWorkbookWriter writer;
    QVERIFY(!writer.write(path, {sheet}, {}));
    QVERIFY(!writer.errorString().isEmpty());
    QCOMPARE(test::readFile(path), QByteArray("alt"));
    QCOMPARE(
        QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("outside")).size(), 1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(!writer.write(&buffer, {sheet}, {}));
    QVERIFY(buffer.data().isEmpty());
}

// A new workbook read back raw: names, block positions, heading row. Numbers, widths and margins
// carry a decimal point even where the C library writes a decimal comma.
void TestWorkbookRoundTrip::newWorkbookUnderGermanLocale()
{
    const QByteArray previous = std::setlocale(LC_ALL, nullptr);
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "the German locale is missing (scripts/install-deps.sh)");
    const QString path = m_dir.filePath(QStringLiteral("raw.xlsx"));
    Competition source;
    source.setOptions(test::options(true, true, 0));
    test::fillCompetition(source, 2);
    source.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 1, QStringLiteral("6,74"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(XlsxNewWorkbookWriter().write(&buffer, {protocolSheet(source, CompetitionRound::Vorrunde)}, {}));
    QVERIFY(ProtocolFiles(source).saveToWorkbook(path));
    std::setlocale(LC_ALL, previous.constData());
    QVERIFY(buffer.data().startsWith("PK"));
    const QByteArray sheet1 = test::zipPart(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    for (const char* text :
         {"<v>6.74</v>", "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\"", "width=\"12.7109375\""})
        QVERIFY2(sheet1.contains(text), sheet1.constData());
    QCOMPARE(XlsxNewWorkbookWriter::fittedWidth(0, false), 8.43); // the default width
    QCOMPARE(XlsxNewWorkbookWriter::fittedWidth(10, true), 13.0);
    QCOMPARE(XlsxNewWorkbookWriter::fittedWidth(1000, false), 255.0);

    WorkbookReader reader(QLatin1Char(','));
    WorkbookContent content;
    QVERIFY(reader.read(path, content));
    QCOMPARE(int(content.sheets.size()), 6);
    const std::vector<SheetContent>& s = content.sheets;
    QCOMPARE(QStringList({s[0].name, s[5].name, s[0].text(1, 1), s[0].text(1, 5), s[0].text(1, 13),
                          s[0].text(2, 1), s[0].text(3, 2), s[0].text(3, 4), s[1].text(1, 1), s[1].text(2, 9),
                          s[5].text(1, 17), s[5].text(2, 1)}),
             QStringList({"Vorrunde", "Gesamt-Ergebnis", "", "Bahn 1", "Beste", "Nr.", "FF Dorf 1", "6,74",
                          "Pl.", "+", "Bestes", "Platz"}));
}

QTEST_GUILESS_MAIN(TestWorkbookRoundTrip)
#include "tst_protocol_roundtrip.moc"
