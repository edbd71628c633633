#pragma once

#include <QString>

#include <array>
#include <vector>

namespace brv {

// The save command's file types by their fixed filter index. Any other index saves the
// text protocol.
enum class ProtocolFileType { Workbook = 1, Document = 2, WebPage = 3, Text = 4 };

// Display names of the file types as the settings keep them (`FileTypeNames`), in this order:
// text, web page, document, workbook ("Textdatei", "Webseite", "MS Word", "MS Excel").
using FileTypeNameList = std::array<QString, 4>;
enum FileTypeNameIndex { kTextName = 0, kWebPageName = 1, kDocumentName = 2, kWorkbookName = 3 };

// One entry of the save dialog: the QFileDialog filter text and the index it stands for.
struct SaveFilterEntry
{
    int filterIndex = 0;
    QString filter;
    QString suffix; // default suffix without the dot
};

// Which writers exist: a type without a writer is not offered.
struct AvailableWriters
{
    bool document = false;
    bool webPage = false;
};

ProtocolFileType fileTypeForFilterIndex(int filterIndex);

// The save dialog's entries in dialog order: workbook "MS Excel (*.xlsx)", then the document
// and the web page when their writers exist, then the text protocol.
std::vector<SaveFilterEntry> saveFilters(const FileTypeNameList& names, AvailableWriters writers);
// The filter index of a chosen filter text; 4 (text) for a text not in the list.
int filterIndexOf(const std::vector<SaveFilterEntry>& entries, const QString& filter);
// The entry to preselect for a stored "FilterInd": the stored one when it is offered, else the
// workbook.
const SaveFilterEntry& initialSaveFilter(const std::vector<SaveFilterEntry>& entries, int storedFilterIndex);

// The load dialog's only entry: "MS Excel (*.xlsx *.xls)".
QString loadFilter(const FileTypeNameList& names);
// After a load the save dialog proposes the workbook type.
inline constexpr int kFilterIndexAfterLoad = int(ProtocolFileType::Workbook);
// After a load the save dialog proposes the loaded file's name (without folder); a workbook in
// the old format (.xls) becomes the same name with .xlsx, as the protocol is never saved in it.
QString saveNameAfterLoad(const QString& loadedPath);

} // namespace brv
