#include "settings/WindowsRegistry.h"

#include <QtEndian>
#include <QtGlobal>

#ifdef Q_OS_WIN

#include <qt_windows.h>

#include <string>

namespace brv::winreg {
namespace {

std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

QString errorText(LONG code)
{
    return qt_error_string(int(code));
}

class RegistryKey final : public SettingsKey
{
public:
    explicit RegistryKey(HKEY key) : m_key(key) {}
    ~RegistryKey() override { close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    std::optional<StoredValue> value(const QString& name) const override
    {
        const std::wstring valueName = wide(name);
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(m_key, valueName.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (rc != ERROR_SUCCESS)
            return OtherType{};

        QByteArray data(qsizetype(size), '\0');
        if (size > 0) {
            rc = RegQueryValueExW(m_key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<LPBYTE>(data.data()), &size);
            if (rc != ERROR_SUCCESS)
                return OtherType{};
            data.truncate(qsizetype(size));
        }

        switch (type) {
        case REG_DWORD:
            if (data.size() != 4)
                return OtherType{};
            return qFromLittleEndian<qint32>(data.constData());
        case REG_SZ:
        case REG_EXPAND_SZ: {
            // The stored text may or may not end in its terminating zero.
            QString text =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()), data.size() / 2);
            const qsizetype end = text.indexOf(QChar(u'\0'));
            if (end >= 0)
                text.truncate(end);
            return text;
        }
        case REG_BINARY:
            return data;
        default:
            return OtherType{};
        }
    }

    bool write(const QString& name, const StoredValue& value) override
    {
        const std::wstring valueName = wide(name);
        LONG rc = ERROR_SUCCESS;
        if (const auto* i = std::get_if<qint32>(&value)) {
            const DWORD dword = DWORD(quint32(*i));
            rc = RegSetValueExW(m_key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword),
                                DWORD(sizeof dword));
        } else if (const auto* s = std::get_if<QString>(&value)) {
            const std::wstring text = wide(*s);
            rc = RegSetValueExW(m_key, valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                DWORD((text.size() + 1) * sizeof(wchar_t)));
        } else if (const auto* b = std::get_if<QByteArray>(&value)) {
            rc = RegSetValueExW(m_key, valueName.c_str(), 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(b->constData()), DWORD(b->size()));
        } else {
            m_error = QStringLiteral("Unbekannter Werttyp für ") + name;
            return false;
        }
        if (rc != ERROR_SUCCESS) {
            m_error = errorText(rc);
            return false;
        }
        return true;
    }

    bool close() override
    {
        if (m_key) {
            RegCloseKey(m_key);
            m_key = nullptr;
        }
        return true;
    }

    QString errorString() const override { return m_error; }

private:
    HKEY m_key = nullptr;
    QString m_error;
};

class RegistryBackend final : public SettingsBackend
{
public:
    explicit RegistryBackend(const QString& keyPath)
    {
        // The registry functions take the path below the root without a leading separator.
        QString subKey = keyPath;
        while (subKey.startsWith(QLatin1Char('\\')))
            subKey.remove(0, 1);
        m_subKey = wide(subKey);
    }

    std::unique_ptr<SettingsKey> openExisting() const override
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<RegistryKey>(key);
    }

    std::unique_ptr<SettingsKey> openOrCreate() override
    {
        HKEY key = nullptr;
        const LONG rc =
            RegCreateKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS) {
            m_error = errorText(rc);
            return nullptr;
        }
        return std::make_unique<RegistryKey>(key);
    }

    QString errorString() const override { return m_error; }

private:
    std::wstring m_subKey;
    QString m_error;
};

} // namespace

std::unique_ptr<SettingsBackend> currentUserBackend(const QString& keyPath)
{
    return std::make_unique<RegistryBackend>(keyPath);
}

QString classDisplayName(const QString& className)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(className).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return QString();
    RegistryKey classKey(key);
    // The empty name is the key's default value.
    const auto value = classKey.value(QString());
    if (value) {
        if (const auto* text = std::get_if<QString>(&*value))
            return *text;
    }
    return QString();
}

} // namespace brv::winreg

#endif // Q_OS_WIN
