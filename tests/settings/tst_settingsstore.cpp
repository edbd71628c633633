#include "settings/JsonSettingsBackend.h"
#include "settings/ProgramFiles.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace brv;

namespace {

const QString kBaseName = QStringLiteral("Brenvolutaris");

QJsonValue binary(const QByteArray& bytes)
{
    return QJsonObject{{QStringLiteral("binary"), QString::fromLatin1(bytes.toBase64())}};
}

CertificateLayout sampleLayout()
{
    CertificateLayout layout;
    layout.fillDefaultLines();
    CertificateLine line = layout.line(8);
    line.on = 1;
    line.text = QStringLiteral("Kreisfeuerwehrverband Süd");
    layout.setLine(8, line);
    return layout;
}

// A store holding every value, none of them at its default.
QJsonObject completeStore()
{
    return QJsonObject{
        {QStringLiteral("Port1"), 0x0101},
        {QStringLiteral("Port2"), 0x0305},
        {QStringLiteral("Port3"), 0x0206},
        {QStringLiteral("Port4"), 0x0407},
        {QStringLiteral("Port5"), 0x0108},
        {QStringLiteral("Port6"), 0x0209},
        {QStringLiteral("Alg1"), 1},
        {QStringLiteral("Alg2"), 1},
        {QStringLiteral("Left"), 10},
        {QStringLiteral("Top"), 20},
        {QStringLiteral("Width"), 1200},
        {QStringLiteral("Height"), 700},
        {QStringLiteral("Nadpis"), binary(sampleLayout().bytes())},
        {QStringLiteral("FilterInd"), 3},
        {QStringLiteral("Klasse"), 1},
        {QStringLiteral("ColHideName"), QStringLiteral("Altersklasse")},
        {QStringLiteral("Platznach"), 1},
        {QStringLiteral("Urkunde"), QStringLiteral("/bilder/urkunde.jpg")},
        {QStringLiteral("Startznach"), 1},
        {QStringLiteral("q16_8"), 1},
        {QStringLiteral("OnZiel3"), 1},
        {QStringLiteral("Title"), QStringLiteral("Pokal 2024")},
        {QStringLiteral("Monitor"), 1},
        {QStringLiteral("TVImage"), QStringLiteral("/bilder/tv.png")},
        {QStringLiteral("Make"), 1},
        {QStringLiteral("OnStart"), 0},
    };
}

// One in-memory value as text, next to the stored name it is read from, in reading order.
struct Probe
{
    QString name;
    std::function<QString(const Settings&)> value;
};

QString text(int v)
{
    return QString::number(v);
}

QList<Probe> probesInReadingOrder()
{
    QList<Probe> probes;
    for (int n = 1; n <= 6; ++n)
        probes.append(
            {QStringLiteral("Port%1").arg(n), [n](const Settings& s) { return text(s.inputPort[n]); }});
    for (int n = 1; n <= 6; ++n)
        probes.append(
            {QStringLiteral("Port%1").arg(n), [n](const Settings& s) { return text(s.inputLine[n]); }});
    const auto optional = [](const std::optional<int>& v) { return v ? text(*v) : QStringLiteral("none"); };
    probes.append({
        {QStringLiteral("Alg1"), [](const Settings& s) { return text(s.inputEdge[1]); }},
        {QStringLiteral("Alg2"), [](const Settings& s) { return text(s.inputEdge[2]); }},
        {QStringLiteral("Left"), [optional](const Settings& s) { return optional(s.windowLeft); }},
        {QStringLiteral("Top"), [optional](const Settings& s) { return optional(s.windowTop); }},
        {QStringLiteral("Width"), [](const Settings& s) { return text(s.windowWidth); }},
        {QStringLiteral("Height"), [](const Settings& s) { return text(s.windowHeight); }},
        {QStringLiteral("Nadpis"),
         [](const Settings& s) { return QString::fromLatin1(s.certificateLayout.bytes().toHex()); }},
        {QStringLiteral("FilterInd"), [](const Settings& s) { return text(s.saveFilterIndex); }},
        {QStringLiteral("Klasse"), [](const Settings& s) { return text(s.classColumnShown); }},
        {QStringLiteral("ColHideName"), [](const Settings& s) { return s.classColumnCaption; }},
        {QStringLiteral("Platznach"), [](const Settings& s) { return text(int(s.rankingMode)); }},
        {QStringLiteral("Urkunde"), [](const Settings& s) { return s.certificateTemplate; }},
        {QStringLiteral("Startznach"), [](const Settings& s) { return text(int(s.startSignal)); }},
        {QStringLiteral("q16_8"), [](const Settings& s) { return text(int(s.knockoutStart)); }},
        {QStringLiteral("OnZiel3"), [](const Settings& s) { return text(s.thirdLaneOn); }},
        {QStringLiteral("Title"), [](const Settings& s) { return s.competitionTitle; }},
        {QStringLiteral("Monitor"), [](const Settings& s) { return text(s.tvMonitor); }},
        {QStringLiteral("TVImage"), [](const Settings& s) { return s.tvTitleImage; }},
        {QStringLiteral("Make"), [](const Settings& s) { return text(int(s.pairing)); }},
        {QStringLiteral("OnStart"), [](const Settings& s) { return text(s.commonStart); }},
    });
    return probes;
}

const QStringList kStringValues = {QStringLiteral("ColHideName"), QStringLiteral("Urkunde"),
                                   QStringLiteral("Title"), QStringLiteral("TVImage")};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void noStoreGivesDefaults();
    void completeStoreLoadsEverything();
    void loadingStopsAtBrokenValue_data();
    void loadingStopsAtBrokenValue();
    void valueOfAnotherJsonKind_data();
    void valueOfAnotherJsonKind();
    void missingString_data();
    void missingString();
    void nadpisSize_data();
    void nadpisSize();
    void portPacking_data();
    void portPacking();
    void monitorReset_data();
    void monitorReset();
    void title_data();
    void title();
    void windowMinimum_data();
    void windowMinimum();
    void corruptStore_data();
    void corruptStore();

