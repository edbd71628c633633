#pragma once

#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLabel;
class QToolButton;

namespace brv {

// The bar at the window's top: the help, settings and information buttons, the program's logo
// and name, the competition's title, and the date and time; a click on the date opens a
// calendar over the window.
class TopBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TopBar)

public:
    static constexpr int kHeight = 44;

    // The calendar opens over `window`.
    TopBar(QWidget* window, QWidget* parent);

    QToolButton* helpButton() const { return m_helpButton; }
    QToolButton* settingsButton() const { return m_settingsButton; }
    QToolButton* aboutButton() const { return m_aboutButton; }
    // The competition's title; the bar shows none while it is empty.
    void setTitle(const QString& title);
    QString title() const;
    QString dateText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTime();

    QWidget* m_window;
    QToolButton* m_helpButton = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QToolButton* m_aboutButton = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QFrame* m_calendarPanel = nullptr;
    QLabel* m_calendarHeading = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};

// A borderless tool button that takes no focus, as the window's bars use them.
QToolButton* toolButton(QWidget* parent, const QString& text, const QString& hint);

} // namespace brv
