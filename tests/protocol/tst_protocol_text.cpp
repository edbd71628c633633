#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/AtomicFile.h"
#include "protocol/FileTypes.h"
#include "protocol/TextProtocol.h"

#include <QBuffer>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brv;

class TestTextProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void rows_data();
    void rows();
    void writesIntoDevice();
    void abandonedStagingFile();
    void autosavePath_data();
    void autosavePath();
    void saveFilters_data();
    void saveFilters();
};

void TestTextProtocol::rows_data()
{
    QTest::addColumn<QStringList>("row1");
    QTest::addColumn<QByteArray>("expectedRow1");
    const QStringList full{"0", "1", "2", "3", "4", "5", "6", "7", "8"};
    auto with = [&](int col, const QString& text) {
        QStringList row = full;
        row[col] = text;
        return row;
    };
    QTest::newRow("every cell followed by a tab") << full << QByteArray("0\t1\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QTest::newRow("empty cells become one blank")
        << QStringList{"1", "", "x y"} << QByteArray("1\t \tx y\t \t \t \t \t \t \t\r\n");
    QTest::newRow("row with empty first cell is left out") << with(0, QString()) << QByteArray();
    QTest::newRow("a blank first cell is not empty")
        << with(0, QStringLiteral(" ")) << QByteArray(" \t1\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QTest::newRow("no quoting or escaping")
        << with(1, QStringLiteral("a\tb")) << QByteArray("0\ta\tb\t2\t3\t4\t5\t6\t7\t8\t\r\n");
    QTest::newRow("one byte per umlaut, no byte order mark")
        << with(1, QStringLiteral("FF Großmölln"))
        << QByteArray("0\tFF Gro\xDFm\xF6lln\t2\t3\t4\t5\t6\t7\t8\t\r\n");
}

void TestTextProtocol::rows()
{
    QFETCH(QStringList, row1);
    QFETCH(QByteArray, expectedRow1);
    ResultGrid grid(TableId::Achtelfinale, kKnockoutColumnCount, 3);
    grid.setRowCells(0,
                     {"Pl.", "Nr.", "Mannschaft", "Klasse", "Vorrunde", "Zeit", "Fehler", "Gesamt", "Pl."});
    grid.setRowCells(1, row1);
    const QByteArray caption("Pl.\tNr.\tMannschaft\tKlasse\tVorrunde\tZeit\tFehler\tGesamt\tPl.\t\r\n");
    QCOMPARE(TextProtocolWriter(QStringConverter::Latin1).toBytes(grid), caption + expectedRow1);
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

    QBuffer closed;
    QVERIFY(!writer.write(competition.currentGrid(), &closed));
    QVERIFY(!writer.errorString().isEmpty());
}

// A staging file that is never committed leaves the target as it was and nothing behind.
void TestTextProtocol::abandonedStagingFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("other.txt"));
    QVERIFY(writeFileAtomically(file, "old", nullptr));
    {
        StagingFile abandoned(file);
        QVERIFY(test::writeFile(abandoned.path(), "half"));
    }
    QCOMPARE(test::readFile(file), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"other.txt"});
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
    if (ownCopyExists)
        QVERIFY(writeFileAtomically(dir.filePath(expectedName), "alt", nullptr));
    // The answers of the file system are stood in for: tests run with rights that ignore modes.
    const QString path = autosavePathFor(dir.filePath(program), [&](const QString& p) {
        return QFileInfo(p).isDir() ? folderWritable : ownCopyWritable;
    });
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QCOMPARE(path, inProgramFolder ? dir.filePath(expectedName) : data + "/Tempvalorhub/" + expectedName);
    QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
}

// The file types of the save dialog: the workbook first, text last, the others only when
// their writer exists; a filter index or stored choice that is not offered falls back.
void TestTextProtocol::saveFilters_data()
{
    QTest::addColumn<bool>("document");
    QTest::addColumn<bool>("webPage");
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("initial");
    QTest::newRow("workbook and text only") << false << false << QList<int>{1, 4} << 2 << 1;
    QTest::newRow("with document") << true << false << QList<int>{1, 2, 4} << 2 << 2;
    QTest::newRow("with web page") << false << true << QList<int>{1, 3, 4} << 4 << 4;
    QTest::newRow("all") << true << true << QList<int>{1, 2, 3, 4} << 77 << 1;
}

void TestTextProtocol::saveFilters()
{
    QFETCH(bool, document);
    QFETCH(bool, webPage);
    QFETCH(QList<int>, indexes);
    QFETCH(int, stored);
    QFETCH(int, initial);
    const FileTypeNameList names{"Textdatei", "Webseite", "MS Word", "MS Excel"};
    const std::vector<SaveFilterEntry> entries = brv::saveFilters(names, {document, webPage});
    QList<int> got;
    for (const SaveFilterEntry& e : entries) {
        got << e.filterIndex;
        QCOMPARE(filterIndexOf(entries, e.filter), e.filterIndex);
        QCOMPARE(int(fileTypeForFilterIndex(e.filterIndex)), int(ProtocolFileType(e.filterIndex)));
    }
    QCOMPARE(got, indexes);
    QCOMPARE(entries.front().filter, QStringLiteral("MS Excel (*.xlsx)"));
    QCOMPARE(entries.back().filter, QStringLiteral("Textdatei (*.txt)"));
    QCOMPARE(loadFilter(names), QStringLiteral("MS Excel (*.xlsx *.xls)"));
    QCOMPARE(filterIndexOf(entries, QStringLiteral("Alle Dateien (*)")), 4);
    QCOMPARE(initialSaveFilter(entries, stored).filterIndex, initial);
    for (int index : {-1, 0, 5})
        QCOMPARE(fileTypeForFilterIndex(index), ProtocolFileType::Text);
}

QTEST_GUILESS_MAIN(TestTextProtocol)
#include "tst_protocol_text.moc"
