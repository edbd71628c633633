#include "protocol/FileTypes.h"

#include <QFileInfo>

namespace brv {

ProtocolFileType fileTypeForFilterIndex(int filterIndex)
{
    switch (filterIndex) {
    case 1:
        return ProtocolFileType::Workbook;
    case 2:
        return ProtocolFileType::Document;
    case 3:
        return ProtocolFileType::WebPage;
    default:
        return ProtocolFileType::Text;
    }
}

std::vector<SaveFilterEntry> saveFilters(const FileTypeNameList& names, AvailableWriters writers)
{
    std::vector<SaveFilterEntry> entries;
    entries.push_back({1, names[kWorkbookName] + QStringLiteral(" (*.xlsx)"), QStringLiteral("xlsx")});
    if (writers.document)
        entries.push_back({2, names[kDocumentName] + QStringLiteral(" (*.docx)"), QStringLiteral("docx")});
    if (writers.webPage)
        entries.push_back({3, names[kWebPageName] + QStringLiteral(" (*.html)"), QStringLiteral("html")});
    entries.push_back({4, names[kTextName] + QStringLiteral(" (*.txt)"), QStringLiteral("txt")});
    return entries;
}

int filterIndexOf(const std::vector<SaveFilterEntry>& entries, const QString& filter)
{
    for (const SaveFilterEntry& entry : entries) {
        if (entry.filter == filter)
            return entry.filterIndex;
    }
    return int(ProtocolFileType::Text);
}

const SaveFilterEntry& initialSaveFilter(const std::vector<SaveFilterEntry>& entries, int storedFilterIndex)
{
    for (const SaveFilterEntry& entry : entries) {
        if (entry.filterIndex == storedFilterIndex)
            return entry;
    }
    return entries.front();
}

QString loadFilter(const FileTypeNameList& names)
{
    return names[kWorkbookName] + QStringLiteral(" (*.xlsx *.xls)");
}

QString saveNameAfterLoad(const QString& loadedPath)
{
    const QFileInfo info(loadedPath);
    if (info.suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        return info.completeBaseName() + QStringLiteral(".xlsx");
    return info.fileName();
}

} // namespace brv
