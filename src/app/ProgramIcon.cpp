#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The picture is compiled into the application library; a static library's resources are
// registered by hand.
static void registerAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace brv {

QIcon programIcon()
{
    static const QIcon icon = [] {
        registerAppResources();
        QIcon drawn;
        QSvgRenderer renderer(QStringLiteral(":/brenvolutaris.svg"));
        if (!renderer.isValid())
            return drawn;
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            drawn.addPixmap(pixmap);
        }
        return drawn;
    }();
    return icon;
}

} // namespace brv