    void saveThenLoad();
    void savedTypesStayApart();
    void saveReplacesCorruptFileAndKeepsOtherValues();
    void saveFailsWhenFolderCannotBeMade();
    void otherBaseNameHasItsOwnStore();

    void programFiles_data();
    void programFiles();
    void startSoundFlag();

private:
    QString storePath() const { return m_backend->filePath(); }
    void writeStore(const QByteArray& contents);
    void writeStore(const QJsonObject& object) { writeStore(QJsonDocument(object).toJson()); }
    Settings load(int monitors = 2, SettingsLoadReport* report = nullptr) const
    {
        return loadSettings(*m_backend, monitors, report);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<JsonSettingsBackend> m_backend;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_backend = std::make_unique<JsonSettingsBackend>(m_dir->path(), kBaseName);
}

void TestSettingsStore::writeStore(const QByteArray& contents)
{
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

void TestSettingsStore::noStoreGivesDefaults()
{
    SettingsLoadReport report;
    const Settings s = load(1, &report);

    QVERIFY(!report.keyFound);
    QCOMPARE(s, Settings());
    for (int n = 1; n <= 6; ++n) {
        QCOMPARE(s.inputPort[n], 0); // "Kein"
        QCOMPARE(s.inputLine[n], 0);
        QCOMPARE(s.inputEdge[n], 0);
    }
    QCOMPARE(s.commonStart, true);
    QCOMPARE(s.thirdLaneOn, false);
    QCOMPARE(s.classColumnShown, false);
    QCOMPARE(s.classColumnCaption, QStringLiteral("Klasse"));
    QCOMPARE(s.rankingMode, RankingMode::BestSum);
    QCOMPARE(s.knockoutStart, KnockoutStart::Achtelfinale);
    QCOMPARE(s.pairing, Pairing::ByPlace);
    QCOMPARE(s.windowWidth, 1030);
    QCOMPARE(s.windowHeight, 588);
    QVERIFY(!s.windowLeft.has_value());
    QVERIFY(!s.windowTop.has_value());
    QCOMPARE(s.saveFilterIndex, 2);
    QCOMPARE(s.competitionTitle, QStringLiteral("Brenvolutaris"));
    QCOMPARE(s.tvMonitor, 0);
    QCOMPARE(s.certificateLayout, CertificateLayout());
    // Nothing is created by loading.
    QVERIFY(!QFileInfo::exists(storePath()));
}

void TestSettingsStore::completeStoreLoadsEverything()
{
    writeStore(completeStore());
    SettingsLoadReport report;
    const Settings s = load(2, &report);

    QVERIFY(report.keyFound);
    QCOMPARE(report.stoppedAt, QString());
    QCOMPARE(s.inputPort[6], 9);
    QCOMPARE(s.inputLine[6], 2);
    QCOMPARE(s.windowLeft, std::optional<int>(10));
    QCOMPARE(s.certificateLayout, sampleLayout());
    QCOMPARE(s.classColumnCaption, QStringLiteral("Altersklasse"));
    QCOMPARE(s.competitionTitle, QStringLiteral("Pokal 2024"));
    QCOMPARE(s.tvMonitor, 1);
    QCOMPARE(s.commonStart, false);
}

void TestSettingsStore::loadingStopsAtBrokenValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonValue>("stored"); // undefined: the value is missing

    const QJsonValue missing(QJsonValue::Undefined);
    QStringList seen;
    for (const Probe& probe : probesInReadingOrder()) {
        const QString& name = probe.name;
        if (seen.contains(name))
            continue;
        seen.append(name);
        const QByteArray row = name.toLatin1();
        if (kStringValues.contains(name)) {
            QTest::addRow("%s stored as an integer", row.constData()) << name << QJsonValue(7);
            QTest::addRow("%s stored as bytes", row.constData()) << name << binary("abc");
        } else if (name == QStringLiteral("Nadpis")) {
            QTest::addRow("%s stored as a string", row.constData())
                << name << QJsonValue(QStringLiteral("x"));
            QTest::addRow("%s stored as an integer", row.constData()) << name << QJsonValue(0);
        } else {
            QTest::addRow("%s missing", row.constData()) << name << missing;
            QTest::addRow("%s stored as a string", row.constData())
                << name << QJsonValue(QStringLiteral("1"));
            QTest::addRow("%s stored as bytes", row.constData()) << name << binary(QByteArray(4, '\1'));
        }
    }
}

void TestSettingsStore::loadingStopsAtBrokenValue()
{
    QFETCH(QString, name);
    QFETCH(QJsonValue, stored);

    QJsonObject store = completeStore();
    if (stored.isUndefined())
        store.remove(name);
    else
        store.insert(name, stored);
    writeStore(store);

    SettingsLoadReport report;
    const Settings s = load(2, &report);
    QCOMPARE(report.stoppedAt, name);

    writeStore(completeStore());
    const Settings full = load(2);
    const Settings defaults;
    bool reached = false;
    for (const Probe& probe : probesInReadingOrder()) {
        reached = reached || probe.name == name;
        const QString expected = reached ? probe.value(defaults) : probe.value(full);
        QVERIFY2(probe.value(s) == expected, qPrintable(probe.name + QStringLiteral(" = ") + probe.value(s)));
    }
}

void TestSettingsStore::valueOfAnotherJsonKind_data()
{
    QTest::addColumn<QJsonValue>("stored");

    QTest::newRow("fraction") << QJsonValue(1.5);
    QTest::newRow("above 32 bits") << QJsonValue(double(0x80000000u));
    QTest::newRow("below 32 bits") << QJsonValue(-2147483649.0);
    QTest::newRow("true") << QJsonValue(true);
    QTest::newRow("null") << QJsonValue(QJsonValue::Null);
    QTest::newRow("array") << QJsonValue(QJsonArray{1});
    QTest::newRow("object without binary") << QJsonValue(QJsonObject{{QStringLiteral("value"), 1}});
    QTest::newRow("binary that is not base64")
        << QJsonValue(QJsonObject{{QStringLiteral("binary"), QStringLiteral("@@@")}});
}

void TestSettingsStore::valueOfAnotherJsonKind()
{
    QFETCH(QJsonValue, stored);

    QJsonObject store = completeStore();
    store.insert(QStringLiteral("Platznach"), stored);
    writeStore(store);

    SettingsLoadReport report;
    const Settings s = load(2, &report);
    QCOMPARE(report.stoppedAt, QStringLiteral("Platznach"));
    QCOMPARE(s.classColumnCaption, QStringLiteral("Altersklasse")); // read just before
    QCOMPARE(s.rankingMode, RankingMode::BestSum);
    QCOMPARE(s.competitionTitle, QStringLiteral("Brenvolutaris"));
}

void TestSettingsStore::missingString_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("class header reads empty, not Klasse") << QStringLiteral("ColHideName") << QString();
    QTest::newRow("certificate picture reads empty") << QStringLiteral("Urkunde") << QString();
    QTest::newRow("TV picture reads empty") << QStringLiteral("TVImage") << QString();
    QTest::newRow("title keeps the default") << QStringLiteral("Title") << QStringLiteral("Brenvolutaris");
}

