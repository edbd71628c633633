#include "protocol/ProtocolFiles.h"

#include "competition/Competition.h"
#include "competition/ProtocolTables.h"
#include "files/AtomicFile.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolLoader.h"
#include "protocol/TextProtocol.h"
#include "protocol/WorkbookReader.h"
#include "protocol/XlsxNewWorkbook.h"
#include "protocol/XlsxPatcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace brv {

namespace {

// Announces a long operation and its end, however it ends.
class StatusProgress
{
public:
    StatusProgress(ProtocolFiles& files, ProtocolProgress what) : m_files(files)
    {
        Q_EMIT m_files.progressStarted(what);
    }
    ~StatusProgress() { Q_EMIT m_files.progressEnded(); }
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

private:
    ProtocolFiles& m_files;
};

// Why nothing may be saved to `path`: the protocol is never saved in the old workbook format,
// so no file named .xls is written, and a workbook never replaces one in the old format, whatever
// its name. Empty when the save may go ahead.
QString legacyWorkbookRefusal(const QString& path, bool workbook)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Im alten Excel-Format (.xls) wird nicht gespeichert, und eine .xls-Datei "
                              "wird nicht überschrieben. Bitte als „%1“ speichern.")
            .arg(saveNameAfterLoad(path));
    QFile file(path);
    if (workbook && file.open(QIODevice::ReadOnly) &&
        file.read(8) == QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return QStringLiteral("Die Datei ist eine Arbeitsmappe im alten Excel-Format (.xls) und wird nicht "
                              "überschrieben. Bitte einen anderen Namen wählen.");
    return {};
}

} // namespace

ProtocolFiles::ProtocolFiles(Competition& competition, QObject* parent)
    : QObject(parent), m_competition(competition)
{
    // any change of a table is unsaved until the workbook is written
    auto changed = [this] {
        if (!m_loading)
            setDocumentState(m_currentFile, true);
    };
    connect(&m_competition.tables(), &ProtocolTables::tableChanged, this, changed);
    connect(&m_competition.tables(), &ProtocolTables::rowsChanged, this, changed);
}

void ProtocolFiles::setDocumentState(const QString& file, bool unsaved)
{
    if (file == m_currentFile && unsaved == m_unsaved)
        return;
    m_currentFile = file;
    m_unsaved = unsaved;
    Q_EMIT documentStateChanged();
}

ProtocolFiles::~ProtocolFiles() = default;

void ProtocolFiles::restoreDocument(const QString& file)
{
    const QString name = file.isEmpty() ? QString() : QFileInfo(file).completeBaseName();
    if (name != m_protocolName) {
        m_protocolName = name;
        Q_EMIT protocolNameChanged(m_protocolName);
    }
    setDocumentState(file, true);
}

DocumentProperties ProtocolFiles::documentProperties() const
{
    return {kAuthor, m_protocolName, m_applicationTitle, kComments};
}

QString ProtocolFiles::autosavePath() const
{
    return brv::autosavePathFor(m_programPath);
}

bool ProtocolFiles::saveToText(const QString& path)
{
    m_error.clear();
    TextProtocolWriter writer;
    if (!writer.write(m_competition.currentGrid(), path)) {
        m_error = writer.errorString();
        return false;
    }
    return true;
}

bool ProtocolFiles::writeWorkbook(const QString& path)
{
    std::vector<ProtocolSheet> sheets;
    for (CompetitionRound round : kAllRounds)
        sheets.push_back(protocolSheet(m_competition, round));

    QByteArray existing;
    {
        QFile file(path);
        if (file.exists() && file.open(QIODevice::ReadOnly))
            existing = file.readAll();
    }
    if (XlsxPatcher::isWorkbook(existing)) {
        // each table in the layout its sheet already has, so that every value lands under its own
        // caption, widened by the columns the table shows that the sheet lacks (they are written
        // with their captions)
        WorkbookContent content;
        if (WorkbookReader(m_competition.numberFormat().decimalSeparator(), 64, kRoundCount)
                .read(path, content)) {
            for (std::size_t k = 0; k < content.sheets.size() && k < sheets.size(); ++k) {
                const CompetitionRound round = roundAt(int(k));
                const ResultGrid& grid = m_competition.grid(round);
                QStringList captions;
                for (int j = 1; j <= grid.columnCount(); ++j)
                    captions << content.sheets[k].text(blockFirstRow(round), j);
                const CompetitionOptions saved = savedLayout(grid, round, m_competition.options());
                CompetitionOptions layout = blockLayout(round, saved, grid.rowCells(0), captions);
                layout.classColumnShown = layout.classColumnShown || saved.classColumnShown;
                layout.thirdLaneOn = layout.thirdLaneOn || saved.thirdLaneOn;
                if (saved.knockoutStart == KnockoutStart::Achtelfinale)
                    layout.knockoutStart = KnockoutStart::Achtelfinale;
                sheets[k] = protocolSheet(m_competition, round, layout);
            }
        }
        XlsxPatcher patcher;
        QByteArray result;
        if (!patcher.patch(existing, sheets, bracketCells(m_competition), documentProperties(), result)) {
            m_error = patcher.errorString();
            return false;
        }
        QString error;
        if (!writeFileAtomically(path, result, &error)) {
            m_error = error;
            return false;
        }
        return true;
    }
    XlsxNewWorkbookWriter writer;
    if (!writer.write(path, sheets, documentProperties())) {
        m_error = writer.errorString();
        return false;
    }
    return true;
}

