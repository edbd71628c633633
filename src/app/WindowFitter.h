#pragma once

#include <QObject>

class QWidget;

namespace brv {

// Keeps the program's dialogs and windows on the screen they open on: each one that is shown is
// made no larger than the screen's available area leaves room for (with its frame) and moved
// wholly into it. The main window and the borderless TV display place themselves.
class WindowFitter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowFitter)

public:
    // Watches every window of the application while it lives; `mainWindow` is left alone.
    explicit WindowFitter(QWidget* mainWindow);

    // `window` fitted into its screen's available area now.
    static void fit(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_mainWindow;
};

} // namespace brv
