#include "exports/ProtocolExports.h"

#include "competition/Competition.h"
#include "exports/WebPage.h"
#include "exports/WordDocument.h"
#include "files/AtomicFile.h"
#include "protocol/TextProtocol.h"
#include "version.h"

#include <QFile>

namespace brv {

ProtocolExports::ProtocolExports(const Competition& competition, std::function<QString()> competitionTitle)
    : m_competition(competition), m_competitionTitle(std::move(competitionTitle)),
      m_applicationTitle(version::kProgramName)
{}

bool ProtocolExports::writeWebPage(const QString& path, QString* error) const
{
    const WebPageContent content =
        webPageContent(m_competition, m_competition.currentRound(), m_competitionTitle(), m_applicationTitle);
    return writeFileAtomically(path, webPage(content), error);
}

bool ProtocolExports::writeDocument(const QString& path, QString* error) const
{
    QByteArray templateDocument;
    QFile file(m_documentTemplate);
    if (!m_documentTemplate.isEmpty() && file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("Die Vorlage %1 lässt sich nicht lesen.").arg(m_documentTemplate);
            return false;
        }
        templateDocument = file.readAll();
    }
    const DocumentContent content{m_competitionTitle(),
                                  m_competition.tables().pageCaption(m_competition.currentRound()),
                                  &m_competition.currentGrid(), m_competition.currentRound()};
    const std::optional<QByteArray> document = wordDocument(content, templateDocument, error);
    return document && writeFileAtomically(path, *document, error);
}

QString ProtocolExports::webPagePath(const std::function<bool(const QString&)>& writable) const
{
    // a caption from a loaded workbook names the file; it never names a folder
    QString name = m_competition.tables().pageCaption(m_competition.currentRound());
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return fileBesideProgram(m_programPath, name + QStringLiteral(".html"), writable);
}

ProtocolResult ProtocolExports::writeWebPageFile()
{
    const QString path = webPagePath();
    QString error;
    if (!writeWebPage(path, &error))
        return {false, writeErrorMessage(path, error), path};
    return {true, QString(), path};
}

ProtocolResult ProtocolExports::showWebPage()
{
    const ProtocolResult written = writeWebPageFile();
    // whether the viewer opens is the system's business
    if (written.ok && m_opener)
        m_opener->openFile(written.path);
    return written;
}

} // namespace brv