bool ProtocolFiles::saveToWorkbook(const QString& path)
{
    m_error.clear();
    if (path.isEmpty())
        return showInSpreadsheet().ok;
    m_error = legacyWorkbookRefusal(path, true);
    if (!m_error.isEmpty())
        return false;
    StatusProgress progress(*this, ProtocolProgress::Saving);
    return writeWorkbook(path);
}

bool ProtocolFiles::loadFromWorkbook(const QString& path)
{
    m_error.clear();
    StatusProgress progress(*this, ProtocolProgress::Loading);
    WorkbookReader reader(m_competition.numberFormat().decimalSeparator(), 17, kRoundCount);
    WorkbookContent content;
    if (!reader.read(path, content)) {
        m_error = reader.errorString();
        return false;
    }
    if (content.sheets.empty()) {
        m_error = QStringLiteral("Die Arbeitsmappe enthält keine Tabellenblätter.");
        return false;
    }
    const LoadedProtocol loaded = tablesFromWorkbook(content, m_competition);
    applyLoadedProtocol(m_competition, loaded);
    m_protocolName = QFileInfo(path).completeBaseName();
    Q_EMIT protocolNameChanged(m_protocolName);
    return true;
}

ProtocolResult ProtocolFiles::writeFailure(const QString& path) const
{
    ProtocolResult result;
    result.ok = false;
    result.path = path;
    result.message = writeErrorMessage(path, m_error);
    return result;
}

ProtocolResult ProtocolFiles::saveCommand(int filterIndex, const QString& path)
{
    const ProtocolFileType type = fileTypeForFilterIndex(filterIndex);
    m_error = legacyWorkbookRefusal(path, type == ProtocolFileType::Workbook);
    if (!m_error.isEmpty())
        return writeFailure(path);
    bool ok = false;
    switch (type) {
    case ProtocolFileType::Workbook:
        ok = saveToWorkbook(path);
        break;
    case ProtocolFileType::Document:
        ok = m_documentWriter ? m_documentWriter(path, &m_error) : saveToText(path);
        break;
    case ProtocolFileType::WebPage:
        ok = m_webPageWriter ? m_webPageWriter(path, &m_error) : saveToText(path);
        break;
    case ProtocolFileType::Text:
        ok = saveToText(path);
        break;
    }
    if (!ok)
        return writeFailure(path);
    if (type == ProtocolFileType::Workbook)
        setDocumentState(path, false);
    Q_EMIT saved(path);
    return {true, QString(), path};
}

ProtocolResult ProtocolFiles::loadCommand(const QString& path)
{
    m_loading = true;
    const bool loaded = loadFromWorkbook(path);
    m_loading = false;
    if (!loaded) {
        return {false,
                QStringLiteral("Das Protokoll „%1“ lässt sich nicht laden:\n%2")
                    .arg(QDir::toNativeSeparators(path), m_error),
                path};
    }
    if (m_competition.currentRound() != CompetitionRound::Vorrunde)
        m_competition.enterRound(CompetitionRound::Vorrunde);
    m_competition.resultsLoaded();
    setDocumentState(path, false);
    return {true, QString(), path};
}

bool ProtocolFiles::autosaveAfterHeat()
{
    // an empty table never replaces the copy of one that held results
    if (!m_competition.tableHasData())
        return true;
    const QString path = autosavePath();
    if (saveToText(path))
        return true;
    Q_EMIT warning(writeErrorMessage(path, QString()));
    return false;
}

ProtocolResult ProtocolFiles::showInSpreadsheet()
{
    m_error.clear();
    QTemporaryDir dir(QDir(QDir::tempPath()).filePath(QStringLiteral("Brenvolutaris-XXXXXX")));
    if (!dir.isValid()) {
        m_error = QStringLiteral("Der Ordner lässt sich nicht anlegen (%1).").arg(dir.errorString());
        return writeFailure(dir.path());
    }
    dir.setAutoRemove(false); // the spreadsheet program still reads it after we return
    const QString name = m_protocolName.isEmpty() ? QStringLiteral("Protokoll") : m_protocolName;
    const QString path = dir.filePath(name + QStringLiteral(".xlsx"));
    {
        StatusProgress progress(*this, ProtocolProgress::Saving);
        XlsxNewWorkbookWriter writer;
        std::vector<ProtocolSheet> sheets;
        for (CompetitionRound round : kAllRounds)
            sheets.push_back(protocolSheet(m_competition, round));
        if (!writer.write(path, sheets, documentProperties())) {
            m_error = writer.errorString();
            return writeFailure(path);
        }
    }
    if (!m_opener || !m_opener->openFile(path)) {
        m_error = QStringLiteral("Für .xlsx-Dateien ist kein Programm eingerichtet.");
        return {false,
                QStringLiteral("Die Datei %1 lässt sich nicht öffnen:\n%2")
                    .arg(QDir::toNativeSeparators(path), m_error),
                path};
    }
    return {true, QString(), path};
}

} // namespace brv
