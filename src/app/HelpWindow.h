#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace brv {

// Pages of the manual that a window opens [F1] at, relative to the manual's folder.
namespace manual_page {
inline constexpr QLatin1StringView kStart{"index.html"};
inline constexpr QLatin1StringView kSettings{"vorbereiten.html#einstellungen"};
} // namespace manual_page

// The manual in a window of its own: its HTML pages in a browser with back, forward and the
// start page (also [Alt+Left], [Alt+Right], [Alt+Up]); [Esc] closes it. The title is the page's.
class HelpWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpWindow)

public:
    // `startPage`: the manual's index.html; the other pages lie beside it.
    explicit HelpWindow(const QString& startPage, QWidget* parent = nullptr);

    // Shows a page of the manual, "vorbereiten.html#einstellungen" at its anchor.
    void showPage(const QString& page);
    QTextBrowser* browser() const { return m_browser; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_folder;
    QTextBrowser* m_browser = nullptr;
};

} // namespace brv
