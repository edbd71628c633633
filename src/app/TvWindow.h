#pragma once

#include "app/TvLayout.h"
#include "timing/LaneDisplay.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;

namespace brv {

class LanePanel;
class ShadowText;

// The display for the public on a second monitor or a TV set: a banner picture, the lanes'
// names, teams and times on large seven-segment panels, and the best result so far with its
// team. Borderless, black, without a mouse pointer and without input; it covers the monitor it
// is told to and shows what it is told, shown or hidden.
class TvWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TvWindow)

public:
    explicit TvWindow(std::unique_ptr<ScreenLayout> screens = std::make_unique<SystemScreens>());
    ~TvWindow() override;

    // The monitors to choose from; the window moves to the chosen one at once.
    void setScreens(std::unique_ptr<ScreenLayout> screens);
    // The monitor to cover (0-based); the primary one when there is no such monitor.
    void setMonitor(int monitor);
    // The banner picture's file, read each time the window is shown.
    void setBannerFile(const QString& path);
    // Reads the banner file now. False when it cannot be read: the picture shown stays.
    bool loadBanner();

    void showLaneDigits(int lane, const LaneDigits& digits);
    void setTeamName(int lane, const QString& team);
    void showBest(qint32 milliseconds, const QString& team);
    // Lane 3's column is shown or not; lays the window out anew either way.
    void setThirdLaneShown(bool shown);

    LanePanel* lanePanel(int lane) const { return m_lanePanels[std::size_t(lane - 1)]; }
    QLabel* teamLabel(int lane) const { return m_teamLabels[std::size_t(lane - 1)]; }
    LanePanel* bestPanel() const { return m_bestPanel; }
    QLabel* bestTeamLabel() const { return m_bestTeam; }
    QLabel* banner() const { return m_banner; }

Q_SIGNALS:
    // The window was shown or hidden.
    void shownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void moveToMonitor();
    void layOut();

    std::unique_ptr<ScreenLayout> m_screens;
    int m_monitor = 0;
    QString m_bannerFile;
    bool m_thirdLane = false;

    QLabel* m_banner = nullptr;
    QWidget* m_timerPanel = nullptr;
    QWidget* m_bottomPanel = nullptr;
    std::array<QLabel*, 3> m_laneLabels{};
    std::array<QLabel*, 3> m_teamLabels{};
    std::array<LanePanel*, 3> m_lanePanels{};
    QLabel* m_bestTeam = nullptr;
    LanePanel* m_bestPanel = nullptr;
    ShadowText* m_bestCaption = nullptr;
    ShadowText* m_brand = nullptr;
};

} // namespace brv
