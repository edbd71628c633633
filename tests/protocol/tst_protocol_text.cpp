#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "protocol/FileTypes.h"
#include "protocol/TextProtocol.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brv;

class TestTextProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rows_data()
    {
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<QByteArray>("expectedRow1");
        const QStringList full{"0", "1", "2", "3", "4", "5", "6", "7", "8"};
        auto with = [&](int col, const QString& text) {
            QStringList row = full;
            row[col] = text;
            return row;
        };
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

    void rows()
    {
        QFETCH(QStringList, row1);
        QFETCH(QByteArray, expectedRow1);
        ResultGrid grid(TableId::Achtelfinale, kKnockoutColumnCount, 3);
        grid.setRowCells(
            0, {"Pl.", "Nr.", "Mannschaft", "Klasse", "Vorrunde", "Zeit", "Fehler", "Gesamt", "Pl."});
        grid.setRowCells(1, row1);
        const QByteArray caption("Pl.\tNr.\tMannschaft\tKlasse\tVorrunde\tZeit\tFehler\tGesamt\tPl.\t\r\n");
        QCOMPARE(TextProtocolWriter(QStringConverter::Latin1).toBytes(grid), caption + expectedRow1);
    }

    void autosavePath_data()
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
        QTest::newRow("installed program folder") << plain << false << false << false << text << false;
        QTest::newRow("existing copy writable") << plain << true << true << true << text << true;
        QTest::newRow("existing copy not writable") << plain << true << true << false << text << false;
    }

    void autosavePath()
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

    // The save dialog offers the workbook first and text last, the others only with their writer; a
    // stored choice or a filter that is not offered falls back.
    void saveFilters()
    {
        const FileTypeNameList names{"Textdatei", "Webseite", "MS Word", "MS Excel"};
        const std::vector<SaveFilterEntry> entries = brv::saveFilters(names, {false, true});
        QStringList got;
        for (const SaveFilterEntry& e : entries)
            got << QString::number(filterIndexOf(entries, e.filter)) + e.filter;
        QCOMPARE(got, QStringList({"1MS Excel (*.xlsx)", "3Webseite (*.html)", "4Textdatei (*.txt)"}));
        QStringList all;
        for (const SaveFilterEntry& e : brv::saveFilters(names, {true, true}))
            all << QString::number(e.filterIndex) + e.filter + e.suffix;
        QCOMPARE(all, QStringList({"1MS Excel (*.xlsx)xlsx", "2MS Word (*.docx)docx",
                                   "3Webseite (*.html)html", "4Textdatei (*.txt)txt"}));
        QCOMPARE(initialSaveFilter(entries, 3).filterIndex, 3);
        QCOMPARE(initialSaveFilter(entries, 2).filterIndex, 1);
        QCOMPARE(filterIndexOf(entries, QStringLiteral("Alle Dateien (*)")), 4);
        QCOMPARE(loadFilter(names), QStringLiteral("MS Excel (*.xlsx *.xls)"));
    }
};

QTEST_GUILESS_MAIN(TestTextProtocol)
#include "tst_protocol_text.moc"
