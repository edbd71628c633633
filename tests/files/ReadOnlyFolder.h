#pragma once

#include <QFile>
#include <QProcess>
#include <QString>

namespace brv::test {

// A folder nothing can be written into while the object lives: its permissions taken away, and
// for root, who is not stopped by them, the file system's immutable flag. held() is false where
// neither works; the test then has nothing to show.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        if (!canWrite())
            return;
        m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool held() const { return !canWrite(); }

private:
    bool canWrite() const
    {
        QFile probe(m_path + QStringLiteral("/.probe"));
        const bool written = probe.open(QIODevice::WriteOnly);
        probe.remove();
        return written;
    }

    QString m_path;
    bool m_immutable = false;
};

} // namespace brv::test
