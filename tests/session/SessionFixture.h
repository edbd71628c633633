#pragma once

#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"
#include "settings/JsonSettingsBackend.h"
#include "support/TestSerialBackend.h"
#include "timing/TickSource.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace brv::test {

// A session's surroundings in a temporary folder: its own settings store, a hand-set tick, the
// switchable serial backend and no sound, no shell, no mouse moves.
struct SessionFixture
{
    QTemporaryDir folder;
    ManualTickSource ticks{100000};
    // every port component the window creates gets a backend of its own, in creation order
    bool useTestSerial = true;
    std::vector<std::shared_ptr<TestSerialBackend>> backends;
    std::shared_ptr<JsonSettingsBackend> store;
    YesNoQuestion* recoveryQuestion = nullptr;
    // what the port search finds: bit n-1 for COMn
    quint64 usablePorts = 0;
    // the files the session hands to the system's programs
    struct RecordingOpener final : SystemFileOpener
    {
        QStringList opened;
        bool answer = true; // false: as if no program opened the file
        bool openFile(const QString& path) override { return opened << path, answer; }
    } opener;

    SessionFixture()
    {
        store = std::make_shared<JsonSettingsBackend>(folder.path(), QStringLiteral("Brenvolutaris"));
    }

    AppEnvironment environment()
    {
        AppEnvironment env;
        env.programFilePath = folder.filePath(QStringLiteral("Brenvolutaris"));
        env.settingsStore = store;
        env.ticks = &ticks;
        env.searchPorts = [this] { return usablePorts; };
        env.portRetryInterval = std::chrono::milliseconds(10);
        env.monitorCount = 1;
        env.moveMouse = false;
        env.liveAddress = QHostAddress(QHostAddress::LocalHost);
        env.journalPath = folder.filePath(QStringLiteral("journal/Wettkampf-Journal.sqlite"));
        env.recoveryQuestion = recoveryQuestion;
        env.fileOpener = &opener;
        if (useTestSerial) {
            env.serialBackend = [this] {
                backends.push_back(std::make_shared<TestSerialBackend>());
                return std::static_pointer_cast<SerialBackend>(backends.back());
            };
        }
        return env;
    }

    // A started session; a new one ends the previous one first (its ports closed, its settings
    // written), as a restart of the program would.
    AppSession& newSession()
    {
        session.reset();
        session = std::make_unique<AppSession>(environment());
        session->start();
        return *session;
    }
    void endSession() { session.reset(); }

    std::unique_ptr<AppSession> session;
};

} // namespace brv::test
