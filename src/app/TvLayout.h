#pragma once

#include <QList>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <array>

namespace brv {

// Where everything on the TV display goes for a client size, in whole pixels. The banner and
// the two panels are placed in the window; the lane columns in the timer panel, the best result
// in the bottom panel. Font sizes are in points (at 96 dpi); a hidden lane 3 has empty rectangles.
struct TvLayout
{
    int gap = 0; // between the lane columns and at the outer edges
    QRect banner;
    QRect timerPanel;
    QRect bottomPanel;
    std::array<QRect, 3> laneLabels;
    std::array<QRect, 3> teamLabels;
    std::array<QRect, 3> lanePanels;
    int laneLabelFont = 0;
    int teamLabelFont = 0;
    QRect bestTeam;
    QRect bestPanel;
    QRect brand;
    QRect bestLabel;
    int bestTeamFont = 0;
    int bestLabelFont = 0;
};

// Three lane columns with `thirdLane`, otherwise two. Every division truncates.
TvLayout tvLayout(QSize client, bool thirdLane);

// The brand mark's font size: from 40 % of the box height down by one until the text, measured
// by `textWidth(size)`, is narrower than 70 % of the box width; never below 5.
template <typename TextWidth> int brandFontSize(QSize box, TextWidth textWidth)
{
    int size = box.height() * 40 / 100;
    while (size > 5 && textWidth(size) * 100 >= box.width() * 70)
        --size;
    return std::max(size, 5);
}

// The monitors the TV display can go to: their geometries and which one is the primary.
class ScreenLayout
{
public:
    virtual ~ScreenLayout() = default;
    virtual QList<QRect> geometries() const = 0;
    virtual int primary() const = 0;

    // The monitor's geometry; the primary's when there is no such monitor.
    QRect geometryFor(int monitor) const;
};

// The screens the window system reports now.
class SystemScreens final : public ScreenLayout
{
public:
    QList<QRect> geometries() const override;
    int primary() const override;
};

// Screens given once: a display wall without a window system behind it, or a test.
class FixedScreens final : public ScreenLayout
{
public:
    FixedScreens(QList<QRect> geometries, int primary)
        : m_geometries(std::move(geometries)), m_primary(primary)
    {}
    QList<QRect> geometries() const override { return m_geometries; }
    int primary() const override { return m_primary; }

private:
    QList<QRect> m_geometries;
    int m_primary;
};

} // namespace brv
