#pragma once

#include "files/AtomicFile.h"
#include "protocol/FileTypes.h"
#include "protocol/WorkbookData.h"
#include "version.h"

#include <QObject>
#include <QString>

#include <functional>

namespace brv {

class Competition;

// Opens a file with the program the system has for its type. The application implements it
// with QDesktopServices::openUrl; tests record the call.
class SystemFileOpener
{
public:
    virtual ~SystemFileOpener() = default;
    virtual bool openFile(const QString& path) = 0;
};

// What a command reports: ok, or a German message for a message box.
struct ProtocolResult
{
    bool ok = true;
    QString message;
    QString path; // the file written or read
};

// A writer of another file type (document, web page): writes the protocol to `path`, false
// with a reason in `error`.
using ProtocolWriter = std::function<bool(const QString& path, QString* error)>;

// The protocol files of a competition: the text protocol and the protocol workbook, saved and
// loaded, and the commands of the main window that use them. Runs on the main thread.
// What a long file operation is doing.
enum class ProtocolProgress { Loading, Saving };

class ProtocolFiles final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolFiles)

public:
    static inline const QString kAuthor = QString(version::kMaker) + QStringLiteral(" Software");
    static inline const QString kComments = QStringLiteral("https://www.tempvalorhub.de/brenvolutaris");
    static inline const QString kWriteErrorText = brv::kWriteErrorText;

    explicit ProtocolFiles(Competition& competition, QObject* parent = nullptr);
    ~ProtocolFiles() override;

    // The program's own file (QCoreApplication::applicationFilePath()), or its name in the folder
    // the program writes to; the automatic text copy is placed beside it.
    void setProgramPath(const QString& path) { m_programPath = path; }
    // The application title, the workbook's subject.
    void setApplicationTitle(const QString& title) { m_applicationTitle = title; }
    void setFileOpener(SystemFileOpener* opener) { m_opener = opener; }
    // Writers of file types 2 (document) and 3 (web page) once they exist; only those set are
    // offered in the save dialog.
    void setDocumentWriter(ProtocolWriter writer) { m_documentWriter = std::move(writer); }
    void setWebPageWriter(ProtocolWriter writer) { m_webPageWriter = std::move(writer); }
    AvailableWriters availableWriters() const { return {bool(m_documentWriter), bool(m_webPageWriter)}; }

    // The name of the protocol last loaded (file name without folder and extension).
    const QString& protocolName() const { return m_protocolName; }
    // The workbook last loaded or saved; empty before either.
    const QString& currentFile() const { return m_currentFile; }
    // Whether a table changed since the protocol workbook was last loaded or saved.
    bool hasUnsavedChanges() const { return m_unsaved; }
    DocumentProperties documentProperties() const;
    // Where the automatic copy after a heat goes.
    QString autosavePath() const;

    // ---- the operations; each sets errorString() when it fails
    bool saveToText(const QString& path);
    // Into an existing workbook in place, else a new workbook; never over an .xls file. An empty
    // path shows a new workbook in the spreadsheet program (showInSpreadsheet).
    bool saveToWorkbook(const QString& path);
    // Reads the whole workbook first; a failure changes no table.
    bool loadFromWorkbook(const QString& path);
    QString errorString() const { return m_error; }

    // ---- the commands of the main window
    // Save command: by the filter index of the chosen file type (1 workbook, 2 document,
    // 3 web page, anything else text). A failure gives "Der Schreibfehler der Datei: " and the path.
    // Nothing is written to a name ending in .xls, nor a workbook over one in the old format.
    ProtocolResult saveCommand(int filterIndex, const QString& path);
    // Load command and the command line: loads, makes the Vorrunde the current page and
    // refreshes the TV display.
    ProtocolResult loadCommand(const QString& path);
    // The competition came back (a restart after a crash, undo or redo) belonging to `file`
    // (empty: none): its name and title follow, and the changes count as not saved.
    void restoreDocument(const QString& file);
    // After every finished heat: the current table to autosavePath(); a failure goes to status
    // panel 2 instead of a message box.
    bool autosaveAfterHeat();
    // "Datei in MS Excel": a new workbook in a temporary folder, opened with the system's program.
    ProtocolResult showInSpreadsheet();

Q_SIGNALS:
    void protocolNameChanged(const QString& name);
    // A save or load has begun and has ended, however it ended.
    void progressStarted(brv::ProtocolProgress what);
    void progressEnded();
    // Something the operator must see although nobody asked: the autosave could not be written.
    void warning(const QString& text);
    // currentFile() or hasUnsavedChanges() changed.
    void documentStateChanged();
    // A save command wrote `path`.
    void saved(const QString& path);

private:
    bool writeWorkbook(const QString& path);
    ProtocolResult writeFailure(const QString& path) const;
    void setDocumentState(const QString& file, bool unsaved);

    Competition& m_competition;
    QString m_programPath;
    QString m_applicationTitle{version::kProgramName};
    QString m_protocolName;
    QString m_currentFile;
    bool m_unsaved = false;
    bool m_loading = false;
    QString m_error;
    SystemFileOpener* m_opener = nullptr;
    ProtocolWriter m_documentWriter;
    ProtocolWriter m_webPageWriter;
};

} // namespace brv
