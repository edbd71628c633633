#pragma once

#include "settings/Settings.h"
#include "settings/SettingsBackend.h"
#include "version.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <memory>

namespace brv {

struct ProgramFiles;

inline constexpr QLatin1StringView kSettingsOrganisation{version::kMaker};

// "\Software\Tempvalorhub\" + the program's base name.
QString settingsKeyPath(const QString& programBaseName);

// The user's settings key of a program: on Windows the registry key registryKeyPath under
// HKEY_CURRENT_USER; elsewhere the JSON file <config>/Tempvalorhub/<base name>.json in the
// user's configuration folder.
std::unique_ptr<SettingsBackend> userSettingsBackend(const ProgramFiles& files);

// What loading met, for diagnostics and tests.
struct SettingsLoadReport
{
    bool keyFound = false;
    // The stored values that could not be used (another type, a "Nadpis" too long) and so
    // took their defaults, in reading order.
    QStringList resetValues;
    // A store that is there but could not be read: where it is kept before the defaults
    // replace it (SettingsBackend::damagedCopyPath()); empty otherwise.
    QString damagedCopy;
};

// Reads the settings. No key: every default. A missing string reads as empty; a missing
// "Nadpis" leaves the layout empty; a shorter "Nadpis" fills the start of it. A missing integer,
// a value of another type and a "Nadpis" longer than the layout keep their defaults, and the
// other values are read all the same (so the next save does not write defaults over them).
// An empty "Title" keeps the default title.
// Afterwards "Monitor" becomes 0 unless it is from 0 to monitorCount − 1, and the window size
// is raised to its minimum.
Settings loadSettings(const SettingsBackend& backend, int monitorCount, SettingsLoadReport* report = nullptr);

// Writes every value, creating the key when needed. Stops at the first value that cannot be
// written and returns false with the reason in `errorString`.
bool saveSettings(SettingsBackend& backend, const Settings& settings, QString* errorString = nullptr);

} // namespace brv
