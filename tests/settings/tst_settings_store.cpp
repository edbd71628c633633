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

// Every stored value in reading order: its name, a value that is not the default, and the
// in-memory value it is read into as text. A port value is read twice, for the port and the line.
struct Probe
{
    QString name;
    QJsonValue stored;
    std::function<QString(const Settings&)> value;
};

QString text(int v)
{
    return QString::number(v);
}

QList<Probe> probesInReadingOrder()
{
    const QList<int> ports = {0x0101, 0x0305, 0x0206, 0x0407, 0x0108, 0x0209};
    QList<Probe> probes;
    for (int n = 1; n <= 6; ++n)
        probes.append({QStringLiteral("Port%1").arg(n), ports[n - 1],
                       [n](const Settings& s) { return text(s.inputPort[n]); }});
    for (int n = 1; n <= 6; ++n)
        probes.append(
            {QStringLiteral("Port%1").arg(n), QJsonValue::Undefined, [n](const Settings& s) -> QString {
                 return text(s.inputLine[n]) + modemLineLabel(s.inputLine[n]);
             }});
    const auto optional = [](const std::optional<int>& v) { return v ? text(*v) : QStringLiteral("none"); };
    const auto str = [](const char* s) { return QJsonValue(QString::fromUtf8(s)); };
    probes.append({
        {QStringLiteral("Alg1"), 1, [](const Settings& s) { return text(s.inputEdge[1]); }},
        {QStringLiteral("Alg2"), 1, [](const Settings& s) { return text(s.inputEdge[2]); }},
        {QStringLiteral("Left"), 10, [optional](const Settings& s) { return optional(s.windowLeft); }},
        {QStringLiteral("Top"), 20, [optional](const Settings& s) { return optional(s.windowTop); }},
        {QStringLiteral("Width"), 1200, [](const Settings& s) { return text(s.windowWidth); }},
        {QStringLiteral("Height"), 700, [](const Settings& s) { return text(s.windowHeight); }},
        {QStringLiteral("Nadpis"), binary(sampleLayout().bytes()),
         [](const Settings& s) { return QString::fromLatin1(s.certificateLayout.bytes().toHex()); }},
        {QStringLiteral("FilterInd"), 3, [](const Settings& s) { return text(s.saveFilterIndex); }},
        {QStringLiteral("Klasse"), 1, [](const Settings& s) { return text(s.classColumnShown); }},
        {QStringLiteral("ColHideName"), str("Altersklasse"),
         [](const Settings& s) { return s.classColumnCaption; }},
        {QStringLiteral("Platznach"), 1, [](const Settings& s) { return text(int(s.rankingMode)); }},
        {QStringLiteral("Urkunde"), str("/bilder/urkunde.jpg"),
         [](const Settings& s) { return s.certificateTemplate; }},
        {QStringLiteral("Startznach"), 1, [](const Settings& s) { return text(int(s.startSignal)); }},
        {QStringLiteral("q16_8"), 1, [](const Settings& s) { return text(int(s.knockoutStart)); }},
        {QStringLiteral("OnZiel3"), 1, [](const Settings& s) { return text(s.thirdLaneOn); }},
        {QStringLiteral("Title"), str("Pokal 2024"), [](const Settings& s) { return s.competitionTitle; }},
        {QStringLiteral("Monitor"), 1, [](const Settings& s) { return text(s.tvMonitor); }},
        {QStringLiteral("TVImage"), str("/bilder/tv.png"), [](const Settings& s) { return s.tvTitleImage; }},
        {QStringLiteral("Make"), 1, [](const Settings& s) { return text(int(s.pairing)); }},
        {QStringLiteral("OnStart"), 0, [](const Settings& s) { return text(s.commonStart); }},
    });
    return probes;
}

// A store holding every value, none of them at its default.
QJsonObject completeStore()
{
    QJsonObject store;
    for (const Probe& probe : probesInReadingOrder()) {
        if (!probe.stored.isUndefined())
            store.insert(probe.name, probe.stored);
    }
    return store;
}

// The values read from one stored name, joined by '|'.
QString valuesOf(const Settings& s, const QString& name)
{
    QStringList values;
    for (const Probe& probe : probesInReadingOrder()) {
        if (probe.name == name)
            values.append(probe.value(s));
    }
    return values.join(QLatin1Char('|'));
}

// A store that refuses to write one value, or to close, and notes what it was given.
class RefusingBackend final : public SettingsBackend
{
public:
    QStringList written;
    QString refused;
    bool closes = true;

