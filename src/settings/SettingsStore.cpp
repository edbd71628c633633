#include "settings/SettingsStore.h"

#include "settings/JsonSettingsBackend.h"
#include "settings/ProgramFiles.h"

#include <type_traits>

#ifdef Q_OS_WIN
#include "settings/WindowsRegistry.h"
#endif

namespace brv {
namespace {

// The names the settings are stored under, one table for the whole store. They are the names
// every version of the program has used, so a store written by any of them reads back; they do
// not follow the names in the code.
namespace storedName {
constexpr QLatin1StringView inputPortPrefix{"Port"}; // "Port1" .. "Port6"
constexpr QLatin1StringView inputEdge1{"Alg1"};
constexpr QLatin1StringView inputEdge2{"Alg2"};
constexpr QLatin1StringView windowLeft{"Left"};
constexpr QLatin1StringView windowTop{"Top"};
constexpr QLatin1StringView windowWidth{"Width"};
constexpr QLatin1StringView windowHeight{"Height"};
constexpr QLatin1StringView certificateLayout{"Nadpis"};
constexpr QLatin1StringView saveFilterIndex{"FilterInd"};
constexpr QLatin1StringView classColumnShown{"Klasse"};
constexpr QLatin1StringView classColumnCaption{"ColHideName"};
constexpr QLatin1StringView rankingMode{"Platznach"};
constexpr QLatin1StringView certificateTemplate{"Urkunde"};
constexpr QLatin1StringView startSignal{"Startznach"};
constexpr QLatin1StringView knockoutStart{"q16_8"};
constexpr QLatin1StringView thirdLaneOn{"OnZiel3"};
constexpr QLatin1StringView competitionTitle{"Title"};
constexpr QLatin1StringView tvMonitor{"Monitor"};
constexpr QLatin1StringView tvTitleImage{"TVImage"};
constexpr QLatin1StringView pairing{"Make"};
constexpr QLatin1StringView commonStart{"OnStart"};
constexpr QLatin1StringView liveResultsOn{"LiveOn"};
constexpr QLatin1StringView liveResultsPort{"LivePort"};
} // namespace storedName

QString portValueName(int input)
{
    return storedName::inputPortPrefix + QString::number(input);
}

// Reads values of one key; one that cannot be read keeps its default, and one that is stored
// but unusable is remembered.
class ValueReader
{
public:
    explicit ValueReader(const SettingsKey& key) : m_key(key) {}

    const QStringList& resetValues() const { return m_reset; }

    // An absent value or one of another type is a failure; only the second is remembered.
    std::optional<qint32> integer(const QString& name)
    {
        const auto value = m_key.value(name);
        if (!value)
            return std::nullopt;
        if (const auto* i = std::get_if<qint32>(&*value))
            return *i;
        return fail<qint32>(name);
    }

    // An absent value reads as empty; one of another type is a failure.
    std::optional<QString> string(const QString& name)
    {
        const auto value = m_key.value(name);
        if (!value)
            return QString();
        if (const auto* s = std::get_if<QString>(&*value))
            return *s;
        return fail<QString>(name);
    }

    // An absent value reads as no bytes; one of another type or longer than maxSize is a
    // failure.
    std::optional<QByteArray> bytes(const QString& name, qsizetype maxSize)
    {
        const auto value = m_key.value(name);
        if (!value)
            return QByteArray();
        if (const auto* b = std::get_if<QByteArray>(&*value); b && b->size() <= maxSize)
            return *b;
        return fail<QByteArray>(name);
    }

    bool read(const QString& name, int& target)
    {
        const auto value = integer(name);
        if (value)
            target = *value;
        return value.has_value();
    }

    bool read(const QString& name, std::optional<int>& target)
    {
        const auto value = integer(name);
        if (value)
            target = *value;
        return value.has_value();
    }

    // Any value other than 0 is true.
    bool read(const QString& name, bool& target)
    {
        const auto value = integer(name);
        if (value)
            target = *value != 0;
        return value.has_value();
    }

