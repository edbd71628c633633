#include "app/PrintCommands.h"

#include "competition/Competition.h"
#include "printing/CertificatePrintout.h"
#include "printing/ProtocolPrintout.h"
#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTextDocument>

namespace brv {

PrintCommands::PrintCommands(AppSession& session, QWidget* window, std::function<QString()> dateText,
                             std::function<QString()> folder)
    : m_session(session), m_window(window), m_dateText(std::move(dateText)), m_folder(std::move(folder)),
      m_dialogs(PrintDialogs::standard(window))
{}

PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

PrintPreviewDialog& PrintCommands::preview()
{
    if (!m_preview)
        m_preview = std::make_unique<PrintPreviewDialog>(printer(), m_dialogs, m_window);
    return *m_preview;
}

void PrintCommands::setUpPrinter()
{
    m_dialogs.pageSetup(printer());
}

void PrintCommands::printProtocol()
{
    // the range the dialog offers does not limit this printout
    int from = 1;
    int to = 1;
    if (!m_dialogs.print(printer(), 1, from, to))
        return;
    const QString name = m_session.files().protocolName().isEmpty() ? QStringLiteral("Protokoll")
                                                                    : m_session.files().protocolName();
    present(
        [this, date = m_dateText()](PrintDocument& document) {
            const Competition& competition = m_session.competition();
            renderProtocol(document, protocolPrintoutContent(competition, competition.currentRound(),
                                                             m_session.settings().competitionTitle,
                                                             m_session.files().protocolName(), date));
        },
        name + QStringLiteral(".pdf"),
        QStringLiteral("Die Tabelle passt nicht auf die Seite – bitte Querformat wählen"));
}

void PrintCommands::printWebPage(const QString& path)
{
    QFile file(path);
    int from = 1;
    int to = 1;
    if (!file.open(QIODevice::ReadOnly) || !m_dialogs.print(printer(), 1, from, to))
        return;
    QTextDocument page;
    page.setHtml(QString::fromLatin1(file.readAll()));
    page.print(&printer());
}

void PrintCommands::printCertificates()
{
    const Competition& competition = m_session.competition();
    const int teams = competition.grid(CompetitionRound::GesamtErgebnis).dataRowCount();
    int from = 1;
    int to = teams;
    if (!m_dialogs.print(printer(), teams, from, to))
        return;
    const Settings& settings = m_session.settings();
    present(
        [&competition, &settings, from, to](PrintDocument& document) {
            renderCertificates(document, settings.certificateLayout, competition, from, to,
                               {settings.competitionTitle, QDate::currentDate(), QLocale()});
        },
        QStringLiteral("Urkunden.pdf"), QStringLiteral("Keine Urkunde im gewählten Bereich"));
}

void PrintCommands::present(PrintPreviewDialog::Renderer render, const QString& pdfName,
                            const QString& emptyText)
{
    PrintPreviewDialog& window = preview();
    window.present(std::move(render), QDir(m_folder()).filePath(pdfName), emptyText);
    m_dialogs.showPreview(window);
}

} // namespace brv
