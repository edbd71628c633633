#pragma once

#include <QHostAddress>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace brv {

class SerialBackend;
class SettingsBackend;
class SoundPlayer;
class SystemFileOpener;
class TickSource;
class YesNoQuestion;

// The platform services a session uses. The program passes the real ones; tests give a
// temporary settings store, a hand-set tick, the switchable serial backend and no sound.
struct AppEnvironment
{
    // The program file: its folder (or, installed, the data folder beside it) holds sounds, manual
    // and template; its base name names the settings store and the automatic text copy. Empty:
    // the running program.
    QString programFilePath;
    // Null: the user's store for the program's base name.
    std::shared_ptr<SettingsBackend> settingsStore;
    // Null: the steady millisecond tick.
    const TickSource* ticks = nullptr;
    // Makes the sound service for the folder of the sounds; null or returning null: silence.
    std::function<std::unique_ptr<SoundPlayer>(const QString& soundDir)> makeSounds;
    // Null: the platform's serial ports.
    std::function<std::shared_ptr<SerialBackend>()> serialBackend;
    // Searches the usable serial ports (bit n-1 for COMn), at start-up and for each showing of
    // the settings dialog. Null: the platform's serial devices are tried.
    std::function<quint64()> searchPorts;
    // How often a contact port that is closed (its adapter missing) is tried again.
    std::chrono::milliseconds portRetryInterval{1000};
    // The screens attached (the settings check the TV monitor against it).
    int monitorCount = 1;
    // Opens a file in the system's program for it; null: nothing is opened.
    SystemFileOpener* fileOpener = nullptr;
    // The competition journal's file. Unset: in the user's data folder; empty: no journal.
    std::optional<QString> journalPath;
    // Asked at start-up whether a competition that did not end is restored; null: it is not.
    YesNoQuestion* recoveryQuestion = nullptr;
    // Where the live results server listens when the settings switch it on: every interface of
    // the PC; tests and the benchmark keep it on the loopback.
    QHostAddress liveAddress{QHostAddress::Any};
    // Whether the window moves the mouse pointer to the load button at start-up.
    bool moveMouse = true;
};

} // namespace brv
