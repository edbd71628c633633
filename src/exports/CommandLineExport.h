#pragma once

#include "protocol/ProtocolFiles.h"

#include <QString>

namespace brv {

struct Settings;

// `brenvolutaris --export <file> [--page <caption>] <protocol.xlsx>`
struct ExportRequest
{
    QString protocolPath;
    QString outputPath;
    // The caption of the page to export; empty: the overall table.
    QString page;
};

// The file types the export writes, by extension.
inline const QString kExportExtensions = QStringLiteral(".html, .docx, .txt, .xlsx, .pdf");

// Loads the protocol into a competition set up from `settings`, makes the page asked for the
// current one without building a round, and writes it by the output's extension: the web page
// (.html), the document (.docx, from the document template when there is one), the text
// protocol (.txt), the protocol workbook (.xlsx) or the paged printout on A4 portrait (.pdf).
// Nothing else is written: no journal, no automatic copy, no settings. A failure comes back with
// a German message (unknown extension or page, a protocol that does not load, a failed write).
// Needs a QGuiApplication for the printout.
ProtocolResult exportProtocol(const ExportRequest& request, const Settings& settings,
                              const QString& programFilePath);

} // namespace brv
