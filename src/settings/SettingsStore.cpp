#include "SettingsStore.h"

#include "JsonSettingsBackend.h"
#include "ProgramFiles.h"

#ifdef Q_OS_WIN
#include "WindowsRegistry.h"
#endif

namespace brv {
namespace {

QString portValueName(int input)
{
    return QStringLiteral("Port") + QString::number(input);
}

// Reads values of one key and remembers the first one that could not be read.
class ValueReader
{
public:
    explicit ValueReader(const SettingsKey& key) : m_key(key) {}

    QString stoppedAt() const { return m_stoppedAt; }

    // An absent value or one of another type is a failure.
    std::optional<qint32> integer(const QString& name)
    {
        const auto value = m_key.value(name);
        if (value) {
            if (const auto* i = std::get_if<qint32>(&*value))
                return *i;
        }
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
        if (m_stoppedAt.isEmpty())
            m_stoppedAt = name;
        return std::nullopt;
    }

    const SettingsKey& m_key;
    QString m_stoppedAt;
};

// The values in the order they are read; returns false where reading stopped.
bool readValues(ValueReader& in, Settings& s)
{
    for (int n = 1; n <= kContactInputCount; ++n) {
        const auto packed = in.integer(portValueName(n));
        if (!packed)
            return false;
        s.InputPort[n] = portOfPacked(*packed);
    }
    for (int n = 1; n <= kContactInputCount; ++n) {
        const auto packed = in.integer(portValueName(n));
        if (!packed)
            return false;
        s.InputLine[n] = lineOfPacked(*packed);
    }

    QString title;
    const bool complete =
        in.read(QStringLiteral("Alg1"), s.InputEvent[1]) &&
        in.read(QStringLiteral("Alg2"), s.InputEvent[2]) && in.read(QStringLiteral("Left"), s.Left) &&
        in.read(QStringLiteral("Top"), s.Top) && in.read(QStringLiteral("Width"), s.Width) &&
        in.read(QStringLiteral("Height"), s.Height) && in.read(QStringLiteral("Nadpis"), s.Nadpis) &&
        in.read(QStringLiteral("FilterInd"), s.FilterInd) && in.read(QStringLiteral("Klasse"), s.Klasse) &&
        in.read(QStringLiteral("ColHideName"), s.ColHideName) &&
        in.read(QStringLiteral("Platznach"), s.Platznach) && in.read(QStringLiteral("Urkunde"), s.Urkunde) &&
        in.read(QStringLiteral("Startznach"), s.Startznach) && in.read(QStringLiteral("q16_8"), s.q16_8) &&
        in.read(QStringLiteral("OnZiel3"), s.OnZiel3) && in.read(QStringLiteral("Title"), title);
    if (!complete)
        return false;
    // The stored title replaces the default only when it holds something.
    if (!title.isEmpty())
        s.Title = title;
    return in.read(QStringLiteral("Monitor"), s.Monitor) && in.read(QStringLiteral("TVImage"), s.TVImage) &&
           in.read(QStringLiteral("Make"), s.Make) && in.read(QStringLiteral("OnStart"), s.OnStart);
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
    return winreg::currentUserBackend(files.SettingsKeyPath);
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
        *report = SettingsLoadReport{key != nullptr, QString()};
    if (key) {
        ValueReader in(*key);
        readValues(in, settings);
        key->close();
        if (report)
            report->stoppedAt = in.stoppedAt();
    }

    // A negative index is as unusable for the TV display as one past the last monitor.
    if (settings.Monitor < 0 || settings.Monitor >= monitorCount)
        settings.Monitor = 0;
    settings.Width = qMax(settings.Width, kMinimumWindowWidth);
    settings.Height = qMax(settings.Height, kMinimumWindowHeight);
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
    // since a missing "Left" would stop the next loading there.
    ValueWriter out(*key);
    out.write(QStringLiteral("Left"), s.Left.value_or(0))
        .write(QStringLiteral("Top"), s.Top.value_or(0))
        .write(QStringLiteral("Width"), s.Width)
        .write(QStringLiteral("Height"), s.Height);
    for (int n = 1; n <= kContactInputCount; ++n)
        out.write(portValueName(n), StoredValue(packPort(s.InputPort[n], s.InputLine[n])));
    out.write(QStringLiteral("Alg1"), s.InputEvent[1])
        .write(QStringLiteral("Alg2"), s.InputEvent[2])
        .write(QStringLiteral("Nadpis"), StoredValue(s.Nadpis.bytes()))
        .write(QStringLiteral("FilterInd"), s.FilterInd)
        .write(QStringLiteral("Klasse"), s.Klasse)
        .write(QStringLiteral("ColHideName"), s.ColHideName)
        .write(QStringLiteral("Platznach"), s.Platznach)
        .write(QStringLiteral("Urkunde"), s.Urkunde)
        .write(QStringLiteral("Startznach"), s.Startznach)
        .write(QStringLiteral("q16_8"), s.q16_8)
        .write(QStringLiteral("Make"), s.Make)
        .write(QStringLiteral("OnZiel3"), s.OnZiel3)
        .write(QStringLiteral("OnStart"), s.OnStart)
        .write(QStringLiteral("Title"), s.Title)
        .write(QStringLiteral("TVImage"), s.TVImage)
        .write(QStringLiteral("Monitor"), s.Monitor);

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
