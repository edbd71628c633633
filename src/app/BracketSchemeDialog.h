#pragma once

#include <QDialog>

class QLabel;

namespace brv {

// The two knockout brackets: by place (0) and winners keep their bracket (1).
class BracketSchemeDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit BracketSchemeDialog(QWidget* parent = nullptr);
    // Shows the picture of a pairing choice; any other choice keeps the picture shown before.
    void showFor(int pairingChoice);
    void selectPicture(int pairingChoice);
    int visiblePicture() const { return m_visible; }
    static QImage bracketPicture(int pairingChoice);

    QLabel* byPlacePicture = nullptr;
    QLabel* winnersKeepBracketPicture = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_visible = 0;
};

} // namespace brv
