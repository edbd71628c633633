#pragma once

#include "timing/RunControls.h"

#include <QPushButton>

#include <array>

class QLabel;
class QToolButton;

namespace brv {

class AppSession;

// START and RESET act when the mouse button goes down, not on release; Space and Enter act too.
class PressButton final : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

Q_SIGNALS:
    void activated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The row of buttons below the lanes, in three panels under the lanes' panels: the load button,
// the start-barrier symbol, START, "&Fehlstart" and RESET in one place, the protocol's commands,
// "0,00" and the buttons that put the selected row on a lane. The run's buttons go to the race
// clock; the protocol's commands are reported to the window.
class ButtonRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ButtonRow)

public:
    static constexpr int kHeight = 34;

    ButtonRow(AppSession& session, QWidget* parent);

    // Which buttons are shown and enabled, and their colours.
    void showControls(const RunControls& controls);
    // The panels follow the lanes: `shown` lanes (none on the overall page), two or three.
    void setLanes(bool shown, int count);
    void setTvShown(bool shown);
    QToolButton* loadButton() const { return m_loadButton; }

Q_SIGNALS:
    void loadWanted();
    void saveWanted();
    void printerWanted();
    void spreadsheetWanted();
    void webPageWanted();
    void tvWanted();
    void certificatesWanted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutPanels();

    AppSession& m_session;
    bool m_lanesShown = true;
    int m_laneCount = 2;
    std::array<QWidget*, 3> m_panels{};
    PressButton* m_startButton = nullptr;
    QPushButton* m_falseStartButton = nullptr;
    PressButton* m_resetButton = nullptr;
    QPushButton* m_abortButton = nullptr;
    QToolButton* m_loadButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QToolButton* m_printButton = nullptr;
    QToolButton* m_spreadsheetButton = nullptr;
    QToolButton* m_webPageButton = nullptr;
    QToolButton* m_clearResultsButton = nullptr;
    QToolButton* m_tvButton = nullptr;
    QToolButton* m_certificatesButton = nullptr;
    std::array<QToolButton*, 3> m_laneAssignButtons{};
    QLabel* m_startBarrierIndicator = nullptr;
};

} // namespace brv
