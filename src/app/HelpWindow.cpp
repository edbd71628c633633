#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace brv {

HelpWindow::HelpWindow(const QString& startPage, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(QFileInfo(startPage).absolutePath())
{
    setObjectName(QStringLiteral("helpWindow"));
    resize(820, 760);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({m_folder});
    QAction* back = bar->addAction(QStringLiteral("« Zurück"), m_browser, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Vor »"), m_browser, &QTextBrowser::forward);
    QAction* contents =
        bar->addAction(QStringLiteral("Inhalt"), this, [this] { showPage(manual_page::kStart); });
    // the browser's own [Alt+Up] would go to the first page this window showed
    contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    contents->setShortcutContext(Qt::WindowShortcut);
    contents->setToolTip(QStringLiteral("[Alt+Hoch] Inhalt"));
    back->setToolTip(QStringLiteral("[Alt+Links] Zurück"));
    forward->setToolTip(QStringLiteral("[Alt+Rechts] Vor"));
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(m_browser->documentTitle()); });
    layout->addWidget(bar);
    layout->addWidget(m_browser, 1);
}

void HelpWindow::showPage(const QString& page)
{
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(m_folder + QLatin1Char('/') + page.left(hash));
    if (hash >= 0)
        url.setFragment(page.mid(hash + 1));
    m_browser->setSource(url);
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace brv