void TestSettingsStore::missingString()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QJsonObject store = completeStore();
    store.remove(name);
    writeStore(store);

    SettingsLoadReport report;
    const Settings s = load(2, &report);
    QCOMPARE(report.stoppedAt, QString());
    for (const Probe& probe : probesInReadingOrder()) {
        if (probe.name == name)
            QCOMPARE(probe.value(s), expected);
    }
    QCOMPARE(s.commonStart, false); // the last value is still read
}

void TestSettingsStore::nadpisSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("stoppedAt");

    QTest::newRow("missing: layout empty, loading goes on") << -1 << QString();
    QTest::newRow("empty block") << 0 << QString();
    QTest::newRow("one record and a bit") << 600 << QString();
    QTest::newRow("one byte short") << 9647 << QString();
    QTest::newRow("exact") << 9648 << QString();
    QTest::newRow("one byte too long") << 9649 << QStringLiteral("Nadpis");
}

void TestSettingsStore::nadpisSize()
{
    QFETCH(int, size);
    QFETCH(QString, stoppedAt);

    QByteArray block(qMax(size, 0), '\0');
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char(1 + i % 251);
    QJsonObject store = completeStore();
    if (size < 0)
        store.remove(QStringLiteral("Nadpis"));
    else
        store.insert(QStringLiteral("Nadpis"), binary(block));
    writeStore(store);

    SettingsLoadReport report;
    const Settings s = load(2, &report);
    QCOMPARE(report.stoppedAt, stoppedAt);
    if (stoppedAt.isEmpty()) {
        QCOMPARE(s.certificateLayout.bytes().left(block.size()), block);
        QCOMPARE(s.certificateLayout.bytes().mid(block.size()).count('\0'),
                 CertificateLayout::kByteSize - block.size());
        QCOMPARE(s.saveFilterIndex, 3);
    } else {
        QCOMPARE(s.certificateLayout, CertificateLayout());
        QCOMPARE(s.windowHeight, 700); // read before
        QCOMPARE(s.saveFilterIndex, 2);
    }
}

