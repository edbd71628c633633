#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ZipArchive.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>

using namespace brv;

// The workbook against openpyxl: it reads what the program writes, and the program reads and
// writes into what it writes.
class TestInterop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void openpyxlReadsNewWorkbook_data();
    void openpyxlReadsNewWorkbook();
    void newWorkbookFormatting();
    void programLoadsOpenpyxlWorkbook();
    void saveIntoOpenpyxlWorkbookKeepsDrawing();

private:
    int run(const QStringList& args, QByteArray* out = nullptr);
    QJsonObject dump(const QString& path);
    QJsonObject cell(const QJsonObject& book, int sheet, const QString& ref);
    // One property of a cell as text.
    QString at(const QJsonObject& book, int sheet, const char* ref, const char* key = "value");

    QTemporaryDir m_dir;
    QJsonObject m_written; // openpyxl's view of a new workbook
};

int TestInterop::run(const QStringList& args, QByteArray* out)
{
    QProcess process;
    process.start(QStringLiteral(BRV_PYTHON3),
                  QStringList{QStringLiteral(BRV_INTEROP_SCRIPTS "/interop_openpyxl.py")} + args);
    if (!process.waitForFinished(120000))
        return -1;
    if (out)
        *out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    if (!err.isEmpty())
        qWarning("%s", err.constData());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QJsonObject TestInterop::dump(const QString& path)
{
    QByteArray out;
    if (run({QStringLiteral("dump"), path}, &out) != 0)
        return {};
    return QJsonDocument::fromJson(out).object();
}

QJsonObject TestInterop::cell(const QJsonObject& book, int sheet, const QString& ref)
{
    const QJsonObject s = book.value(QStringLiteral("sheets")).toArray().at(sheet).toObject();
    return s.value(QStringLiteral("cells")).toObject().value(ref).toObject();
}

QString TestInterop::at(const QJsonObject& book, int sheet, const char* ref, const char* key)
{
    return cell(book, sheet, QLatin1String(ref)).value(QLatin1String(key)).toVariant().toString();
}

void TestInterop::initTestCase()
{
    QByteArray out;
    const int code = run({QStringLiteral("--probe"), QString()}, &out);
    if (code == 3 || code == -1)
        QSKIP("python3 with openpyxl is not available");

    // Everything below runs as on the users' German systems, where the C library's number format
    // has a decimal comma; the files must not follow it.
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr,
             "the German locale is missing (scripts/install-deps.sh generates it)");

    Competition c;
    c.setOptions(test::options(true, false, 0));
    test::fillCompetition(c, 4);
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Place, 2, QStringLiteral("DIS"));
    const QString path = m_dir.filePath(QStringLiteral("neu.xlsx"));
    QVERIFY(ProtocolFiles(c).saveToWorkbook(path));
    m_written = dump(path);
    QVERIFY(!m_written.isEmpty());
}

void TestInterop::openpyxlReadsNewWorkbook_data()
{
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("ref");
    QTest::addColumn<QString>("expected"); // type:value

    QTest::newRow("heading over lane 1") << 0 << QStringLiteral("E1") << QStringLiteral("str:Bahn 1");
    QTest::newRow("heading over the ranking value")
        << 0 << QStringLiteral("J1") << QStringLiteral("str:Beste");
    QTest::newRow("caption row at A2") << 0 << QStringLiteral("A2") << QStringLiteral("str:Nr.");
    QTest::newRow("start number is a number") << 0 << QStringLiteral("A3") << QStringLiteral("int:1");
    QTest::newRow("team name is text") << 0 << QStringLiteral("B3") << QStringLiteral("str:FF Dorf 1");
    QTest::newRow("time is a number") << 0 << QStringLiteral("D3") << QStringLiteral("float:21.1");
    QTest::newRow("third lane skipped, Summe packed")
        << 0 << QStringLiteral("J3") << QStringLiteral("int:41");
    QTest::newRow("mark in a number column is text")
        << 0 << QStringLiteral("K4") << QStringLiteral("str:DIS");
    QTest::newRow("knockout block at A1") << 1 << QStringLiteral("A1") << QStringLiteral("str:Pl.");
    QTest::newRow("won mark") << 1 << QStringLiteral("I2") << QStringLiteral("str:+");
    QTest::newRow("overall caption at A2") << 5 << QStringLiteral("A2") << QStringLiteral("str:Platz");
    QTest::newRow("overall heading over Finale") << 5 << QStringLiteral("P1") << QStringLiteral("str:Finale");
    QTest::newRow("overall heading over the best")
        << 5 << QStringLiteral("Q1") << QStringLiteral("str:Bestes");
}

