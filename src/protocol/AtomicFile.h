#pragma once

#include <QByteArray>
#include <QString>

namespace brv {

// Every file the program writes goes through these: a crash or a full disk while writing
// leaves the previous file whole.

// Writes `data` to `path` through QSaveFile.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error);

// A file in the folder of `target` that a writer needing a file name can fill; it is renamed
// onto the target by commit() and removed by the destructor otherwise.
class StagingFile final
{
public:
    explicit StagingFile(const QString& target);
    ~StagingFile();
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    // Empty when no file could be created in the target's folder.
    const QString& path() const { return m_path; }
    const QString& errorString() const { return m_error; }
    // Replaces the target with the staged file in one step (rename).
    bool commit();

private:
    QString m_target;
    QString m_path;
    QString m_error;
    bool m_committed = false;
};

} // namespace brv
