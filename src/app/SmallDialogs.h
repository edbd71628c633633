#pragma once

#include "Interfaces.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace brv {

// The yes/no confirmation ("Ergebnisse löschen?", "Programm beenden?").
class TFDlgYesNo final : public QDialog, public YesNoQuestion
{
    Q_OBJECT

public:
    explicit TFDlgYesNo(QWidget* parent = nullptr);
    bool ask(const QString& question) override;

    QLabel* Label1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

// Program name and version.
class TFormInfo final : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInfo(QWidget* parent = nullptr);
    QPushButton* sOK = nullptr;
};

// The two knockout brackets: by place (0) and winners keep their bracket (1).
class TFormSxema final : public QDialog
{
    Q_OBJECT

public:
    explicit TFormSxema(QWidget* parent = nullptr);
    // Shows the picture of a pairing choice; any other choice keeps the picture shown before.
    void showFor(int pairingChoice);
    void selectPicture(int pairingChoice);
    int visiblePicture() const { return m_visible; }
    static QImage bracketPicture(int pairingMode);

    QLabel* Image0 = nullptr;
    QLabel* Image1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_visible = 0;
};

} // namespace brv