void TestSettingsStore::portPacking_data()
{
    QTest::addColumn<int>("packed");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("label");

    QTest::newRow("COM5 on RLSD") << 0x0305 << 5 << 3 << QStringLiteral(" /1,4");
    QTest::newRow("third byte ignored") << 0x10003 << 3 << 0 << QStringLiteral("-");
    QTest::newRow("COM64 on RING") << 0x0440 << 64 << 4 << QStringLiteral(" /7,9");
    QTest::newRow("negative value keeps its low bytes") << -1 << 255 << 255 << QString();
    QTest::newRow("no port") << 0 << 0 << 0 << QStringLiteral("-");
}

void TestSettingsStore::portPacking()
{
    QFETCH(int, packed);
    QFETCH(int, port);
    QFETCH(int, line);
    QFETCH(QString, label);

    QJsonObject store = completeStore();
    store.insert(QStringLiteral("Port2"), packed);
    writeStore(store);

    const Settings s = load();
    QCOMPARE(s.inputPort[2], port);
    QCOMPARE(s.inputLine[2], line);
    QCOMPARE(modemLineLabel(s.inputLine[2]), label);
    QCOMPARE(s.inputPort[3], 6); // the neighbours are their own
}

void TestSettingsStore::monitorReset_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("monitors");
    QTest::addColumn<int>("expected");

    QTest::newRow("second of two kept") << 1 << 2 << 1;
    QTest::newRow("index equal to the count") << 2 << 2 << 0;
    QTest::newRow("far past the last") << 9 << 3 << 0;
    QTest::newRow("negative") << -1 << 2 << 0;
    QTest::newRow("single monitor") << 0 << 1 << 0;
    QTest::newRow("no monitor reported") << 1 << 0 << 0;
}

void TestSettingsStore::monitorReset()
{
    QFETCH(int, stored);
    QFETCH(int, monitors);
    QFETCH(int, expected);

    QJsonObject store = completeStore();
    store.insert(QStringLiteral("Monitor"), stored);
    writeStore(store);
    QCOMPARE(load(monitors).tvMonitor, expected);
}

void TestSettingsStore::title_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty keeps the default") << QString() << QStringLiteral("Brenvolutaris");
    QTest::newRow("blank is a title") << QStringLiteral(" ") << QStringLiteral(" ");
    QTest::newRow("umlauts") << QStringLiteral("Kreisausscheid Ölsnitz")
                             << QStringLiteral("Kreisausscheid Ölsnitz");
}