    // The modes are stored as their numbers; a number outside the named modes is kept.
    template <typename Enum>
    requires std::is_enum_v<Enum>
    bool read(const QString& name, Enum& target)
    {
        const auto value = integer(name);
        if (value)
            target = Enum(*value);
        return value.has_value();
    }
    bool read(const QString& name, QString& target)
    {
        const auto value = string(name);
        if (value)
            target = *value;
        return value.has_value();
    }

    bool read(const QString& name, CertificateLayout& target)
    {
        const auto value = bytes(name, CertificateLayout::kByteSize);
        if (value && !value->isEmpty())
            target = CertificateLayout::fromBytes(*value);
        return value.has_value();
    }

private:
    template <typename T> std::optional<T> fail(const QString& name)
    {
        if (!m_reset.contains(name))
            m_reset.append(name);
        return std::nullopt;
    }

    const SettingsKey& m_key;
    QStringList m_reset;
};

// The values in the order they are read.
void readValues(ValueReader& in, Settings& s)
{
    for (int n = 1; n <= kContactInputCount; ++n) {
        if (const auto packed = in.integer(portValueName(n))) {
            s.inputPort[n] = portOfPacked(*packed);
            s.inputLine[n] = lineOfPacked(*packed);
        }
    }
    in.read(storedName::inputEdge1, s.inputEdge[1]);
    in.read(storedName::inputEdge2, s.inputEdge[2]);
    in.read(storedName::windowLeft, s.windowLeft);
    in.read(storedName::windowTop, s.windowTop);
    in.read(storedName::windowWidth, s.windowWidth);
    in.read(storedName::windowHeight, s.windowHeight);
    in.read(storedName::certificateLayout, s.certificateLayout);
    in.read(storedName::saveFilterIndex, s.saveFilterIndex);
    in.read(storedName::classColumnShown, s.classColumnShown);
    in.read(storedName::classColumnCaption, s.classColumnCaption);
    in.read(storedName::rankingMode, s.rankingMode);
    in.read(storedName::certificateTemplate, s.certificateTemplate);
    in.read(storedName::startSignal, s.startSignal);
    in.read(storedName::knockoutStart, s.knockoutStart);
    in.read(storedName::thirdLaneOn, s.thirdLaneOn);
    // The stored title replaces the default only when it holds something.
    QString title;
    if (in.read(storedName::competitionTitle, title) && !title.isEmpty())
        s.competitionTitle = title;
    in.read(storedName::tvMonitor, s.tvMonitor);
    in.read(storedName::tvTitleImage, s.tvTitleImage);
    in.read(storedName::pairing, s.pairing);
    in.read(storedName::commonStart, s.commonStart);
    in.read(storedName::liveResultsOn, s.liveResultsOn);
    in.read(storedName::liveResultsPort, s.liveResultsPort);
}

// Writes values in order and stops at the first failure.
class ValueWriter
{
public:
    explicit ValueWriter(SettingsKey& key) : m_key(key) {}

    bool ok() const { return m_ok; }
    QString errorString() const { return m_error; }