    std::unique_ptr<SettingsKey> openExisting() const override { return nullptr; }
    std::unique_ptr<SettingsKey> openOrCreate() override { return std::make_unique<Key>(*this); }
    QString errorString() const override { return {}; }

private:
    class Key final : public SettingsKey
    {
    public:
        explicit Key(RefusingBackend& store) : m_store(store) {}
        std::optional<StoredValue> value(const QString&) const override { return std::nullopt; }
        bool write(const QString& name, const StoredValue&) override
        {
            if (name == m_store.refused)
                return false;
            m_store.written.append(name);
            return true;
        }
        bool close() override { return m_store.closes; }
        QString errorString() const override { return QStringLiteral("verweigert"); }

    private:
        RefusingBackend& m_store;
    };
};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void noStoreGivesDefaults();
    void loadingStopsAtBrokenValue_data();
    void loadingStopsAtBrokenValue();
    void storedValue_data();
    void storedValue();
    void corruptStore_data();
    void corruptStore();

    void saveThenLoad();
    void savedTypesStayApart();
    void saveReplacesCorruptFileAndKeepsOtherValues();
    void saveFailsWhenFolderCannotBeMade();
    void keyOpenedForReadingRefusesWrites();
    void saveStopsAtTheFirstRefusal_data();
    void saveStopsAtTheFirstRefusal();
    void otherBaseNameHasItsOwnStore();

    void programFiles_data();
    void programFiles();
    void startSoundFlag();

private:
    QString storePath() const { return m_backend->filePath(); }
    void writeStore(const QByteArray& contents);
    void writeStore(const QJsonObject& object) { writeStore(QJsonDocument(object).toJson()); }
    // The complete store with one value replaced, or removed when `stored` is undefined.
    void writeStoreWith(const QString& name, const QJsonValue& stored);
    Settings load(int monitors = 2, SettingsLoadReport* report = nullptr) const
    {
        return loadSettings(*m_backend, monitors, report);
    }
    QJsonObject storedObject() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<JsonSettingsBackend> m_backend;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_backend = std::make_unique<JsonSettingsBackend>(m_dir->path(), QStringLiteral("Brenvolutaris"));
}