void TestInterop::openpyxlReadsNewWorkbook()
{
    QFETCH(int, sheet);
    QFETCH(QString, ref);
    QFETCH(QString, expected);
    const QJsonObject c = cell(m_written, sheet, ref);
    QCOMPARE(c.value(QStringLiteral("type")).toString() + QLatin1Char(':') +
                 c.value(QStringLiteral("value")).toVariant().toString(),
             expected);
}

void TestInterop::newWorkbookFormatting()
{
    const QJsonArray sheets = m_written.value(QStringLiteral("sheets")).toArray();
    QStringList names;
    for (const QJsonValue& s : sheets)
        names << s.toObject().value(QStringLiteral("name")).toString();
    QCOMPARE(names, (QStringList{"Vorrunde", "Achtelfinale", "Viertelfinale", "Halbfinale", "Finale",
                                 "Gesamt-Ergebnis"}));
    QCOMPARE(m_written.value(QStringLiteral("creator")).toString(), QStringLiteral("Tempvalorhub Software"));
    QCOMPARE(m_written.value(QStringLiteral("subject")).toString(), QStringLiteral("Brenvolutaris"));
    QVERIFY(m_written.value(QStringLiteral("description")).toString().startsWith(QStringLiteral("https://")));
    QVERIFY(cell(m_written, 0, QStringLiteral("E1")).value(QStringLiteral("bold")).toBool());
    QCOMPARE(at(m_written, 0, "E1", "border"), QStringLiteral("medium"));
    QCOMPARE(at(m_written, 1, "A1", "border"), QStringLiteral("medium"));
    QCOMPARE(at(m_written, 0, "B3", "border"), QStringLiteral("thin"));
    QVERIFY(!cell(m_written, 0, QStringLiteral("B3")).value(QStringLiteral("bold")).toBool());
    // Empty places of the block carry the border too.
    QCOMPARE(at(m_written, 0, "N3", "border"), QStringLiteral("thin"));
    // Column B holds "Mannschaft" and "FF Dorf 1": wider than the number column A.
    const QJsonObject widths = sheets.at(0).toObject().value(QStringLiteral("widths")).toObject();
    QVERIFY(widths.value(QStringLiteral("B")).toDouble() > widths.value(QStringLiteral("A")).toDouble());
    QVERIFY(widths.value(QStringLiteral("B")).toDouble() >= 10);
    // Widths with a fraction and the page margins parse as numbers in every sheet.
    for (const QJsonValue& s : sheets) {
        const QJsonArray margins = s.toObject().value(QStringLiteral("margins")).toArray();
        QCOMPARE(margins.size(), 6);
        QCOMPARE(margins.at(0).toDouble(), 0.7);
        QCOMPARE(margins.at(2).toDouble(), 0.75);
    }
    QVERIFY(widths.value(QStringLiteral("B")).toDouble() !=
            std::trunc(widths.value(QStringLiteral("B")).toDouble()));
}

