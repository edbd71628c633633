#include "settings/JsonSettingsBackend.h"
#include "settings/ProgramFiles.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brv;

namespace {

QJsonValue binary(const QByteArray& bytes)
{
    return QJsonObject{{"binary", QString::fromLatin1(bytes.toBase64())}};
}

// The settings as text, one entry per value in reading order. "Port1".."Port6" are read twice:
// for the ports, then for the modem lines.
QStringList readValues(const Settings& s)
{
    const auto num = [](auto v) { return QString::number(int(v)); };
    const auto place = [](std::optional<int> v) { return v ? QString::number(*v) : QStringLiteral("none"); };
    QStringList v;
    for (int n = 1; n <= kContactInputCount; ++n)
        v << num(s.inputPort[n]);
    for (int n = 1; n <= kContactInputCount; ++n)
        v << num(s.inputLine[n]);
    return v << num(s.inputEdge[1]) << num(s.inputEdge[2]) << place(s.windowLeft) << place(s.windowTop)
             << num(s.windowWidth) << num(s.windowHeight) << s.certificateLayout.bytes().toHex()
             << num(s.saveFilterIndex) << num(s.classColumnShown) << s.classColumnCaption
             << num(s.rankingMode) << s.certificateTemplate << num(s.startSignal) << num(s.knockoutStart)
             << num(s.thirdLaneOn) << s.competitionTitle << num(s.tvMonitor) << s.tvTitleImage
             << num(s.pairing) << num(s.commonStart) << num(s.liveResultsOn) << num(s.liveResultsPort);
}

// Per entry of readValues(): the stored name, a stored value that is not the default, and what
// it reads as.
struct Entry
{
    QString name;
    QJsonValue stored;
    QString reads;
};

QList<Entry> completeStoreEntries()
{
    const int packed[] = {0x0101, 0x0305, 0x0206, 0x0440, 0x0108, 0x0209};
    QList<Entry> entries;
    for (int n = 1; n <= kContactInputCount; ++n)
        entries.append({"Port" + QString::number(n), packed[n - 1], QString::number(packed[n - 1] & 0xFF)});
    for (int n = 1; n <= kContactInputCount; ++n)
        entries.append({"Port" + QString::number(n), packed[n - 1], QString::number(packed[n - 1] >> 8)});
    const QByteArray layout(CertificateLayout::kByteSize, '\x5A');
    return entries << Entry{"Alg1", 1, "1"} << Entry{"Alg2", 2, "2"} << Entry{"Left", -1200, "-1200"}
                   << Entry{"Top", 20, "20"} << Entry{"Width", 1200, "1200"} << Entry{"Height", 700, "700"}
                   << Entry{"Nadpis", binary(layout), layout.toHex()} << Entry{"FilterInd", 3, "3"}
                   << Entry{"Klasse", 1, "1"} << Entry{"ColHideName", "AK", "AK"}
                   << Entry{"Platznach", 1, "1"} << Entry{"Urkunde", "/u.jpg", "/u.jpg"}
                   << Entry{"Startznach", 1, "1"} << Entry{"q16_8", 1, "1"} << Entry{"OnZiel3", 1, "1"}
                   << Entry{"Title", "Pokal „Roter Hahn“", "Pokal „Roter Hahn“"} << Entry{"Monitor", 1, "1"}
                   << Entry{"TVImage", "/tv.png", "/tv.png"} << Entry{"Make", 1, "1"}
                   << Entry{"OnStart", 0, "0"} << Entry{"LiveOn", 1, "1"} << Entry{"LivePort", 8081, "8081"};
}

// Every value stored, none at its default (Monitor 1 needs two monitors).
QJsonObject completeStore()
{
    QJsonObject store;
    for (const Entry& entry : completeStoreEntries())
        store.insert(entry.name, entry.stored);
    return store;
}

// A store that refuses to write "Width" and to close, and notes the names it was given.
struct RefusingBackend final : SettingsBackend
{
    struct Key final : SettingsKey
    {
        explicit Key(QStringList& written) : written(written) {}
        std::optional<StoredValue> value(const QString&) const override { return std::nullopt; }
        bool write(const QString& n, const StoredValue&) override { return (written << n).last() != "Width"; }
        bool close() override { return false; }
        QString errorString() const override { return "verweigert"; }
        QStringList& written;
    };

