#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <variant>

namespace brv {

// A stored value with its type kept: an integer (32-bit signed), a string or a byte block.
// `OtherType` stands for anything else a store may hold under a name (another registry type,
// a JSON value of another kind); reading it as any of the three types is an error.
struct OtherType
{
    bool operator==(const OtherType&) const = default;
};
using StoredValue = std::variant<OtherType, qint32, QString, QByteArray>;

// One open settings key: named values of three kinds.
class SettingsKey
{
public:
    virtual ~SettingsKey() = default;

    // No value means the name is absent under the key.
    virtual std::optional<StoredValue> value(const QString& name) const = 0;
    // False when the value could not be written; `errorString()` says why.
    virtual bool write(const QString& name, const StoredValue& value) = 0;
    // Ends the work on the key; for a key opened for writing this is where a store that
    // collects its writes makes them permanent. False on failure.
    virtual bool close() = 0;
    virtual QString errorString() const = 0;
};

// Where the settings key of one program lives.
class SettingsBackend
{
public:
    virtual ~SettingsBackend() = default;

    // Opens the key for reading; null when it does not exist (or cannot be read).
    virtual std::unique_ptr<SettingsKey> openExisting() const = 0;
    // Opens the key for writing, creating it when needed; null when that fails, with the
    // reason in `errorString()`.
    virtual std::unique_ptr<SettingsKey> openOrCreate() = 0;
    virtual QString errorString() const = 0;
    // A store that is there but cannot be read (a damaged file) is kept aside before the first
    // write replaces it; this is where, once openExisting() has met it. Empty otherwise.
    virtual QString damagedCopyPath() const { return {}; }
};

} // namespace brv
