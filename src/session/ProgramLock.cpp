#include "session/ProgramLock.h"

#include "version.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace brv {

namespace {

const QByteArray kShow = QByteArrayLiteral("show\n");
const QByteArray kShown = QByteArrayLiteral("shown\n");

} // namespace

ProgramLock::ProgramLock(const QString& journalPath, QObject* parent)
    : QObject(parent), m_lock(journalPath + QStringLiteral(".lock"))
{
    // the socket is named after the lock, so every user (and every journal) has its own
    const QByteArray where = QFileInfo(journalPath).absoluteFilePath().toUtf8();
    m_serverName =
        QString(version::kProgramName).toLower() + QLatin1Char('-') +
        QString::fromLatin1(QCryptographicHash::hash(where, QCryptographicHash::Sha1).toHex().left(16));
    // a running program's lock never grows stale with age; a dead program's is taken over
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine(64) == kShow) {
                    Q_EMIT showRequested();
                    socket->write(kShown);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

ProgramLock::~ProgramLock()
{
    m_server.close();
    if (m_held)
        m_lock.unlock();
}

bool ProgramLock::acquire()
{
    if (m_held)
        return true;
    QDir().mkpath(QFileInfo(m_lock.fileName()).path());
    if (!m_lock.tryLock(0)) {
        // a lock that cannot be written at all (a read-only folder) stops nobody: the journal's
        // own checks name the folder
        if (m_lock.error() != QLockFile::LockFailedError)
            return true;
        return false;
    }
    m_held = true;
    // a socket left by a program that died is ours now
    QLocalServer::removeServer(m_serverName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_serverName);
    return true;
}

bool ProgramLock::askToShow(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine(64) == kShown;
}

} // namespace brv
