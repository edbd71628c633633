#pragma once

#include "timing/LaneDisplay.h"

#include <QWidget>

#include <array>

class QCheckBox;
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
    SevenSegmentDigit* digit(int index) const { return m_digits[std::size_t(index)]; }
    QLabel* comma() const { return m_comma; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<SevenSegmentDigit*, 5> m_digits{};
    QLabel* m_comma = nullptr;
};

// A lane panel: the time on five seven-segment digits and the lane's controls below them.
class LanePanel final : public QWidget
{
    Q_OBJECT

public:
    // `lane` 1 to 3 picks the control bar colour and the hints.
    explicit LanePanel(int lane, QWidget* parent = nullptr);

    int lane() const { return m_lane; }
    void showDigits(const LaneDigits& digits) { timePanel->showDigits(digits); }

    TimePanel* timePanel = nullptr;
    QWidget* controlBar = nullptr;
    QLabel* laneLabel = nullptr;
    QCheckBox* laneInUse = nullptr;
    QPushButton* finishButton = nullptr;
    QComboBox* teamSelector = nullptr;
    QPushButton* startButton = nullptr;

    // Hides the control bar (the TV display shows the digits only).
    void setControlBarHeight(int height);

private:
    int m_lane;
};

} // namespace brv
