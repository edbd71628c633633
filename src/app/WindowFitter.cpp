#include "app/WindowFitter.h"

#include "settings/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace brv {

WindowFitter::WindowFitter(QWidget* mainWindow) : QObject(mainWindow), m_mainWindow(mainWindow)
{
    qApp->installEventFilter(this);
}

void WindowFitter::fit(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                   outer.bottom() - inner.bottom());
    // before the window system has put its frame round the window, room for a title bar is kept
    if (frame.isNull() && !(window.windowFlags() & Qt::FramelessWindowHint))
        frame = QMargins(0, window.style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
    const QRect fitted = fittedInside(inner, frame, screen->availableGeometry());
    // a window nobody has placed yet is left to the window system unless it is too large
    const bool placed = window.testAttribute(Qt::WA_Moved);
    if (fitted.size() != inner.size() || (placed && fitted != inner))
        window.setGeometry(fitted);
}

bool WindowFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget != m_mainWindow && (type == Qt::Window || type == Qt::Dialog) &&
            !(widget->windowFlags() & Qt::FramelessWindowHint))
            fit(*widget);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brv
