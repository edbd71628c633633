#pragma once

#include "protocol/WorkbookData.h"

#include <QByteArray>
#include <QChar>
#include <QString>

namespace brv {

// Reads the worksheets of an .xlsx workbook (held in memory) into cell texts: shared and inline
// strings, formula results, and numbers as the spreadsheet shows them in General format.
class XlsxReader final
{
public:
    // Only columns 1 .. maxColumns of each sheet are kept; at most maxSheets sheets are read.
    XlsxReader(QChar decimalSeparator, int maxColumns = 64, int maxSheets = 1000)
        : m_separator(decimalSeparator), m_maxColumns(maxColumns), m_maxSheets(maxSheets)
    {}

    bool read(const QByteArray& fileData, WorkbookContent& content);
    QString errorString() const { return m_error; }

    // Parses "AB12" into column 28, row 12; false for anything else.
    static bool parseCellReference(QStringView ref, int& col, int& row);

private:
    bool readSharedStrings(const QByteArray& xml, std::vector<QString>& strings);
    bool readSheet(const QByteArray& xml, const std::vector<QString>& strings, SheetContent& sheet);

    QChar m_separator;
    int m_maxColumns;
    int m_maxSheets;
    QString m_error;
};

} // namespace brv
