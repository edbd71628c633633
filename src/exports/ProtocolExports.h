#pragma once

#include "protocol/ProtocolFiles.h"

#include <QString>

#include <functional>

namespace brv {

class Competition;

// The web page and the word-processor document of the current table, and the main window's
// commands that write the page beside the program to open or print it.
class ProtocolExports final
{
    Q_DISABLE_COPY_MOVE(ProtocolExports)

public:
    // `competitionTitle` gives the competition's title as the main window shows it.
    ProtocolExports(const Competition& competition, std::function<QString()> competitionTitle);

    // The program's own file: the commands write the page into its folder.
    void setProgramPath(const QString& path) { m_programPath = path; }
    void setApplicationTitle(const QString& title) { m_applicationTitle = title; }
    // Documents are made from this .docx when it exists (ProgramFiles::documentTemplatePath).
    void setDocumentTemplate(const QString& path) { m_documentTemplate = path; }
    void setFileOpener(SystemFileOpener* opener) { m_opener = opener; }

    // The save command's writers of the web page and the document; false with the German reason.
    bool writeWebPage(const QString& path, QString* error) const;
    bool writeDocument(const QString& path, QString* error) const;

    // Where the commands write the page: the current page's caption with ".html" in the program's
    // folder, or in the user's folder (as the automatic text copy) when the program's folder is not
    // writable. `writable` answers for a path; the default asks the file system.
    QString webPagePath(const std::function<bool(const QString&)>& writable = {}) const;
    // [Ctrl+H]: writes the page to webPagePath() and opens it in the system's viewer. After a
    // failed write nothing is opened, and the result carries "Der Schreibfehler der Datei: ".
    ProtocolResult showWebPage();
    // [Ctrl+P]: writes the page to webPagePath() for printing; the page's file is the result's path.
    ProtocolResult writeWebPageFile();

private:
    const Competition& m_competition;
    std::function<QString()> m_competitionTitle;
    QString m_programPath;
    QString m_applicationTitle;
    QString m_documentTemplate;
    SystemFileOpener* m_opener = nullptr;
};

} // namespace brv