void TestSettingsStore::writeStore(const QByteArray& contents)
{
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

void TestSettingsStore::writeStoreWith(const QString& name, const QJsonValue& stored)
{
    QJsonObject store = completeStore();
    if (stored.isUndefined())
        store.remove(name);
    else
        store.insert(name, stored);
    writeStore(store);
}

QJsonObject TestSettingsStore::storedObject() const
{
    QFile file(storePath());
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

void TestSettingsStore::noStoreGivesDefaults()
{
    SettingsLoadReport report;
    const Settings s = load(1, &report);
    QVERIFY(!report.keyFound);
    QCOMPARE(s, Settings());
    QCOMPARE(QStringList({s.classColumnCaption, s.competitionTitle, text(s.windowWidth), text(s.windowHeight),
                          text(s.saveFilterIndex), text(s.commonStart), text(s.windowLeft.has_value())}),
             QStringList({"Klasse", "Brenvolutaris", "1030", "588", "2", "1", "0"}));
    QVERIFY(!QFileInfo::exists(storePath())); // nothing is created by loading
}

// A value that is missing or of another type stops loading there: everything read before keeps
// the stored value, everything from there on keeps its default.
void TestSettingsStore::loadingStopsAtBrokenValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonValue>("stored"); // undefined: the value is missing

    for (const Probe& probe : probesInReadingOrder()) {
        const QByteArray row = probe.name.toLatin1();
        if (probe.stored.isString()) {
            QTest::addRow("%s stored as an integer", row.constData()) << probe.name << QJsonValue(7);
            QTest::addRow("%s stored as bytes", row.constData()) << probe.name << binary("abc");
        } else if (probe.stored.isObject()) {
            QTest::addRow("%s stored as a string", row.constData())
                << probe.name << QJsonValue(QStringLiteral("x"));
            QTest::addRow("%s stored as an integer", row.constData()) << probe.name << QJsonValue(0);
            QTest::addRow("%s binary with a second member", row.constData())
                << probe.name
                << QJsonValue(QJsonObject{{QStringLiteral("binary"), QStringLiteral("AQ==")},
                                          {QStringLiteral("x"), 1}});
            QTest::addRow("%s one byte too long", row.constData())
                << probe.name << binary(QByteArray(CertificateLayout::kByteSize + 1, '\1'));
        } else if (probe.stored.isDouble()) {
            QTest::addRow("%s missing", row.constData()) << probe.name << QJsonValue(QJsonValue::Undefined);
            QTest::addRow("%s stored as a string", row.constData())
                << probe.name << QJsonValue(QStringLiteral("1"));
            QTest::addRow("%s stored as bytes", row.constData()) << probe.name << binary(QByteArray(4, '\1'));
        }
    }
    const QString rank = QStringLiteral("Platznach");
    QTest::newRow("fraction") << rank << QJsonValue(1.5);
    QTest::newRow("above 32 bits") << rank << QJsonValue(double(0x80000000u));
    QTest::newRow("below 32 bits") << rank << QJsonValue(-2147483649.0);
    QTest::newRow("true") << rank << QJsonValue(true);
    QTest::newRow("null") << rank << QJsonValue(QJsonValue::Null);
    QTest::newRow("array") << rank << QJsonValue(QJsonArray{1});
    QTest::newRow("object without binary") << rank << QJsonValue(QJsonObject{{QStringLiteral("value"), 1}});
    QTest::newRow("binary with a second member")
        << rank
        << QJsonValue(
               QJsonObject{{QStringLiteral("binary"), QStringLiteral("AQ==")}, {QStringLiteral("x"), 1}});
    QTest::newRow("binary that is not base64")
        << rank << QJsonValue(QJsonObject{{QStringLiteral("binary"), QStringLiteral("@@@")}});
}

void TestSettingsStore::loadingStopsAtBrokenValue()
{
    QFETCH(QString, name);
    QFETCH(QJsonValue, stored);

    writeStoreWith(name, stored);
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

// One value stored differently; every other value reads as in the complete store.
void TestSettingsStore::storedValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonValue>("stored"); // undefined: the value is missing
    QTest::addColumn<int>("monitors");
    QTest::addColumn<QString>("expected");

    const QString port = QStringLiteral("Port2");
    QTest::newRow("COM5 on RLSD") << port << QJsonValue(0x0305) << 2 << QStringLiteral("5|3 /1,4");
    QTest::newRow("third port byte ignored") << port << QJsonValue(0x10003) << 2 << QStringLiteral("3|0-");
    QTest::newRow("COM64 on RING") << port << QJsonValue(0x0440) << 2 << QStringLiteral("64|4 /7,9");
    QTest::newRow("DSR line") << port << QJsonValue(0x0102) << 2 << QStringLiteral("2|1 /4,6");
    QTest::newRow("CTS line") << port << QJsonValue(0x0201) << 2 << QStringLiteral("1|2 /7,8");
    QTest::newRow("negative port keeps its low bytes")
        << port << QJsonValue(-1) << 2 << QStringLiteral("255|255");

    const QString monitor = QStringLiteral("Monitor");
    QTest::newRow("second of two monitors kept") << monitor << QJsonValue(1) << 2 << QStringLiteral("1");
    QTest::newRow("monitor index equal to the count") << monitor << QJsonValue(2) << 2 << QStringLiteral("0");
    QTest::newRow("negative monitor") << monitor << QJsonValue(-1) << 2 << QStringLiteral("0");
    QTest::newRow("no monitor reported") << monitor << QJsonValue(1) << 0 << QStringLiteral("0");

    const QString title = QStringLiteral("Title");
    QTest::newRow("empty title keeps the default")
        << title << QJsonValue(QString()) << 2 << QStringLiteral("Brenvolutaris");
    QTest::newRow("missing title keeps the default")
        << title << QJsonValue(QJsonValue::Undefined) << 2 << QStringLiteral("Brenvolutaris");
    QTest::newRow("blank is a title") << title << QJsonValue(QStringLiteral(" ")) << 2 << QStringLiteral(" ");
    QTest::newRow("umlauts in the title") << title << QJsonValue(QStringLiteral("Kreisausscheid Ölsnitz"))
                                          << 2 << QStringLiteral("Kreisausscheid Ölsnitz");

    const QJsonValue missing(QJsonValue::Undefined);
    QTest::newRow("missing class header reads empty, not Klasse")
        << QStringLiteral("ColHideName") << missing << 2 << QString();
    QTest::newRow("missing certificate picture reads empty")
        << QStringLiteral("Urkunde") << missing << 2 << QString();
    QTest::newRow("missing TV picture reads empty") << QStringLiteral("TVImage") << missing << 2 << QString();

    // A shorter certificate block fills the start of an empty layout.
    const QString nadpis = QStringLiteral("Nadpis");
    const auto block = [](int size) {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(1 + i % 251);
        return bytes;
    };
    const auto padded = [](const QByteArray& bytes) -> QString {
        return QString::fromLatin1(bytes.toHex()) +
               QString(2 * (CertificateLayout::kByteSize - bytes.size()), QLatin1Char('0'));
    };
    QTest::newRow("no certificate block: layout empty")
        << nadpis << QJsonValue(QJsonValue::Undefined) << 2 << padded({});
    QTest::newRow("certificate block of one record and a bit")
        << nadpis << binary(block(600)) << 2 << padded(block(600));
    QTest::newRow("certificate block one byte short")
        << nadpis << binary(block(CertificateLayout::kByteSize - 1)) << 2
        << padded(block(CertificateLayout::kByteSize - 1));
    QTest::newRow("certificate block of full size") << nadpis << binary(block(CertificateLayout::kByteSize))
                                                    << 2 << padded(block(CertificateLayout::kByteSize));

    QTest::newRow("width at the minimum")
        << QStringLiteral("Width") << QJsonValue(960) << 2 << QStringLiteral("960");
    QTest::newRow("width one below") << QStringLiteral("Width") << QJsonValue(959) << 2
                                     << QStringLiteral("960");
    QTest::newRow("height at the minimum")
        << QStringLiteral("Height") << QJsonValue(463) << 2 << QStringLiteral("463");
    QTest::newRow("height one below")
        << QStringLiteral("Height") << QJsonValue(462) << 2 << QStringLiteral("463");
    QTest::newRow("any number but 0 is true")
        << QStringLiteral("OnZiel3") << QJsonValue(-7) << 2 << QStringLiteral("1");
    QTest::newRow("unnamed mode number kept")
        << QStringLiteral("Make") << QJsonValue(5) << 2 << QStringLiteral("5");
}

void TestSettingsStore::storedValue()
{
    QFETCH(QString, name);
    QFETCH(QJsonValue, stored);
    QFETCH(int, monitors);
    QFETCH(QString, expected);

    writeStore(completeStore());
    const Settings full = load(2);
    writeStoreWith(name, stored);
    SettingsLoadReport report;
    const Settings s = load(monitors, &report);
    QCOMPARE(report.stoppedAt, QString());
    QCOMPARE(valuesOf(s, name), expected);
    for (const Probe& probe : probesInReadingOrder()) {
        if (probe.name != name && probe.name != QStringLiteral("Monitor"))
            QCOMPARE(probe.value(s), probe.value(full));
    }
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
    QCOMPARE(load(2, &report), Settings());
    QVERIFY(!report.keyFound);
}

void TestSettingsStore::saveThenLoad()
{
    writeStore(completeStore());
    Settings s = load();
    s.setWindowBounds(QRect(-1200, 5, 1111, 777)); // left of the primary monitor
    QCOMPARE(QRect(*s.windowLeft, *s.windowTop, s.windowWidth, s.windowHeight), QRect(-1200, 5, 1111, 777));
    s.inputPort[5] = 64;
    s.inputLine[5] = 4;
    s.competitionTitle = QStringLiteral("Pokal „Roter Hahn“ 10 €");
    CertificateLine line = s.certificateLayout.line(17);
    line.text = QStringLiteral("Ü");
    s.certificateLayout.setLine(17, line);

    QString error;
    QVERIFY2(saveSettings(*m_backend, s, &error), qPrintable(error));
    SettingsLoadReport report;
    QCOMPARE(load(2, &report), s);
    QCOMPARE(report.stoppedAt, QString());

    // Defaults survive a round trip as well; a system-placed window is written at (0, 0).
    QVERIFY(saveSettings(*m_backend, Settings()));
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

    const QJsonObject stored = storedObject();
    QCOMPARE(stored.size(), 26);
    QCOMPARE(stored.value(QStringLiteral("Klasse")), QJsonValue(1));
    QCOMPARE(stored.value(QStringLiteral("ColHideName")), QJsonValue(QStringLiteral("5")));
    QCOMPARE(stored.value(QStringLiteral("Port1")), QJsonValue(0x0103));
    QCOMPARE(stored.value(QStringLiteral("OnStart")), QJsonValue(1));
    QCOMPARE(stored.value(QStringLiteral("OnZiel3")), QJsonValue(0));
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
    QJsonObject stored = storedObject();
    stored.insert(QStringLiteral("Fremd"), QStringLiteral("bleibt"));
    writeStore(stored);
    QVERIFY(saveSettings(*m_backend, Settings()));
    QCOMPARE(storedObject().value(QStringLiteral("Fremd")), QJsonValue(QStringLiteral("bleibt")));
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

void TestSettingsStore::keyOpenedForReadingRefusesWrites()
{
    writeStore(completeStore());
    const std::unique_ptr<SettingsKey> key = m_backend->openExisting();
    QVERIFY(key);
    QVERIFY(!key->write(QStringLiteral("Title"), StoredValue(QStringLiteral("neu"))));
    QVERIFY(!key->errorString().isEmpty());
    QVERIFY(key->close());
    QCOMPARE(load().competitionTitle, QStringLiteral("Pokal 2024"));
}

// Values written before a failure stay written; nothing is written after it.
void TestSettingsStore::saveStopsAtTheFirstRefusal_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("error");

    QTest::newRow("everything written") << QString() << true << 26 << QStringLiteral("vorher");
    QTest::newRow("third value refused")
        << QStringLiteral("Width") << true << 2 << QStringLiteral("Width: verweigert");
    QTest::newRow("last value refused")
        << QStringLiteral("Monitor") << true << 25 << QStringLiteral("Monitor: verweigert");
    QTest::newRow("closing fails") << QString() << false << 26 << QStringLiteral("verweigert");
    QTest::newRow("a refusal wins over closing")
        << QStringLiteral("Port1") << false << 4 << QStringLiteral("Port1: verweigert");
}

void TestSettingsStore::saveStopsAtTheFirstRefusal()
{
    QFETCH(QString, refused);
    QFETCH(bool, closes);
    QFETCH(int, written);
    QFETCH(QString, error);

    RefusingBackend store;
    store.refused = refused;
    store.closes = closes;
    QString message = QStringLiteral("vorher");
    QCOMPARE(saveSettings(store, Settings(), &message), refused.isEmpty() && closes);
    QCOMPARE(store.written.size(), written);
    QCOMPARE(message, error);
    QVERIFY(!store.written.contains(refused));
}

void TestSettingsStore::otherBaseNameHasItsOwnStore()
{
    const ProgramFiles copy = ProgramFiles::fromProgramFile(QStringLiteral("/opt/brv/Bezirk.exe"));
    JsonSettingsBackend copyStore(m_dir->path(), copy.programBaseName);
    QCOMPARE(copyStore.filePath(), m_dir->filePath(QStringLiteral("Tempvalorhub/Bezirk.json")));

    Settings changed;
    changed.competitionTitle = QStringLiteral("Landesausscheid");
    QVERIFY(saveSettings(*m_backend, changed));
    SettingsLoadReport report;
    QCOMPARE(loadSettings(copyStore, 1, &report), Settings());
    QVERIFY(!report.keyFound);
}

void TestSettingsStore::programFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("programDir");

    QTest::newRow("windows program name")
        << QStringLiteral("C:/Programme/Brv/Brenvolutaris.exe") << QStringLiteral("Brenvolutaris")
        << QStringLiteral("C:/Programme/Brv/");
    QTest::newRow("no extension") << QStringLiteral("/usr/bin/brenvolutaris")
                                  << QStringLiteral("brenvolutaris") << QStringLiteral("/usr/bin/");
    QTest::newRow("dots in the name lose only the last extension")
        << QStringLiteral("/opt/Brv.2024.exe") << QStringLiteral("Brv.2024") << QStringLiteral("/opt/");
    QTest::newRow("program in the root folder")
        << QStringLiteral("/brv") << QStringLiteral("brv") << QStringLiteral("/");
}

