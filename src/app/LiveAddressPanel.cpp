#include "app/LiveAddressPanel.h"

#include "live/LiveAddress.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace brv {

QImage qrCodePicture(const QString& text, int moduleSize)
{
    const QrMatrix matrix = qrMatrix(text);
    if (matrix.isEmpty() || moduleSize < 1)
        return {};
    constexpr int kQuietZone = 4;
    const int side = (matrix.size + 2 * kQuietZone) * moduleSize;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < matrix.size; ++y) {
        for (int x = 0; x < matrix.size; ++x) {
            if (matrix.at(x, y))
                painter.fillRect((x + kQuietZone) * moduleSize, (y + kQuietZone) * moduleSize, moduleSize,
                                 moduleSize, Qt::black);
        }
    }
    return picture;
}

LiveAddressPanel::LiveAddressPanel(QWidget* parent) : QLabel(parent) {}

void LiveAddressPanel::setAddress(const QString& text)
{
    const QString url = text.trimmed().startsWith(QLatin1String("http")) ? text.trimmed() : QString();
    setText(text);
    if (url == m_url)
        return;
    m_url = url;
    setToolTip(m_url.isEmpty() ? QString()
                               : QStringLiteral("Live-Ergebnisse im Netzwerk – ein Klick zeigt den QR-Code"));
    setCursor(m_url.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    if (m_codeWindow)
        m_codeWindow->close();
}

void LiveAddressPanel::mousePressEvent(QMouseEvent* event)
{
    if (m_url.isEmpty() || event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    // a popup: any click elsewhere or Esc closes it, it never waits like a dialog
    auto* window = new QFrame(this, Qt::Popup);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(window);
    auto* code = new QLabel(window);
    code->setPixmap(QPixmap::fromImage(qrCodePicture(m_url, 6)));
    layout->addWidget(code, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(m_url, window), 0, Qt::AlignHCenter);
    window->adjustSize();
    const QPoint corner = mapToGlobal(QPoint(width(), 0));
    window->move(corner.x() - window->width(), corner.y() - window->height());
    m_codeWindow = window;
    connect(window, &QObject::destroyed, this, [this, window] {
        if (m_codeWindow == window)
            m_codeWindow = nullptr;
    });
    window->show();
}

} // namespace brv
