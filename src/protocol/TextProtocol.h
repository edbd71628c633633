#pragma once

#include <QString>
#include <QStringConverter>

#include <functional>

class QIODevice;

namespace brv {

class ResultGrid;

// The text protocol: every row whose first cell is not empty, each cell followed by a TAB
// (an empty cell written as one blank), CR LF after each row, in the system's 8-bit encoding.
class TextProtocolWriter final
{
public:
    explicit TextProtocolWriter(QStringConverter::Encoding encoding = QStringConverter::System)
        : m_encoding(encoding)
    {}

    QByteArray toBytes(const ResultGrid& grid) const;
    bool write(const ResultGrid& grid, QIODevice* device);
    // Replaces the file in one step; the previous file stays whole when writing fails.
    bool write(const ResultGrid& grid, const QString& fileName);
    QString errorString() const { return m_error; }

private:
    QStringConverter::Encoding m_encoding;
    QString m_error;
};

// The automatic copy after every heat: the program's own path with the extension ".txt".
QString programAutosaveFile(const QString& programPath);
// Where the automatic copy goes when the program's folder is not writable:
// <GenericDataLocation>/Tempvalorhub/<program base name>.txt
QString userAutosavePath(const QString& programPath);
// The autosave path: the program's copy when its folder (and an existing copy) is writable, else
// the user's. `writable` answers for a path; the default asks the file system.
QString autosavePathFor(const QString& programPath, const std::function<bool(const QString&)>& writable = {});
// A file the program writes beside itself (the automatic copy, the web page): `fileName` in the
// program's folder when the folder (and an existing file) is writable, else in the folder of
// userAutosavePath(), which is made when missing.
QString fileBesideProgram(const QString& programPath, const QString& fileName,
                          const std::function<bool(const QString&)>& writable = {});

} // namespace brv
