#pragma once

#include "protocol/WorkbookData.h"
#include "protocol/ZipArchive.h"

#include <QByteArray>
#include <QChar>
#include <QString>

class QIODevice;

namespace brv {

// Reads the worksheets of an .xlsx workbook (held in memory) into cell texts: shared and inline
// strings, formula results, and numbers as the spreadsheet shows them in General format.
//
// What a workbook may cost is bounded as a whole: the parts read (the texts and the sheets) may
// unpack to `unpackBudget` bytes together, a part that several sheets point to is read once but
// counts for each of them, and no text or tag may be longer than 8 MB. Rows count
// towards the sheet's last row whether they state their number or not. The parts are parsed
// as they are unpacked, never held whole.
class XlsxReader final
{
public:
    static constexpr qint64 kUnpackBudget = 256LL * 1024 * 1024;

    // Only columns 1 .. maxColumns of each sheet are kept; at most maxSheets sheets are read.
    XlsxReader(QChar decimalSeparator, int maxColumns = 64, int maxSheets = 1000,
               qint64 unpackBudget = kUnpackBudget)
        : m_separator(decimalSeparator), m_maxColumns(maxColumns), m_maxSheets(maxSheets),
          m_unpackBudget(unpackBudget)
    {}

    bool read(const QByteArray& fileData, WorkbookContent& content);
    QString errorString() const { return m_error; }

    // Parses "AB12" into column 28, row 12; false for anything else.
    static bool parseCellReference(QStringView ref, int& col, int& row);

private:
    bool readSharedStrings(QIODevice& xml, std::vector<QString>& strings);
    bool readSheet(QIODevice& xml, const std::vector<QString>& strings, SheetContent& sheet);
    // Why a part stopped before its end, when the budget says so; else `parseError`.
    QString stopReason(const UnpackBudget& budget, const QString& parseError) const;

    QChar m_separator;
    int m_maxColumns;
    int m_maxSheets;
    qint64 m_unpackBudget;
    QString m_error;
};

} // namespace brv
