#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

namespace brv {

// One program per journal, and so per user: the first start holds a lock file beside its journal
// and listens on a local socket; a second start finds the lock taken, asks the first to show its
// window, and ends without touching the journal. The lock of a program that died is taken over.
class ProgramLock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgramLock)

public:
    // The lock for the journal at `journalPath` ("….sqlite.lock" beside it).
    explicit ProgramLock(const QString& journalPath, QObject* parent = nullptr);
    ~ProgramLock() override;

    // Takes the lock and listens for a second start; false when a running program holds it.
    bool acquire();
    bool isHeld() const { return m_held; }
    // Asks the program that holds the lock to show its window; true when it answered.
    bool askToShow(int timeoutMs = 3000) const;

Q_SIGNALS:
    // A second start asked for the window.
    void showRequested();

private:
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer m_server;
    bool m_held = false;
};

} // namespace brv
