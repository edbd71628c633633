#include "protocol/TextProtocol.h"

#include "competition/ResultGrid.h"
#include "files/AtomicFile.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringEncoder>

namespace brv {

QByteArray TextProtocolWriter::toBytes(const ResultGrid& grid) const
{
    constexpr int kFirstColumn = 0; // of whichever table
    QString text;
    for (int r = 0; r < grid.rowCount(); ++r) {
        if (grid.cell(kFirstColumn, r).isEmpty()) // a row without its first cell is left out
            continue;
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QString& cell = grid.cell(c, r);
            text += cell.isEmpty() ? QStringLiteral(" ") : cell;
            text += QLatin1Char('\t');
        }
        text += QStringLiteral("\r\n");
    }
    QStringEncoder encoder(m_encoding);
    return encoder.encode(text);
}

bool TextProtocolWriter::write(const ResultGrid& grid, QIODevice* device)
{
    m_error.clear();
    if (!device || !device->isWritable()) {
        m_error = QStringLiteral("Das Ziel ist nicht zum Schreiben geöffnet.");
        return false;
    }
    const QByteArray bytes = toBytes(grid);
    if (device->write(bytes) != bytes.size()) {
        m_error = device->errorString();
        return false;
    }
    return true;
}

bool TextProtocolWriter::write(const ResultGrid& grid, const QString& fileName)
{
    m_error.clear();
    return writeFileAtomically(fileName, toBytes(grid), &m_error);
}

QString programAutosaveFile(const QString& programPath)
{
    const QFileInfo info(programPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".txt"));
}

QString userAutosavePath(const QString& programPath)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QString(version::kMaker) + QLatin1Char('/') +
                               QFileInfo(programPath).completeBaseName() + QStringLiteral(".txt"));
}

QString autosavePathFor(const QString& programPath, const std::function<bool(const QString&)>& writable)
{
    return fileBesideProgram(programPath, QFileInfo(programAutosaveFile(programPath)).fileName(), writable);
}

QString fileBesideProgram(const QString& programPath, const QString& fileName,
                          const std::function<bool(const QString&)>& writable)
{
    const auto isWritable = [&](const QString& path) {
        return writable ? writable(path) : QFileInfo(path).isWritable();
    };
    const QString own = QFileInfo(programPath).dir().filePath(fileName);
    const QFileInfo info(own);
    const bool ownUsable = isWritable(info.absolutePath()) && (!info.exists() || isWritable(own));
    if (ownUsable)
        return own;
    const QDir user = QFileInfo(userAutosavePath(programPath)).dir();
    QDir().mkpath(user.path());
    return user.filePath(fileName);
}

} // namespace brv
