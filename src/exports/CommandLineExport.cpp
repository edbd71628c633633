#include "exports/CommandLineExport.h"

#include "competition/Competition.h"
#include "exports/ProtocolExports.h"
#include "files/AtomicFile.h"
#include "printing/PrintDocument.h"
#include "printing/ProtocolPrintout.h"
#include "settings/ProgramFiles.h"
#include "settings/SettingsApply.h"
#include "version.h"

#include <QBuffer>
#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include <optional>

namespace brv {

namespace {

constexpr int kPrintout = 0; // beside the save command's file types

// The save command's file type for an output's extension, kPrintout for .pdf.
std::optional<int> fileTypeOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1StringView("html"))
        return int(ProtocolFileType::WebPage);
    if (suffix == QLatin1StringView("docx"))
        return int(ProtocolFileType::Document);
    if (suffix == QLatin1StringView("txt"))
        return int(ProtocolFileType::Text);
    if (suffix == QLatin1StringView("xlsx"))
        return int(ProtocolFileType::Workbook);
    if (suffix == QLatin1StringView("pdf"))
        return kPrintout;
    return std::nullopt;
}

ProtocolResult failure(const QString& message, const QString& path)
{
    return {false, message, path};
}

ProtocolResult writePrintout(const Competition& competition, const QString& title,
                             const QString& protocolName, const QString& path)
{
    PrintDocument document;
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    if (renderProtocol(document, protocolPrintoutContent(competition, competition.currentRound(), title,
                                                         protocolName, date)) == 0)
        return failure(QStringLiteral("Die Tabelle passt nicht auf eine A4-Seite im Hochformat."), path);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString error;
    if (!document.writePdf(&pdf) || !writeFileAtomically(path, pdf.data(), &error))
        return failure(writeErrorMessage(path, error), path);
    return {true, QString(), path};
}

} // namespace

ProtocolResult exportProtocol(const ExportRequest& request, const Settings& settings,
                              const QString& programFilePath)
{
    const std::optional<int> type = fileTypeOf(request.outputPath);
    if (!type) {
        return failure(QStringLiteral("Die Dateiendung von „%1“ ist unbekannt; möglich sind %2.")
                           .arg(request.outputPath, kExportExtensions),
                       request.outputPath);
    }

    Competition competition(NumberFormat::fromLocale(QLocale()));
    // the captions follow the settings (class caption, ranking) as at the program's start
    applySettingsAtStartup(settings, competition);
    ProtocolFiles files(competition);
    files.setProgramPath(programFilePath);
    ProtocolExports exports(competition, [&settings] { return settings.competitionTitle; });
    exports.setProgramPath(programFilePath);
    exports.setDocumentTemplate(ProgramFiles::detect(programFilePath).documentTemplatePath);
    files.setDocumentWriter(
        [&exports](const QString& path, QString* error) { return exports.writeDocument(path, error); });
    files.setWebPageWriter(
        [&exports](const QString& path, QString* error) { return exports.writeWebPage(path, error); });

    const ProtocolResult loaded = files.loadCommand(request.protocolPath);
    if (!loaded.ok)
        return loaded;

    // the page by its caption as the tab shows it; hidden pages are none
    const ProtocolTables& tables = competition.tables();
    const QString wanted =
        request.page.isEmpty() ? tables.pageCaption(CompetitionRound::GesamtErgebnis) : request.page;
    std::optional<CompetitionRound> page;
    QStringList captions;
    for (CompetitionRound round : kAllRounds) {
        if (!competition.isPageVisible(round))
            continue;
        captions << tables.pageCaption(round);
        if (!page && tables.pageCaption(round).compare(wanted, Qt::CaseInsensitive) == 0)
            page = round;
    }
    if (!page) {
        return failure(QStringLiteral("Die Seite „%1“ gibt es im Protokoll nicht; die Seiten sind: %2.")
                           .arg(wanted, captions.join(QStringLiteral(", "))),
                       request.outputPath);
    }
    competition.setCurrentRound(*page);

    if (*type == kPrintout)
        return writePrintout(competition, settings.competitionTitle, files.protocolName(),
                             request.outputPath);
    return files.saveCommand(*type, request.outputPath);
}

} // namespace brv