void TestSettingsStore::programFiles()
{
    QFETCH(QString, program);
    QFETCH(QString, baseName);
    QFETCH(QString, programDir);

    const ProgramFiles files = ProgramFiles::fromProgramFile(program);
    QCOMPARE(files.programFilePath, program);
    QCOMPARE(files.programBaseName, baseName);
    QCOMPARE(files.registryKeyPath, QStringLiteral("\\Software\\Tempvalorhub\\") + baseName);
    QCOMPARE(files.programDir, programDir);
    QCOMPARE(files.documentTemplatePath, programDir + QStringLiteral("Protokollvorlage.doc"));
    QCOMPARE(files.helpFilePath, programDir + baseName + QStringLiteral(".chm"));
    QCOMPARE(files.soundPath(QStringLiteral("Audio-Stopp")), programDir + QStringLiteral("Audio-Stopp.wav"));
}

void TestSettingsStore::startSoundFlag()
{
    const QString program = QDir(m_dir->path()).filePath(QStringLiteral("Brenvolutaris"));
    const ProgramFiles without = ProgramFiles::detect(program);
    QVERIFY(!without.startSoundPresent);
    QCOMPARE(without.fileTypeNames, builtInFileTypeNames());
    QCOMPARE(without.fileTypeNames.at(3), QStringLiteral("MS Excel"));

    QFile sound(QDir(m_dir->path()).filePath(QStringLiteral("Audio-Start.wav")));
    QVERIFY(sound.open(QIODevice::WriteOnly));
    sound.close();
    QVERIFY(ProgramFiles::detect(program).startSoundPresent);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