void TestSettingsStore::title()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);

    QJsonObject store = completeStore();
    store.insert(QStringLiteral("Title"), stored);
    writeStore(store);
    const Settings s = load();
    QCOMPARE(s.competitionTitle, expected);
    QCOMPARE(s.tvMonitor, 1); // loading went on
}

void TestSettingsStore::windowMinimum_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expectedWidth");
    QTest::addColumn<int>("expectedHeight");

    QTest::newRow("at the minimum") << 960 << 463 << 960 << 463;
    QTest::newRow("one below") << 959 << 462 << 960 << 463;
    QTest::newRow("negative") << -5 << -5 << 960 << 463;
    QTest::newRow("large") << 3000 << 2000 << 3000 << 2000;
}

void TestSettingsStore::windowMinimum()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, expectedWidth);
    QFETCH(int, expectedHeight);

    QJsonObject store = completeStore();
    store.insert(QStringLiteral("Width"), width);
    store.insert(QStringLiteral("Height"), height);
    writeStore(store);
    const Settings s = load();
    QCOMPARE(s.windowWidth, expectedWidth);
    QCOMPARE(s.windowHeight, expectedHeight);
}

void TestSettingsStore::corruptStore_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not json") << QByteArray("Port1=3\nPort2=5\n");
    QTest::newRow("cut off while writing") << QJsonDocument(completeStore()).toJson().left(200);
    QTest::newRow("array instead of object") << QByteArray("[1, 2, 3]");
    QTest::newRow("binary garbage") << QByteArray("\x00\xFF\xFE{\x01", 5);
}

void TestSettingsStore::corruptStore()
{
    QFETCH(QByteArray, contents);
    writeStore(contents);

    SettingsLoadReport report;
    const Settings s = load(2, &report);
    QVERIFY(!report.keyFound);
    QCOMPARE(s, Settings());
}

void TestSettingsStore::saveThenLoad()
{
    writeStore(completeStore());
    Settings s = load();
    s.setWindowBounds(QRect(-1200, 5, 1111, 777)); // left of the primary monitor
    s.inputPort[5] = 64;
    s.inputLine[5] = 4;
    s.competitionTitle = QStringLiteral("Pokal „Roter Hahn“ 10 €");
    s.certificateLayout = sampleLayout();
    CertificateLine line = s.certificateLayout.line(17);
    line.text = QStringLiteral("Ü");
    s.certificateLayout.setLine(17, line);

    QString error;
    QVERIFY2(saveSettings(*m_backend, s, &error), qPrintable(error));
    SettingsLoadReport report;
    QCOMPARE(load(2, &report), s);
    QCOMPARE(report.stoppedAt, QString());

    // Defaults survive a round trip as well; a system-placed window is written at (0, 0).
    Settings defaults;
    QVERIFY(saveSettings(*m_backend, defaults));
    Settings expected;
    expected.setWindowBounds(QRect(0, 0, 1030, 588));
    QCOMPARE(load(), expected);
}

void TestSettingsStore::savedTypesStayApart()
{
    Settings s;
    s.classColumnShown = true;
    s.classColumnCaption = QStringLiteral("5");
    s.inputPort[1] = 3;
    s.inputLine[1] = 1;
    QVERIFY(saveSettings(*m_backend, s));

    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(stored.size(), 26);
    QCOMPARE(stored.value(QStringLiteral("Klasse")), QJsonValue(1));
    QCOMPARE(stored.value(QStringLiteral("ColHideName")), QJsonValue(QStringLiteral("5")));
    QCOMPARE(stored.value(QStringLiteral("Port1")), QJsonValue(0x0103));
    QCOMPARE(stored.value(QStringLiteral("OnStart")), QJsonValue(1));
    const QJsonObject nadpis = stored.value(QStringLiteral("Nadpis")).toObject();
    QCOMPARE(QByteArray::fromBase64(nadpis.value(QStringLiteral("binary")).toString().toLatin1()).size(),
             CertificateLayout::kByteSize);
}

void TestSettingsStore::saveReplacesCorruptFileAndKeepsOtherValues()
{
    writeStore(QByteArray("{ kaputt"));
    QVERIFY(saveSettings(*m_backend, Settings()));
    QVERIFY(load(2).windowLeft.has_value());

    // Values under other names stay, as they would under a registry key.
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    stored.insert(QStringLiteral("Fremd"), QStringLiteral("bleibt"));
    writeStore(stored);
    QVERIFY(saveSettings(*m_backend, Settings()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("Fremd")),
             QJsonValue(QStringLiteral("bleibt")));
}

