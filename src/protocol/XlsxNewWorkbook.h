#pragma once

#include "protocol/WorkbookData.h"

#include <QString>

#include <vector>

class QIODevice;

namespace brv {

// Writes a new protocol workbook (libxlsxwriter): one sheet per table named after its page,
// the table's columns of the block with continuous borders (the empty places right of them
// without), times, penalties and results as numbers in the format "0.00", the row-1 captions, a
// bold first row with medium borders, columns fitted to their contents, and the document
// properties.
class XlsxNewWorkbookWriter final
{
public:
    // Replaces the file through writeFileAtomically.
    bool write(const QString& fileName, const std::vector<ProtocolSheet>& sheets,
               const DocumentProperties& properties);
    bool write(QIODevice* device, const std::vector<ProtocolSheet>& sheets,
               const DocumentProperties& properties);
    QString errorString() const { return m_error; }

    // A valid, unique sheet name for a caption: no []:*?/\, at most 31 characters, not empty.
    static QString sheetName(const QString& caption, const std::vector<QString>& taken);
    // Column width in character units for texts of `characters` characters.
    static double fittedWidth(int characters, bool bold);

private:
    // The whole workbook as bytes.
    bool build(const std::vector<ProtocolSheet>& sheets, const DocumentProperties& properties,
               QByteArray& bytes);
    bool writeFile(const QString& path, const std::vector<ProtocolSheet>& sheets,
                   const DocumentProperties& properties);

    QString m_error;
};

} // namespace brv
