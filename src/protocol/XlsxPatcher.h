#pragma once

#include "protocol/WorkbookData.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace brv {

// Writes the protocol into an existing .xlsx workbook in place: the table blocks of sheets 1
// to 6, the bracket cells of sheet 7 with their fills and the document properties. A table that
// was longer before has its rows below the new last row emptied in the block's columns. Nothing
// else changes: sheet names, other cells and their styles, drawings and every part not named here
// keep their bytes. Strings go in as inline strings so the shared string table stays as it was;
// a fill becomes a new cell style derived from the cell's own. When a formula cell is
// overwritten the calculation chain is dropped, and the spreadsheet rebuilds it.
class XlsxPatcher final
{
public:
    // `bracket` is written when the workbook has a seventh worksheet and skipped silently
    // otherwise (or when that sheet cannot be patched).
    bool patch(const QByteArray& workbook, const std::vector<ProtocolSheet>& sheets,
               const std::vector<PlacedCell>& bracket, const DocumentProperties& properties,
               QByteArray& result);
    // Reads, patches and replaces the file in one step.
    bool patchFile(const QString& fileName, const std::vector<ProtocolSheet>& sheets,
                   const std::vector<PlacedCell>& bracket, const DocumentProperties& properties);

    QString errorString() const { return m_error; }
    bool bracketWritten() const { return m_bracketWritten; }

    // True when the bytes are a zip archive holding a workbook with worksheets.
    static bool isWorkbook(const QByteArray& data);

private:
    QString m_error;
    bool m_bracketWritten = false;
};

} // namespace brv