    std::unique_ptr<SettingsKey> openExisting() const override { return nullptr; }
    std::unique_ptr<SettingsKey> openOrCreate() override { return std::make_unique<Key>(written); }
    QString errorString() const override { return {}; }
    QStringList written;
};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_backend = std::make_unique<JsonSettingsBackend>(m_dir->path(), "Brenvolutaris");
    }

    void unreadableStoreGivesDefaults_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: no file

        QTest::newRow("no file") << QByteArray();
        QTest::newRow("cut off while writing") << QJsonDocument(completeStore()).toJson().left(200);
        QTest::newRow("array instead of object") << QByteArray("[1, 2, 3]");
        QTest::newRow("garbage") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
        QTest::newRow("empty") << QByteArray("");
    }

    // Such a file counts as no key at all; saving keeps it beside as ….json.defekt (one from before
    // replaced) and then writes the defaults.
    void unreadableStoreGivesDefaults()
    {
        QFETCH(QByteArray, contents);
        const QString copy = m_backend->filePath() + QStringLiteral(".defekt");
        if (!contents.isNull()) {
            writeStore(contents);
            QFile older(copy);
            QVERIFY(older.open(QIODevice::WriteOnly) && older.write("älter") == 6);
        }

        SettingsLoadReport report;
        QCOMPARE(load(&report), Settings());
        QVERIFY(!report.keyFound && report.damagedCopy == (contents.isNull() ? QString() : copy));
        QCOMPARE(QFileInfo::exists(m_backend->filePath()), !contents.isNull()); // loading creates nothing

        QVERIFY(saveSettings(*m_backend, Settings()));
        QFile kept(copy);
        QCOMPARE(kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray(), contents);
        load(&report);
        QVERIFY(report.keyFound && report.damagedCopy.isEmpty());
    }

    // One value of the complete store replaced, or removed when `stored` is undefined. A value that
    // is missing or of another type keeps its default and every other value is read; one that is
    // stored but unusable is named in the report.
    void oneStoredValue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QJsonValue>("stored");
        // what `name` reads as ('|' between a port's two); null: default
        QTest::addColumn<QString>("expected");

        const QString defaulted;
        const QJsonValue missing(QJsonValue::Undefined);
        QList<Entry> entries = completeStoreEntries();
        entries.remove(kContactInputCount, kContactInputCount); // each port once
        for (const Entry& entry : entries) {
            const QByteArray name = entry.name.toLatin1();
            const auto row = [&](const char* what) -> QTestData& {
                return QTest::addRow("%s %s", name.constData(), what) << entry.name;
            };
            if (entry.stored.isString()) {
                row("as an integer") << QJsonValue(7) << defaulted;
            } else if (entry.stored.isObject()) {
                row("as a string") << QJsonValue("x") << defaulted;
                row("object without binary") << QJsonValue(QJsonObject{{"value", "AQ=="}}) << defaulted;
                row("binary and a second member")
                    << QJsonValue(QJsonObject{{"binary", "AQ=="}, {"x", 1}}) << defaulted;
                row("binary that is not base64") << QJsonValue(QJsonObject{{"binary", "@@@"}}) << defaulted;
                row("one byte too long")
                    << binary(QByteArray(CertificateLayout::kByteSize + 1, '\1')) << defaulted;
            } else {
                row("missing") << missing << defaulted;
                row("as a string") << QJsonValue("1") << defaulted;
            }
        }
        QTest::newRow("fraction") << "Platznach" << QJsonValue(1.5) << defaulted;
        QTest::newRow("above 32 bits") << "Platznach" << QJsonValue(2147483648.0) << defaulted;
        QTest::newRow("below 32 bits") << "Platznach" << QJsonValue(-2147483649.0) << defaulted;
        QTest::newRow("true") << "Platznach" << QJsonValue(true) << defaulted;
        QTest::newRow("largest 32-bit number") << "Platznach" << QJsonValue(2147483647) << "2147483647";
        QTest::newRow("smallest 32-bit number") << "Platznach" << QJsonValue(-2147483648.0) << "-2147483648";

        QTest::newRow("negative port keeps its low bytes") << "Port2" << QJsonValue(-1) << "255|255";
        QTest::newRow("monitor index equal to the count") << "Monitor" << QJsonValue(2) << "0";
        QTest::newRow("negative monitor") << "Monitor" << QJsonValue(-1) << "0";
        QTest::newRow("live port 0") << "LivePort" << QJsonValue(0) << "8080";
        QTest::newRow("live port 1") << "LivePort" << QJsonValue(1) << "1";
        QTest::newRow("live port 65535") << "LivePort" << QJsonValue(65535) << "65535";
        QTest::newRow("live port 65536") << "LivePort" << QJsonValue(65536) << "8080";
        QTest::newRow("empty title keeps the default") << "Title" << QJsonValue("") << "Brenvolutaris";
        QTest::newRow("missing class header reads empty, not Klasse") << "ColHideName" << missing << "";
        QTest::newRow("width one below the minimum") << "Width" << QJsonValue(959) << "960";
        QTest::newRow("height one below the minimum") << "Height" << QJsonValue(462) << "463";
        QTest::newRow("any number but 0 is true") << "OnZiel3" << QJsonValue(-7) << "1";
        // A shorter certificate block fills the start of an empty layout.
        QByteArray block(CertificateLayout::kByteSize, '\0');
        QTest::newRow("no certificate block") << "Nadpis" << missing << QString(block.toHex());
        block[0] = '\x7F';
        QTest::newRow("certificate block of one byte")
            << "Nadpis" << binary("\x7F") << QString(block.toHex());
    }

    void oneStoredValue()
    {
        QFETCH(QString, name);
        QFETCH(QJsonValue, stored);
        QFETCH(QString, expected);

        QJsonObject store = completeStore();
        store.insert(name, stored); // an undefined value removes the name
        writeStore(QJsonDocument(store).toJson());
        SettingsLoadReport report;
        const QStringList values = readValues(load(&report));
        const bool reset = expected.isNull() && !stored.isUndefined();
        QCOMPARE(report.resetValues, reset ? QStringList{name} : QStringList());

        const QList<Entry> entries = completeStoreEntries();
        const QStringList defaults = readValues(Settings());
        QStringList read;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (entries[i].name == name && !expected.isNull())
                read << values[i];
            else
                QVERIFY2(values[i] == (entries[i].name == name ? defaults[i] : entries[i].reads),
                         qPrintable(entries[i].name + " = " + values[i]));
        }
        QCOMPARE(read.join('|'), expected);
    }

    // Loading the complete store and saving it again gives the same file: the same names, integers as
    // numbers, texts as strings, the certificate block as bytes, byte for byte (its stale bytes behind
    // each shorter length byte included). Values under other names stay.
    void saveWritesTheStoredNamesAndTypes()
    {
        QJsonObject store = completeStore();
        store.insert("Fremd", "bleibt");
        writeStore(QJsonDocument(store).toJson());
        QVERIFY(saveSettings(*m_backend, load()));
        QFile file(m_backend->filePath());
        QCOMPARE(QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : "").object(),
                 store);

        // A window the system placed is written at (0, 0).
        QVERIFY(saveSettings(*m_backend, Settings()));
        Settings placed;
        placed.setWindowBounds(QRect(0, 0, 1030, 588));
        QCOMPARE(load(), placed);
    }

    // Creating the folder, opening the file and putting the written file in place fail in turn: a file
    // where the folder belongs, a folder where the file belongs, a name too long for the file system.
    void saveFails()
    {
        QVERIFY(QFile(m_dir->filePath("plain")).open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(m_backend->filePath()));
        JsonSettingsBackend underFile(m_dir->filePath("plain"), "Brenvolutaris");
        JsonSettingsBackend longName(m_dir->path(), QString(300, 'x'));
        for (JsonSettingsBackend* backend : {&underFile, m_backend.get(), &longName}) {
            QString error;
            QVERIFY(!saveSettings(*backend, Settings(), &error) && !error.isEmpty());
        }
    }

    void keyRefusesWhatItCannotWrite()
    {
        const std::unique_ptr<SettingsKey> writing = m_backend->openOrCreate();
        QVERIFY(writing && !writing->write("Title", StoredValue(OtherType{})));
        QVERIFY(writing->errorString().contains("Title") && writing->close());
        QVERIFY(!QFileInfo::exists(m_backend->filePath())); // nothing written, nothing saved

        writeStore(QJsonDocument(completeStore()).toJson());
        const std::unique_ptr<SettingsKey> reading = m_backend->openExisting();
        QVERIFY(reading && !reading->write("Title", StoredValue(QStringLiteral("neu"))));
        QVERIFY(!reading->errorString().isEmpty() && reading->close());
    }

    // Values written before a refusal stay written and nothing is written after it; the refusal is
    // reported, not the failed closing that follows.
    void saveStopsAtTheFirstRefusal()
    {
        RefusingBackend store;
        QString error;
        QVERIFY(!saveSettings(store, Settings(), &error));
        QCOMPARE(store.written.join('|') + ' ' + error, "Left|Top|Width Width: verweigert");
    }

    void programFiles_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("programDir");

        QTest::newRow("dots lose only the last extension")
            << "/opt/Brv.2024.exe" << QStringLiteral("Brv.2024") << "/opt/";
        QTest::newRow("program in the root folder") << "/brv" << QStringLiteral("brv") << "/";
    }

    // A renamed program gets its own settings.
    void programFiles()
    {
        QFETCH(QString, program);
        QFETCH(QString, baseName);
        QFETCH(QString, programDir);
        const ProgramFiles files = ProgramFiles::fromProgramFile(program);
        QCOMPARE(QStringList(
                     {files.programFilePath, files.programBaseName, files.registryKeyPath, files.programDir}),
                 QStringList({program, baseName, "\\Software\\Tempvalorhub\\" + baseName, programDir}));
        QCOMPARE(JsonSettingsBackend("/home/a/.config", files.programBaseName).filePath(),
                 "/home/a/.config/Tempvalorhub/" + baseName + ".json");
    }

    void dataFolder_data()
    {
        QTest::addColumn<QStringList>("files"); // made below the temporary folder
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("startSound");

        const QString share = "share/brenvolutaris/";
        QTest::newRow("nothing anywhere: beside the program") << QStringList() << false << false;
        QTest::newRow("a build tree: the sound beside the program")
            << QStringList{"bin/Audio-Start.wav"} << false << true;
        QTest::newRow("installed: the data folder") << QStringList{share + "Audio-Start.wav"} << true << true;
        QTest::newRow("installed without sounds")
            << QStringList{share + "handbuch/index.html"} << true << false;
        QTest::newRow("a manual beside wins over the data folder")
            << QStringList{"bin/handbuch/index.html", share + "Audio-Start.wav"} << false << false;
    }

    // The read-only files lie beside the program unless it is installed; an installed program
    // writes into the user's folder.
    void dataFolder()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, installed);
        QFETCH(bool, startSound);
        QStandardPaths::setTestModeEnabled(true);
        const QDir root(m_dir->path());
        QVERIFY(root.mkpath("bin"));
        for (const QString& file : files) {
            QVERIFY(root.mkpath(QFileInfo(root.filePath(file)).path()));
            QVERIFY(QFile(root.filePath(file)).open(QIODevice::WriteOnly));
        }

        const ProgramFiles found = ProgramFiles::detect(root.filePath("bin/brenvolutaris"));
        const QString dataDir = installed ? root.filePath("share/brenvolutaris/") : root.filePath("bin/");
        QVERIFY(found.installed() == installed && found.startSoundPresent == startSound);
        QCOMPARE(QStringList({found.dataDir, found.manualStartPage, found.documentTemplatePath}),
                 QStringList({dataDir, dataDir + "handbuch/index.html", dataDir + "Protokollvorlage.docx"}));
        QCOMPARE(found.outputDir, installed ? ProgramFiles::userDataDir() : root.filePath("bin/"));
        QVERIFY(QFileInfo(found.outputDir).isDir());
    }

private:
    void writeStore(const QByteArray& contents)
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_backend->filePath()).path()));
        QFile file(m_backend->filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(contents) == contents.size());
    }
    Settings load(SettingsLoadReport* report = nullptr) const { return loadSettings(*m_backend, 2, report); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<JsonSettingsBackend> m_backend;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
