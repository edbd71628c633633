#include "protocol/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace brv {

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

StagingFile::StagingFile(const QString& target) : m_target(target)
{
    const QFileInfo info(target);
    if (info.exists() && !info.isWritable()) {
        m_error = QStringLiteral("Die Datei ist schreibgeschützt.");
        return;
    }
    QTemporaryFile temp(
        info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX")));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        m_error = temp.errorString();
        return;
    }
    m_path = temp.fileName();
    temp.close();
}

StagingFile::~StagingFile()
{
    if (!m_committed && !m_path.isEmpty())
        QFile::remove(m_path);
}

bool StagingFile::commit()
{
    if (m_path.isEmpty())
        return false;
    // The staged file was made private; the result gets the target's permissions, or the usual
    // ones for a new file.
    const QFileInfo existing(m_target);
    const QFileDevice::Permissions permissions =
        existing.exists() ? QFile::permissions(m_target)
                          : (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                             QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(m_path, permissions);
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(m_path.toStdU16String()),
                            std::filesystem::path(m_target.toStdU16String()), code);
    if (code) {
        m_error = QString::fromStdString(code.message());
        return false;
    }
    m_committed = true;
    return true;
}

} // namespace brv
