#pragma once

#include "app/PrintPreviewDialog.h"

#include <functional>
#include <memory>

class QPrinter;

namespace brv {

class AppSession;

// The main window's printing: the printer setup, the paged protocol printout and the
// certificates, each through the print dialog into the preview. It keeps the printer, so the
// printer, paper and orientation chosen once serve every later printout.
class PrintCommands final
{
    Q_DISABLE_COPY_MOVE(PrintCommands)

public:
    // `dateText` gives the date the main window shows, `folder` the folder the protocol's save
    // dialog is in. The session outlives the commands.
    PrintCommands(AppSession& session, QWidget* window, std::function<QString()> dateText,
                  std::function<QString()> folder);
    ~PrintCommands();

    // [Ctrl+D]: the printer setup; nothing is printed.
    void setUpPrinter();
    // [Ctrl+U]: the print dialog, then the current table in the preview.
    void printProtocol();
    // [Ctrl+P]: the print dialog, then the web page in `path` (ISO-8859-1) laid out as the
    // system's HTML renderer lays it out. Nothing is printed when the dialog is cancelled.
    void printWebPage(const QString& path);
    // The print dialog with the teams of the overall table as its pages, then the certificates
    // of the range chosen in the preview.
    void printCertificates();

    // Made on first use: looking for printers takes time the start of the program need not wait.
    QPrinter& printer();
    PrintPreviewDialog& preview();
    PrintDialogs& dialogs() { return m_dialogs; }

private:
    void present(PrintPreviewDialog::Renderer render, const QString& pdfName, const QString& emptyText);

    AppSession& m_session;
    QWidget* m_window;
    std::function<QString()> m_dateText;
    std::function<QString()> m_folder;
    PrintDialogs m_dialogs;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PrintPreviewDialog> m_preview;
};

} // namespace brv
