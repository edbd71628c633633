#pragma once

#include "protocol/WorkbookData.h"

#include <QChar>
#include <QString>

namespace brv {

// Reads a workbook file of either format; the format is taken from the file's contents, not
// from its name, so a legacy workbook renamed to .xlsx still loads.
class WorkbookReader final
{
public:
    // Files larger than this are refused before they are read.
    static constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;

    // Only the first `maxSheets` sheets are read (the protocol never reads past the sixth).
    explicit WorkbookReader(QChar decimalSeparator, int maxColumns = 64, int maxSheets = 1000)
        : m_separator(decimalSeparator), m_maxColumns(maxColumns), m_maxSheets(maxSheets)
    {}

    bool read(const QString& fileName, WorkbookContent& content);
    // The reason in German, without the file name.
    QString errorString() const { return m_error; }

private:
    QChar m_separator;
    int m_maxColumns;
    int m_maxSheets;
    QString m_error;
};

} // namespace brv
