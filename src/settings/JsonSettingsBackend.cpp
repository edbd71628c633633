#include "settings/JsonSettingsBackend.h"

#include "files/AtomicFile.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace brv {
namespace {

const QString kBinaryMember = QStringLiteral("binary");

StoredValue fromJson(const QJsonValue& json)
{
    if (json.isDouble()) {
        const double d = json.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && d >= double(std::numeric_limits<qint32>::min()) &&
            d <= double(std::numeric_limits<qint32>::max()))
            return qint32(d);
        return OtherType{};
    }
    if (json.isString())
        return json.toString();
    if (json.isObject()) {
        const QJsonObject object = json.toObject();
        const QJsonValue data = object.value(kBinaryMember);
        if (object.size() != 1 || !data.isString())
            return OtherType{};
        const auto decoded = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return OtherType{};
        return decoded.decoded;
    }
    return OtherType{};
}

std::optional<QJsonValue> toJson(const StoredValue& value)
{
    if (const auto* i = std::get_if<qint32>(&value))
        return QJsonValue(qint64(*i));
    if (const auto* s = std::get_if<QString>(&value))
        return QJsonValue(*s);
    if (const auto* b = std::get_if<QByteArray>(&value))
        return QJsonObject{{kBinaryMember, QString::fromLatin1(b->toBase64())}};
    return std::nullopt;
}

// The file's object, or nothing when it is missing, unreadable or not a JSON object.
std::optional<QJsonObject> readObject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

class JsonSettingsKey final : public SettingsKey
{
public:
    JsonSettingsKey(QString path, QJsonObject object, bool writable)
        : m_path(std::move(path)), m_object(std::move(object)), m_writable(writable)
    {}

    std::optional<StoredValue> value(const QString& name) const override
    {
        const auto it = m_object.constFind(name);
        if (it == m_object.constEnd())
            return std::nullopt;
        return fromJson(it.value());
    }

    bool write(const QString& name, const StoredValue& value) override
    {
        if (!m_writable) {
            m_error = QStringLiteral("Der Schlüssel ist nur zum Lesen geöffnet");
            return false;
        }
        const auto json = toJson(value);
        if (!json) {
            m_error = QStringLiteral("Unbekannter Werttyp für ") + name;
            return false;
        }
        m_object.insert(name, *json);
        m_changed = true;
        return true;
    }

    bool close() override
    {
        if (!m_writable || !m_changed)
            return true;
        QString reason;
        if (!writeFileAtomically(m_path, QJsonDocument(m_object).toJson(QJsonDocument::Indented), &reason)) {
            m_error = writeErrorMessage(m_path, reason);
            return false;
        }
        m_changed = false;
        return true;
    }

    QString errorString() const override { return m_error; }

private:
    QString m_path;
    QJsonObject m_object;
    bool m_writable = false;
    bool m_changed = false;
    QString m_error;
};

} // namespace

JsonSettingsBackend::JsonSettingsBackend(const QString& configFolder, const QString& programBaseName)
    : m_filePath(QDir(configFolder)
                     .filePath(QString(kSettingsOrganisation) + QLatin1Char('/') + programBaseName +
                               QStringLiteral(".json")))
{}

QString JsonSettingsBackend::userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

std::unique_ptr<SettingsKey> JsonSettingsBackend::openExisting() const
{
    auto object = readObject(m_filePath);
    m_damaged = !object && QFileInfo(m_filePath).isFile();
    if (!object)
        return nullptr;
    return std::make_unique<JsonSettingsKey>(m_filePath, std::move(*object), false);
}

QString JsonSettingsBackend::damagedCopyPath() const
{
    return m_damaged ? m_filePath + QStringLiteral(".defekt") : QString();
}

std::unique_ptr<SettingsKey> JsonSettingsBackend::openOrCreate()
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("Der Ordner kann nicht angelegt werden: ") + folder;
        return nullptr;
    }
    // A broken file is replaced as a whole by the values written now, once it is kept aside.
    std::optional<QJsonObject> object = readObject(m_filePath);
    if (!object && QFileInfo(m_filePath).isFile()) {
        const QString copy = m_filePath + QStringLiteral(".defekt");
        QFile::remove(copy);
        if (!QFile::rename(m_filePath, copy)) {
            m_error =
                QStringLiteral("Die beschädigte Einstellungsdatei %1 kann nicht als %2 aufbewahrt werden")
                    .arg(QDir::toNativeSeparators(m_filePath), QDir::toNativeSeparators(copy));
            return nullptr;
        }
    }
    return std::make_unique<JsonSettingsKey>(m_filePath, std::move(object).value_or(QJsonObject()), true);
}

} // namespace brv
