#pragma once

#include <QImage>
#include <QLabel>

namespace brv {

// The text as a QR code painted from libqrencode's modules: `moduleSize` pixels per module and a
// quiet zone of four modules, black on white. Null when the text cannot be encoded.
QImage qrCodePicture(const QString& text, int moduleSize);

// Status panel 3: the address of the live results ("http://192.168.1.20:8080/") or why they are
// not reachable while they are switched on, else the window's size. A click on an address shows
// it as a QR code that a phone can scan.
class LiveAddressPanel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveAddressPanel)

public:
    explicit LiveAddressPanel(QWidget* parent = nullptr);
    // Shows `text`; it is an address when it begins with "http" (blanks aside).
    void setAddress(const QString& text);
    // The QR code window, while it is shown.
    QWidget* codeWindow() const { return m_codeWindow; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_url;
    QWidget* m_codeWindow = nullptr;
};

} // namespace brv
