#include "app/TvLayout.h"

#include <QGuiApplication>
#include <QScreen>

namespace brv {

TvLayout tvLayout(QSize client, bool thirdLane)
{
    const int cw = client.width();
    const int ch = client.height();
    const int extra = thirdLane ? 1 : 0;
    const int lanes = 2 + extra;

    TvLayout t;
    t.gap = (cw / 40) / (extra + 1);
    const int bannerHeight = ch / 5;
    const int labelHeight = ch / 10;
    const int laneWidth = (cw - (extra + 3) * t.gap) / lanes;
    const int panelHeight = thirdLane ? laneWidth / 2 : laneWidth / 3;
    for (int i = 0; i < lanes; ++i) {
        const int left = t.gap + i * (laneWidth + t.gap);
        t.laneLabels[std::size_t(i)] = QRect(left, 0, laneWidth, labelHeight);
        t.teamLabels[std::size_t(i)] = QRect(left, labelHeight, laneWidth, labelHeight);
        t.lanePanels[std::size_t(i)] = QRect(left, 2 * labelHeight, laneWidth, panelHeight);
    }
    t.laneLabelFont = labelHeight / 2;
    t.teamLabelFont = t.laneLabelFont / 2;

    t.banner = QRect(0, 0, cw, bannerHeight);
    t.timerPanel = QRect(0, bannerHeight, cw, 2 * labelHeight + panelHeight);
    const int bottomHeight = std::max(0, ch - bannerHeight - panelHeight - 2 * labelHeight);
    t.bottomPanel = QRect(0, t.timerPanel.bottom() + 1, cw, bottomHeight);

    const int bestWidth = (cw - 4 * t.gap) / 3;
    int bestHeight = std::max(0, bottomHeight - labelHeight / 2 - labelHeight);
    if (bestWidth < 2 * bestHeight)
        bestHeight = bestWidth / 2;
    t.bestTeam = QRect((cw - 2 * laneWidth) / 2, 0, 2 * laneWidth, labelHeight);
    t.bestTeamFont = t.teamLabelFont;
    t.bestPanel = QRect((cw - bestWidth) / 2, labelHeight, bestWidth, bestHeight);
    t.brand = QRect(cw - cw / 3, labelHeight, cw / 3, bestHeight);
    t.bestLabel = QRect(0, labelHeight, cw / 3, bestHeight);
    t.bestLabelFont = (cw / 3) / 12;
    return t;
}

QRect ScreenLayout::geometryFor(int monitor) const
{
    const QList<QRect> screens = geometries();
    if (monitor >= 0 && monitor < screens.size())
        return screens.at(monitor);
    return screens.value(primary());
}

QList<QRect> SystemScreens::geometries() const
{
    QList<QRect> result;
    for (const QScreen* screen : QGuiApplication::screens())
        result.append(screen->geometry());
    return result;
}

int SystemScreens::primary() const
{
    return int(QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen()));
}

} // namespace brv
