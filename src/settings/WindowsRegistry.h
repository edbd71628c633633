#pragma once

// Compiled on Windows only.

#include "settings/SettingsBackend.h"

#include <QString>

#include <memory>

namespace brv::winreg {

// The settings key `keyPath` ("\Software\Tempvalorhub\<base name>") under HKEY_CURRENT_USER,
// with REG_DWORD integers, REG_SZ strings (REG_EXPAND_SZ reads as a string, unexpanded) and
// REG_BINARY byte blocks; any other registry type reads as a value of another type.
std::unique_ptr<SettingsBackend> currentUserBackend(const QString& keyPath);

// The default value of HKEY_CLASSES_ROOT\<className> when it is a non-empty string; empty
// otherwise, whatever went wrong.
QString classDisplayName(const QString& className);

} // namespace brv::winreg
