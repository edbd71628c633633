#pragma once

#include "protocol/WorkbookData.h"

#include <QChar>
#include <QString>

namespace brv {

// Reads the worksheets of a legacy .xls workbook (BIFF, through freexl) into cell texts, as
// XlsxReader does for .xlsx.
class XlsReader final
{
public:
    explicit XlsReader(QChar decimalSeparator, int maxColumns = 64, int maxSheets = 1000)
        : m_separator(decimalSeparator), m_maxColumns(maxColumns), m_maxSheets(maxSheets)
    {}

    bool read(const QString& fileName, WorkbookContent& content);
    QString errorString() const { return m_error; }

private:
    QChar m_separator;
    int m_maxColumns;
    int m_maxSheets;
    QString m_error;
};

} // namespace brv
