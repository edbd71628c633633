#include "app/StatusPanel.h"

#include <QResizeEvent>

namespace brv {

void StatusPanel::setFullText(const QString& text)
{
    m_fullText = text;
    elide();
}

QSize StatusPanel::minimumSizeHint() const
{
    // the panel may shrink below its text: the text is cut, not the window held wide
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) + 2 * frameWidth() + 2 * margin(),
            QLabel::minimumSizeHint().height()};
}

void StatusPanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void StatusPanel::elide()
{
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, std::max(room, 0));
    setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}

} // namespace brv
