#pragma once

#include <QLabel>

namespace brv {

// A panel of the status bar: its text, cut with "…" where the panel is too narrow; the whole
// text is then its tool tip, so no message is ever lost to the width of the window.
class StatusPanel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusPanel)

public:
    explicit StatusPanel(QWidget* parent = nullptr) : QLabel(parent) {}
    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_fullText;
};

} // namespace brv
