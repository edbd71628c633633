#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/AtomicFile.h"
#include "protocol/FileTypes.h"
#include "protocol/TextProtocol.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brv;

namespace {
const FileTypeNameList kNames{QStringLiteral("Textdatei"), QStringLiteral("Webseite"),
                              QStringLiteral("MS Word"), QStringLiteral("MS Excel")};
}

class TestTextProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rows_data();
    void rows();
    void writesIntoDevice();
    void failedWriteKeepsPreviousFile();
    void autosavePath_data();
    void autosavePath();
    void filterIndexMapping();
    void saveFiltersOfferOnlyExistingWriters_data();
    void saveFiltersOfferOnlyExistingWriters();
    void initialFilter_data();
    void initialFilter();
};

void TestTextProtocol::rows_data()
{
    QTest::addColumn<QStringList>("row1");
    QTest::addColumn<QByteArray>("expectedRow1");

    QStringList full;
    for (int c = 0; c < 9; ++c)
        full << QString::number(c);
    QTest::newRow("every cell followed by a tab") << full << QByteArray("0\t1\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QStringList gaps{QStringLiteral("1"), QString(), QStringLiteral("x y"),
                     QString(),           QString(), QString(),
                     QString(),           QString(), QString()};
    QTest::newRow("empty cells become one blank") << gaps << QByteArray("1\t \tx y\t \t \t \t \t \t \t\r\n");
    QStringList noFirst = full;
    noFirst[0] = QString();
    QTest::newRow("row with empty first cell is left out") << noFirst << QByteArray();
    QStringList blankFirst = full;
    blankFirst[0] = QStringLiteral(" ");
    QTest::newRow("a blank first cell is not empty")
        << blankFirst << QByteArray(" \t1\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QStringList tabs = full;
    tabs[1] = QStringLiteral("a\tb");
    QTest::newRow("no quoting or escaping") << tabs << QByteArray("0\ta\tb\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QStringList umlauts = full;
    umlauts[1] = QStringLiteral("FF Großmölln");
    QTest::newRow("one byte per umlaut, no byte order mark")
        << umlauts << QByteArray("0\tFF Gro\xDFm\xF6lln\t2\t3\t4\t5\t6\t7\t8\t\r\n");
}

void TestTextProtocol::rows()
{
    QFETCH(QStringList, row1);
    QFETCH(QByteArray, expectedRow1);
    ResultGrid grid(TableId::Achtelfinale, kKnockoutColumnCount, 3);
    grid.setRowCells(0, {QStringLiteral("Pl."), QStringLiteral("Nr."), QStringLiteral("Mannschaft"),
                         QStringLiteral("Klasse"), QStringLiteral("Vorrunde"), QStringLiteral("Zeit"),
                         QStringLiteral("Fehler"), QStringLiteral("Gesamt"), QStringLiteral("Pl.")});
    grid.setRowCells(1, row1);
    const QByteArray caption("Pl.\tNr.\tMannschaft\tKlasse\tVorrunde\tZeit\tFehler\tGesamt\tPl.\t\r\n");
    TextProtocolWriter writer(QStringConverter::Latin1);
    QCOMPARE(writer.toBytes(grid), caption + expectedRow1);
}

void TestTextProtocol::writesIntoDevice()
{
    Competition competition;
    test::fillCompetition(competition, 3);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TextProtocolWriter writer(QStringConverter::Utf8);
    QVERIFY(writer.write(competition.currentGrid(), &buffer));
    const QList<QByteArray> lines = buffer.data().split('\n');
    QCOMPARE(lines.size(), 5); // caption, three teams, nothing after the last CR LF
    QVERIFY(lines.at(1).startsWith("1\tFF Dorf 1\tA\t21,10\t0\t"));
    QVERIFY(lines.at(3).endsWith("\t\r"));
    QVERIFY(lines.last().isEmpty());

    QBuffer closed;
    QVERIFY(!writer.write(competition.currentGrid(), &closed));
    QVERIFY(!writer.errorString().isEmpty());
}

void TestTextProtocol::failedWriteKeepsPreviousFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.txt"));
    QVERIFY(writeFileAtomically(path, "old", nullptr));
    // A folder in the way of the staging file: the write fails, the old file stays.
    QFile::remove(path);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("keep.txt")));
    QString error;
    QVERIFY(!writeFileAtomically(path, "new", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(path).isDir());

    const QString file = dir.filePath(QStringLiteral("other.txt"));
    QVERIFY(writeFileAtomically(file, "old", nullptr));
    StagingFile staging(file);
    QVERIFY(!staging.path().isEmpty());
    // The staging file is abandoned: the target keeps its content and nothing is left behind.
    {
        StagingFile abandoned(file);
        QFile f(abandoned.path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("half");
    }
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // other.txt + `staging`
}

void TestTextProtocol::autosavePath_data()
{
    QTest::addColumn<QString>("program"); // inside a temporary folder
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("ownCopyExists");
    QTest::addColumn<bool>("ownCopyWritable");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<bool>("inProgramFolder");

    const QString plain = QStringLiteral("brenvolutaris");
    const QString text = QStringLiteral("brenvolutaris.txt");
    QTest::newRow("extension replaced") << QStringLiteral("Brenvolutaris.exe") << true << false << false
                                        << QStringLiteral("Brenvolutaris.txt") << true;
    QTest::newRow("no extension") << plain << true << false << false << text << true;
    QTest::newRow("only the last extension")
        << QStringLiteral("brv.1.8.exe") << true << false << false << QStringLiteral("brv.1.8.txt") << true;
    QTest::newRow("installed program folder") << plain << false << false << false << text << false;
    QTest::newRow("existing copy writable") << plain << true << true << true << text << true;
    QTest::newRow("existing copy not writable") << plain << true << true << false << text << false;
}

void TestTextProtocol::autosavePath()
{
    QFETCH(QString, program);
    QFETCH(bool, folderWritable);
    QFETCH(bool, ownCopyExists);
    QFETCH(bool, ownCopyWritable);
    QFETCH(QString, expectedName);
    QFETCH(bool, inProgramFolder);

    QTemporaryDir dir;
    const QString programPath = dir.filePath(program);
    if (ownCopyExists)
        QVERIFY(writeFileAtomically(dir.filePath(expectedName), "alt", nullptr));
    // The answers of the file system are stood in for: tests run with rights that ignore modes.
    const QString path = autosavePathFor(programPath, [&](const QString& p) {
        return QFileInfo(p).isDir() ? folderWritable : ownCopyWritable;
    });
    QCOMPARE(QFileInfo(path).fileName(), expectedName);
    if (inProgramFolder) {
        QCOMPARE(path, dir.filePath(expectedName));
    } else {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(path, data + QStringLiteral("/Tempvalorhub/") + expectedName);
        QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
    }
}

void TestTextProtocol::filterIndexMapping()
{
    // Filter 1 to 4 of the save dialog; anything else is text.
    const QList<ProtocolFileType> types{ProtocolFileType::Text,     ProtocolFileType::Text,
                                        ProtocolFileType::Workbook, ProtocolFileType::Document,
                                        ProtocolFileType::WebPage,  ProtocolFileType::Text};
    for (int index = -1; index <= 4; ++index)
        QCOMPARE(fileTypeForFilterIndex(index), types.at(index + 1));
}

void TestTextProtocol::saveFiltersOfferOnlyExistingWriters_data()
{
    QTest::addColumn<bool>("document");
    QTest::addColumn<bool>("webPage");
    QTest::addColumn<QList<int>>("indexes");
    QTest::newRow("workbook and text only") << false << false << QList<int>{1, 4};
    QTest::newRow("with document") << true << false << QList<int>{1, 2, 4};
    QTest::newRow("with web page") << false << true << QList<int>{1, 3, 4};
    QTest::newRow("all") << true << true << QList<int>{1, 2, 3, 4};
}

void TestTextProtocol::saveFiltersOfferOnlyExistingWriters()
{
    QFETCH(bool, document);
    QFETCH(bool, webPage);
    QFETCH(QList<int>, indexes);
    const std::vector<SaveFilterEntry> entries = saveFilters(kNames, {document, webPage});
    QList<int> got;
    for (const SaveFilterEntry& e : entries) {
        got << e.filterIndex;
        QCOMPARE(filterIndexOf(entries, e.filter), e.filterIndex);
    }
    QCOMPARE(got, indexes);
    QCOMPARE(entries.front().filter, QStringLiteral("MS Excel (*.xlsx)"));
    QCOMPARE(loadFilter(kNames), QStringLiteral("MS Excel (*.xlsx *.xls)"));
    QCOMPARE(filterIndexOf(entries, QStringLiteral("Alle Dateien (*)")), 4);
}

void TestTextProtocol::initialFilter_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("workbook kept") << 1 << 1;
    QTest::newRow("document not offered falls back to workbook") << 2 << 1;
    QTest::newRow("text kept") << 4 << 4;
    QTest::newRow("nonsense falls back to workbook") << 77 << 1;
}

void TestTextProtocol::initialFilter()
{
    QFETCH(int, stored);
    QFETCH(int, expected);
    const std::vector<SaveFilterEntry> entries = saveFilters(kNames, {});
    QCOMPARE(initialSaveFilter(entries, stored).filterIndex, expected);
}

QTEST_GUILESS_MAIN(TestTextProtocol)
#include "tst_protocol_text.moc"
