#include "protocol/WorkbookReader.h"

#include "protocol/XlsReader.h"
#include "protocol/XlsxReader.h"

#include <QFile>
#include <QFileInfo>

namespace brv {

bool WorkbookReader::read(const QString& fileName, WorkbookContent& content)
{
    m_error.clear();
    content = WorkbookContent();
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile()) {
        m_error = QStringLiteral("Die Datei existiert nicht.");
        return false;
    }
    if (info.size() > kMaxFileSize) {
        m_error = QStringLiteral("Die Datei ist zu groß für ein Protokoll.");
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Die Datei lässt sich nicht öffnen (%1).").arg(file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    file.close();
    if (data.isEmpty()) {
        m_error = QStringLiteral("Die Datei ist leer.");
        return false;
    }
    static const QByteArray oleMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (data.startsWith(oleMagic)) {
        XlsReader reader(m_separator, m_maxColumns, m_maxSheets);
        const bool ok = reader.read(fileName, content);
        m_error = reader.errorString();
        return ok;
    }
    if (data.startsWith("PK")) {
        XlsxReader reader(m_separator, m_maxColumns, m_maxSheets);
        const bool ok = reader.read(data, content);
        m_error = reader.errorString();
        return ok;
    }
    m_error = QStringLiteral("Die Datei ist keine Excel-Arbeitsmappe.");
    return false;
}

} // namespace brv
