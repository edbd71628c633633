#pragma once

#include "settings/SettingsBackend.h"

#include <QString>

namespace brv {

// The settings key as a JSON file, for systems without a registry:
//   <configFolder>/Tempvalorhub/<program base name>.json
// holding one object with a member per value. An integer is a JSON number, a string a JSON
// string, and a byte block an object {"binary": "<base64>"}, so the three types stay apart
// and a value of the wrong type is recognised as such. Any other member (a fractional or too
// large number, true/false, null, an array, another object) is a value of another type.
//
// A file that is not a JSON object (garbage, cut off, an array, empty) counts as no key at all;
// the first write keeps it beside as "<name>.json.defekt" before the defaults replace it (a
// file of that name from before is replaced). Writes are collected and saved in one step when
// the key is closed, through a temporary file that replaces the old one, so a failure while
// saving leaves the previous file whole. Values under other names are kept.
class JsonSettingsBackend final : public SettingsBackend
{
public:
    JsonSettingsBackend(const QString& configFolder, const QString& programBaseName);

    // The user's configuration folder (~/.config on Linux).
    static QString userConfigFolder();

    QString filePath() const { return m_filePath; }

    std::unique_ptr<SettingsKey> openExisting() const override;
    std::unique_ptr<SettingsKey> openOrCreate() override;
    QString errorString() const override { return m_error; }
    QString damagedCopyPath() const override;

private:
    QString m_filePath;
    QString m_error;
    mutable bool m_damaged = false;
};

} // namespace brv
