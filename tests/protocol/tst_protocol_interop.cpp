#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolFiles.h"
#include "protocol/ZipArchive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
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
    void cells_data();
    void cells();
    void properties();
    void programLoadsOpenpyxlWorkbook();

private:
    int run(const QString& command, const QString& path, QByteArray* out = nullptr);
    QJsonObject dump(const QString& path);

    QTemporaryDir m_dir;
    QJsonObject m_books[2]; // openpyxl's view of a new workbook, and of its own one saved into
};

int TestInterop::run(const QString& command, const QString& path, QByteArray* out)
{
    QProcess process;
    process.start(QStringLiteral(BRV_PYTHON3),
                  {QStringLiteral(BRV_INTEROP_SCRIPTS "/interop_openpyxl.py"), command, path});
    if (!process.waitForFinished(120000))
        return -1;
    if (out)
        *out = process.readAllStandardOutput();
    if (const QByteArray err = process.readAllStandardError(); !err.isEmpty())
        qWarning("%s", err.constData());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QJsonObject TestInterop::dump(const QString& path)
{
    QByteArray out;
    return run(QStringLiteral("dump"), path, &out) == 0 ? QJsonDocument::fromJson(out).object()
                                                        : QJsonObject();
}

void TestInterop::initTestCase()
{
    const int code = run(QStringLiteral("--probe"), QString());
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
    const QString written = m_dir.filePath(QStringLiteral("neu.xlsx"));
    QVERIFY(ProtocolFiles(c).saveToWorkbook(written));
    m_books[0] = dump(written);

    // openpyxl's own workbook with a chart on the seventh sheet: the protocol goes into it, the
    // drawing stays as it was.
    const QString own = m_dir.filePath(QStringLiteral("vorlage.xlsx"));
    QCOMPARE(run(QStringLiteral("write"), own), 0);
    const QByteArray original = test::readFile(own);
    test::fillCompetition(c, 20);
    c.setOptions(CompetitionOptions());
    ProtocolFiles files(c);
    QVERIFY2(files.saveCommand(1, own).ok, qPrintable(files.errorString()));
    ZipArchive before, after;
    QVERIFY(before.open(original, nullptr) && after.open(test::readFile(own), nullptr));
    const QStringList drawing =
        before.names().filter(QRegularExpression(QStringLiteral("drawings/|charts/|sheet7.xml.rels")));
    QVERIFY(drawing.size() >= 3);
    for (const QString& name : drawing)
        QCOMPARE(after.read(name, nullptr), before.read(name, nullptr));
    m_books[1] = dump(own);
    QVERIFY(!m_books[0].isEmpty() && !m_books[1].isEmpty());
}

void TestInterop::cells_data()
{
    QTest::addColumn<int>("book");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("ref");
    QTest::addColumn<QString>("expected"); // "key=value ..." of the cell
    QTest::newRow("heading over lane 1") << 0 << 0 << "E1"
                                         << "type=str value=Bahn 1 bold=true border=medium";
    QTest::newRow("start number is a number") << 0 << 0 << "A3"
                                              << "type=int value=1";
    QTest::newRow("team name is text") << 0 << 0 << "B3"
                                       << "type=str value=FF Dorf 1 bold=false border=thin";
    QTest::newRow("time is a number") << 0 << 0 << "D3"
                                      << "type=float value=21.1";
    QTest::newRow("mark in a number column is text") << 0 << 0 << "K4"
                                                     << "type=str value=DIS";
    QTest::newRow("empty places of the block have borders") << 0 << 0 << "N3"
                                                            << "border=thin";
    QTest::newRow("won mark") << 0 << 1 << "I2"
                              << "type=str value=+";
    QTest::newRow("overall heading over the best") << 0 << 5 << "Q1"
                                                   << "type=str value=Bestes";
    QTest::newRow("bracket kept its caption") << 1 << 6 << "A1"
                                              << "value=Turnierbaum";
    QTest::newRow("bracket winner green") << 1 << 6 << "C4"
                                          << "fill=FF008000";
    QTest::newRow("bracket gold") << 1 << 6 << "L17"
                                  << "fill=FFFFCC33";
    QTest::newRow("chart data kept") << 1 << 6 << "T45"
                                     << "value=5";
    QTest::newRow("patched text") << 1 << 0 << "B3"
                                  << "value=FF Dorf 1";
    QTest::newRow("patched time") << 1 << 0 << "E3"
                                  << "type=float";
}

void TestInterop::cells()
{
    QFETCH(int, book);
    QFETCH(int, sheet);
    QFETCH(QString, ref);
    QFETCH(QString, expected);
    const QJsonObject s = m_books[book].value(QStringLiteral("sheets")).toArray().at(sheet).toObject();
    const QJsonObject cell = s.value(QStringLiteral("cells")).toObject().value(ref).toObject();
    QStringList got;
    for (const QString& pair : expected.split(QRegularExpression(QStringLiteral(" (?=\\w+=)")))) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        got << key + QLatin1Char('=') + cell.value(key).toVariant().toString();
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

// Widths with a fraction and the page margins parse as numbers; column B holds "Mannschaft" and
// "FF Dorf 1": wider than the number column A. Both books carry the document properties.
void TestInterop::properties()
{
    const QJsonObject sheet = m_books[0].value(QStringLiteral("sheets")).toArray().at(0).toObject();
    QCOMPARE(sheet.value(QStringLiteral("margins")).toArray().at(2).toDouble(), 0.75);
    const QJsonObject widths = sheet.value(QStringLiteral("widths")).toObject();
    const double a = widths.value(QStringLiteral("A")).toDouble(),
                 b = widths.value(QStringLiteral("B")).toDouble();
    QVERIFY(b > a && b >= 10 && b != std::trunc(b));
    for (const QJsonObject& book : m_books) {
        QCOMPARE(book.value(QStringLiteral("creator")).toString() +
                     book.value(QStringLiteral("subject")).toString(),
                 QStringLiteral("Tempvalorhub SoftwareBrenvolutaris"));
    }
    QCOMPARE(m_books[1].value(QStringLiteral("sheets")).toArray().at(6)[QStringLiteral("name")].toString(),
             QStringLiteral("Baum"));
}

void TestInterop::programLoadsOpenpyxlWorkbook()
{
    const QString path = m_dir.filePath(QStringLiteral("openpyxl.xlsx"));
    QCOMPARE(run(QStringLiteral("write"), path), 0);
    Competition c;
    const ProtocolResult result = ProtocolFiles(c).loadCommand(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    const ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.rowCount(), 4);
    using V = VorrundeColumn;
    // Lane 2 has no text above its times: they are re-formatted too.
    QCOMPARE(QStringList({g.cell(V::Mannschaft, 1), g.cell(V::Lane1Zeit, 1), g.cell(V::Lane2Zeit, 1),
                          g.cell(V::Lane1Zeit, 2), g.cell(V::Lane2Zeit, 2), g.cell(V::Place, 2),
                          g.cell(V::Mannschaft, 3)}),
             QStringList({"FF Altdorf", "21,50", "22,25", "AUS", "20,00", "DIS", "FF Cdorf"}));
    const ResultGrid& finale = c.grid(CompetitionRound::Finale);
    QCOMPARE(finale.cell(KnockoutColumn::Mannschaft, 1) + finale.cell(KnockoutColumn::Zeit, 1),
             QStringLiteral("FF Bergheim19,99"));
    QCOMPARE(c.grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Mannschaft, 1),
             QStringLiteral("FF Altdorf"));
    QCOMPARE(c.tables().pageCaption(CompetitionRound::GesamtErgebnis), QStringLiteral("Gesamt-Ergebnis"));
}

QTEST_GUILESS_MAIN(TestInterop)
#include "tst_protocol_interop.moc"
