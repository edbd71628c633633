#pragma once

#include "timing/LaneDisplay.h"

#include <QWidget>

#include <array>

class QAbstractButton;
class QCheckBox;
class QColor;
class QComboBox;
class QLabel;
class QPushButton;

namespace brv {

class SevenSegmentDigit;

// The black display area of a lane panel: five digits and the comma, laid out on resize.
class TimePanel final : public QWidget
{
    Q_OBJECT

public:
    explicit TimePanel(QWidget* parent = nullptr);

    void showDigits(const LaneDigits& digits);
    // The area's background, which the digits' unlit segments take too.
    void setBackgroundColour(const QColor& colour);
    SevenSegmentDigit* digit(int index) const { return m_digits[std::size_t(index)]; }
    QLabel* comma() const { return m_comma; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<SevenSegmentDigit*, 5> m_digits{};
    QLabel* m_comma = nullptr;
};

// Colours a button, or gives it the system's button face back; only touches it on change.
void setButtonColour(QAbstractButton* button, const QColor& colour);

// A lane panel: the time on five seven-segment digits and the lane's controls below them: the
// lane's name, its on/off box (lane 3), "ZIEL", the team selector and the lane's own START.
// The panel shows what it is told and reports what the operator does; it decides nothing.
class LanePanel final : public QWidget
{
    Q_OBJECT

public:
    // `lane` 1 to 3 picks the control bar colour and the hints.
    explicit LanePanel(int lane, QWidget* parent = nullptr);

    int lane() const { return m_lane; }
    TimePanel* timePanel() const { return m_timePanel; }
    void showDigits(const LaneDigits& digits) { m_timePanel->showDigits(digits); }
    // "ZIEL" is enabled, and yellow, while the lane runs.
    void setFinishArmed(bool armed);
    // The lane's own START (per-lane start mode).
    void setStartButton(bool visible, bool enabled, bool green);
    // The team selector's entries, its current entry and whether it can be changed.
    void setTeams(const QStringList& entries, int current, bool enabled);
    void setTeamsEnabled(bool enabled);
    // The on/off box, shown on lane 3 only.
    void setInUse(bool inUse);
    // Hides the control bar (the TV display shows the digits only).
    void setControlBarHeight(int height);

Q_SIGNALS:
    void finishClicked();
    void startClicked();
    void teamChosen(int index);
    void inUseClicked(bool inUse);

private:
    int m_lane;
    TimePanel* m_timePanel = nullptr;
    QWidget* m_controlBar = nullptr;
    QCheckBox* m_inUse = nullptr;
    QPushButton* m_finishButton = nullptr;
    QComboBox* m_teamSelector = nullptr;
    QPushButton* m_startButton = nullptr;
};

} // namespace brv