    ValueWriter& write(const QString& name, const StoredValue& value)
    {
        if (m_ok && !m_key.write(name, value)) {
            m_ok = false;
            m_error = name + QStringLiteral(": ") + m_key.errorString();
        }
        return *this;
    }
    ValueWriter& write(const QString& name, int value) { return write(name, StoredValue(qint32(value))); }
    ValueWriter& write(const QString& name, bool value)
    {
        return write(name, StoredValue(qint32(value ? 1 : 0)));
    }
    ValueWriter& write(const QString& name, const QString& value) { return write(name, StoredValue(value)); }
    template <typename Enum>
    requires std::is_enum_v<Enum> ValueWriter& write(const QString& name, Enum value)
    {
        return write(name, StoredValue(qint32(value)));
    }

private:
    SettingsKey& m_key;
    bool m_ok = true;
    QString m_error;
};

} // namespace

QString settingsKeyPath(const QString& programBaseName)
{
    return QStringLiteral("\\Software\\") + kSettingsOrganisation + QLatin1Char('\\') + programBaseName;
}

std::unique_ptr<SettingsBackend> userSettingsBackend(const ProgramFiles& files)
{
#ifdef Q_OS_WIN
    return winreg::currentUserBackend(files.registryKeyPath);
#else
    return std::make_unique<JsonSettingsBackend>(JsonSettingsBackend::userConfigFolder(),
                                                 files.programBaseName);
#endif
}

Settings loadSettings(const SettingsBackend& backend, int monitorCount, SettingsLoadReport* report)
{
    Settings settings;
    const std::unique_ptr<SettingsKey> key = backend.openExisting();
    if (report)
        *report = SettingsLoadReport{key != nullptr, {}, backend.damagedCopyPath()};
    if (key) {
        ValueReader in(*key);
        readValues(in, settings);
        key->close();
        if (report)
            report->resetValues = in.resetValues();
    }

    // A negative index is as unusable for the TV display as one past the last monitor.
    if (settings.tvMonitor < 0 || settings.tvMonitor >= monitorCount)
        settings.tvMonitor = 0;
    if (settings.liveResultsPort < 1 || settings.liveResultsPort > 65535)
        settings.liveResultsPort = Settings().liveResultsPort;
    settings.windowWidth = qMax(settings.windowWidth, version::kMinimumWindowWidth);
    settings.windowHeight = qMax(settings.windowHeight, version::kMinimumWindowHeight);
    return settings;
}

bool saveSettings(SettingsBackend& backend, const Settings& s, QString* errorString)
{
    const std::unique_ptr<SettingsKey> key = backend.openOrCreate();
    if (!key) {
        if (errorString)
            *errorString = backend.errorString();
        return false;
    }

    // A window the system placed has reported its place before saving; 0 stands in otherwise,
    // as every version of the program has written it.
    ValueWriter out(*key);
    out.write(storedName::windowLeft, s.windowLeft.value_or(0))
        .write(storedName::windowTop, s.windowTop.value_or(0))
        .write(storedName::windowWidth, s.windowWidth)
        .write(storedName::windowHeight, s.windowHeight);
    for (int n = 1; n <= kContactInputCount; ++n)
        out.write(portValueName(n), StoredValue(packPort(s.inputPort[n], s.inputLine[n])));
    out.write(storedName::inputEdge1, s.inputEdge[1])
        .write(storedName::inputEdge2, s.inputEdge[2])
        .write(storedName::certificateLayout, StoredValue(s.certificateLayout.bytes()))
        .write(storedName::saveFilterIndex, s.saveFilterIndex)
        .write(storedName::classColumnShown, s.classColumnShown)
        .write(storedName::classColumnCaption, s.classColumnCaption)
        .write(storedName::rankingMode, s.rankingMode)
        .write(storedName::certificateTemplate, s.certificateTemplate)
        .write(storedName::startSignal, s.startSignal)
        .write(storedName::knockoutStart, s.knockoutStart)
        .write(storedName::pairing, s.pairing)
        .write(storedName::thirdLaneOn, s.thirdLaneOn)
        .write(storedName::commonStart, s.commonStart)
        .write(storedName::competitionTitle, s.competitionTitle)
        .write(storedName::tvTitleImage, s.tvTitleImage)
        .write(storedName::tvMonitor, s.tvMonitor)
        .write(storedName::liveResultsOn, s.liveResultsOn)
        .write(storedName::liveResultsPort, s.liveResultsPort);

    bool ok = out.ok();
    QString error = out.errorString();
    // Values written before a failure stay written, as with any key.
    if (!key->close() && ok) {
        ok = false;
        error = key->errorString();
    }
    if (!ok && errorString)
        *errorString = error;
    return ok;
}

} // namespace brv