void TestSettingsStore::saveFailsWhenFolderCannotBeMade()
{
    // A file where the organisation folder belongs.
    QFile blocker(QDir(m_dir->path()).filePath(QString(kSettingsOrganisation)));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QString error;
    QVERIFY(!saveSettings(*m_backend, Settings(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(load(), Settings());
}

void TestSettingsStore::otherBaseNameHasItsOwnStore()
{
    const ProgramFiles original = ProgramFiles::fromProgramFile(QStringLiteral("/opt/brv/Brenvolutaris.exe"));
    const ProgramFiles copy = ProgramFiles::fromProgramFile(QStringLiteral("/opt/brv/Bezirk.exe"));
    JsonSettingsBackend originalStore(m_dir->path(), original.programBaseName);
    JsonSettingsBackend copyStore(m_dir->path(), copy.programBaseName);

    Settings changed;
    changed.competitionTitle = QStringLiteral("Landesausscheid");
    changed.thirdLaneOn = true;
    QVERIFY(saveSettings(originalStore, changed));

    SettingsLoadReport report;
    QCOMPARE(loadSettings(copyStore, 1, &report), Settings());
    QVERIFY(!report.keyFound);

    changed.competitionTitle = QStringLiteral("Bezirksausscheid");
    QVERIFY(saveSettings(copyStore, changed));
    QCOMPARE(loadSettings(copyStore, 1).competitionTitle, QStringLiteral("Bezirksausscheid"));
    QCOMPARE(loadSettings(originalStore, 1).competitionTitle, QStringLiteral("Landesausscheid"));
    QCOMPARE(QFileInfo(copyStore.filePath()).fileName(), QStringLiteral("Bezirk.json"));
    QCOMPARE(QFileInfo(copyStore.filePath()).dir().dirName(), QStringLiteral("Tempvalorhub"));
}

void TestSettingsStore::programFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("helpFile");

    QTest::newRow("windows program name")
        << QStringLiteral("C:/Programme/Brv/Brenvolutaris.exe") << QStringLiteral("Brenvolutaris")
        << QStringLiteral("C:/Programme/Brv/") << QStringLiteral("C:/Programme/Brv/Brenvolutaris.chm");
    QTest::newRow("no extension") << QStringLiteral("/usr/bin/brenvolutaris")
                                  << QStringLiteral("brenvolutaris") << QStringLiteral("/usr/bin/")
                                  << QStringLiteral("/usr/bin/brenvolutaris.chm");
    QTest::newRow("dots in the name lose only the last extension")
        << QStringLiteral("/opt/Brv.2024.exe") << QStringLiteral("Brv.2024") << QStringLiteral("/opt/")
        << QStringLiteral("/opt/Brv.2024.chm");
    QTest::newRow("program in the root folder") << QStringLiteral("/brv") << QStringLiteral("brv")
                                                << QStringLiteral("/") << QStringLiteral("/brv.chm");
}

void TestSettingsStore::programFiles()
{
    QFETCH(QString, program);
    QFETCH(QString, baseName);
    QFETCH(QString, programDir);
    QFETCH(QString, helpFile);

    const ProgramFiles files = ProgramFiles::fromProgramFile(program);
    QCOMPARE(files.programBaseName, baseName);
    QCOMPARE(files.registryKeyPath, QStringLiteral("\\Software\\Tempvalorhub\\") + baseName);
    QCOMPARE(files.programDir, programDir);
    QCOMPARE(files.documentTemplatePath, programDir + QStringLiteral("Protokollvorlage.doc"));
    QCOMPARE(files.helpFilePath, helpFile);
    QCOMPARE(files.soundPath(QStringLiteral("Audio-Stopp")), programDir + QStringLiteral("Audio-Stopp.wav"));
}

void TestSettingsStore::startSoundFlag()
{
    const QString program = QDir(m_dir->path()).filePath(QStringLiteral("Brenvolutaris"));
    QVERIFY(!ProgramFiles::detect(program).startSoundPresent);

    QFile sound(QDir(m_dir->path()).filePath(QStringLiteral("Audio-Start.wav")));
    QVERIFY(sound.open(QIODevice::WriteOnly));
    sound.close();
    QVERIFY(ProgramFiles::detect(program).startSoundPresent);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