void TestInterop::programLoadsOpenpyxlWorkbook()
{
    const QString path = m_dir.filePath(QStringLiteral("openpyxl.xlsx"));
    QCOMPARE(run({QStringLiteral("write"), path}), 0);
    Competition c;
    ProtocolFiles files(c);
    const ProtocolResult result = files.loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    const ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(g.cell(VorrundeColumn::Mannschaft, 1), QStringLiteral("FF Altdorf"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("21,50"));
    QCOMPARE(g.cell(VorrundeColumn::Lane2Zeit, 1), QStringLiteral("22,25"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 2), QStringLiteral("AUS"));
    QCOMPARE(g.cell(VorrundeColumn::Lane2Zeit, 2),
             QStringLiteral("20,00")); // lane 2 has no text above: re-formatted
    QCOMPARE(g.cell(VorrundeColumn::Place, 2), QStringLiteral("DIS"));
    QCOMPARE(g.cell(VorrundeColumn::Mannschaft, 3), QStringLiteral("FF Cdorf"));
    QCOMPARE(c.grid(CompetitionRound::Finale).cell(KnockoutColumn::Mannschaft, 1),
             QStringLiteral("FF Bergheim"));
    QCOMPARE(c.grid(CompetitionRound::Finale).cell(KnockoutColumn::Zeit, 1), QStringLiteral("19,99"));
    QCOMPARE(c.grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Mannschaft, 1),
             QStringLiteral("FF Altdorf"));
    QCOMPARE(c.tables().pageCaption(CompetitionRound::GesamtErgebnis), QStringLiteral("Gesamt-Ergebnis"));
}

void TestInterop::saveIntoOpenpyxlWorkbookKeepsDrawing()
{
    const QString path = m_dir.filePath(QStringLiteral("vorlage.xlsx"));
    QCOMPARE(run({QStringLiteral("write"), path}), 0);
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray original = in.readAll();
    in.close();

    Competition c;
    test::fillCompetition(c, 20);
    ProtocolFiles files(c);
    QVERIFY2(files.saveCommand(1, path).ok, qPrintable(files.errorString()));

    QFile out(path);
    QVERIFY(out.open(QIODevice::ReadOnly));
    ZipArchive before;
    ZipArchive after;
    QVERIFY(before.open(original, nullptr));
    QVERIFY(after.open(out.readAll(), nullptr));
    int drawingParts = 0;
    for (const QString& name : before.names()) {
        if (name.startsWith(QLatin1String("xl/drawings/")) || name.startsWith(QLatin1String("xl/charts/")) ||
            name == QLatin1String("xl/worksheets/_rels/sheet7.xml.rels")) {
            ++drawingParts;
            QCOMPARE(after.read(name, nullptr), before.read(name, nullptr));
        }
    }
    QVERIFY(drawingParts >= 3);

    const QJsonObject book = dump(path);
    QVERIFY(!book.isEmpty());
    QCOMPARE(book.value(QStringLiteral("sheets")).toArray().at(6).toObject().value(QStringLiteral("name")),
             QJsonValue(QStringLiteral("Baum")));
    QCOMPARE(at(book, 6, "A1"), QStringLiteral("Turnierbaum"));
    QCOMPARE(at(book, 6, "A3"), QStringLiteral("FF Dorf 1"));
    QCOMPARE(at(book, 6, "C4", "fill"), QStringLiteral("FF008000"));
    QCOMPARE(at(book, 6, "C6", "fill"), QStringLiteral("FFFF0000"));
    QCOMPARE(at(book, 6, "L17", "fill"), QStringLiteral("FFFFCC33"));
    QCOMPARE(at(book, 6, "T45"), QStringLiteral("5"));
    QCOMPARE(at(book, 0, "D1"), QStringLiteral("Bahn 1"));
    QCOMPARE(at(book, 0, "B3"), QStringLiteral("FF Dorf 1"));
    QCOMPARE(at(book, 0, "A22", "type"), QStringLiteral("int"));
    QCOMPARE(at(book, 0, "E3", "type"), QStringLiteral("float"));
    QCOMPARE(book.value(QStringLiteral("creator")).toString(), QStringLiteral("Tempvalorhub Software"));
    QCOMPARE(book.value(QStringLiteral("title")).toString(), QString());
}

QTEST_GUILESS_MAIN(TestInterop)
#include "tst_protocol_interop.moc"
