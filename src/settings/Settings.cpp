#include "settings/Settings.h"

namespace brv {

QString modemLineLabel(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("-");
    case 1:
        return QStringLiteral(" /4,6");
    case 2:
        return QStringLiteral(" /7,8");
    case 3:
        return QStringLiteral(" /1,4");
    case 4:
        return QStringLiteral(" /7,9");
    default:
        return QString();
    }
}

void Settings::setWindowBounds(const QRect& bounds)
{
    windowLeft = bounds.left();
    windowTop = bounds.top();
    windowWidth = bounds.width();
    windowHeight = bounds.height();
}

qint32 packPort(int port, int line)
{
    return qint32(line * 256 + port);
}

} // namespace brv
