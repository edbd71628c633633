#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace brv {

class LiveAddressPanel;
class StatusPanel;

// The main window's status bar: the number of teams on the page, the program's name, the
// message panel and the live results' address (or the window's size).
class MainStatusBar final : public QStatusBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainStatusBar)

public:
    explicit MainStatusBar(QWidget* parent);

    QLabel* panel(int index) const;
    void showTeamCount(int teams);
    void setMessage(const QString& text);
    // The live results' address while they are switched on, else the window's size.
    void showAddress(const QString& liveText, const QSize& windowSize);

private:
    StatusPanel* m_count = nullptr;
    StatusPanel* m_program = nullptr;
    StatusPanel* m_message = nullptr;
    LiveAddressPanel* m_address = nullptr;
};

} // namespace brv
