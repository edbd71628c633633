#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace brv {

class SerialBackend;
class SettingsBackend;
class SoundPlayer;
class TickSource;
class ShellOpener;

// The platform services the main window uses. The program takes the real ones; tests give a
// temporary settings store, a hand-set tick, the switchable serial backend and no sound.
struct AppEnvironment
{
    // The program file: its folder holds sounds, help and the template; its base name names the
    // settings store and the automatic text copy.
    QString programFilePath;
    // Null: the user's store for the program's base name.
    std::shared_ptr<SettingsBackend> settingsStore;
    // Null: the steady millisecond tick.
    const TickSource* ticks = nullptr;
    // Null: Qt Multimedia with the wave files beside the program; set `silent` for none at all.
    SoundPlayer* sounds = nullptr;
    bool silent = false;
    // Null: the platform's serial ports.
    std::function<std::shared_ptr<SerialBackend>()> serialBackend;
    // Unset: searched at start-up.
    std::optional<quint64> availablePorts;
    // Unset: the screens attached.
    std::optional<int> monitorCount;
    // Null: the desktop's file associations.
    ShellOpener* shell = nullptr;
    // Whether the window moves the mouse pointer to the load button at start-up.
    bool moveMouse = true;
};

} // namespace brv
