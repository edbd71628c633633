#pragma once

#include "competition/Interfaces.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace brv {

// The yes/no confirmation ("Ergebnisse löschen?", "Programm beenden?"). "Nein" has the focus and
// answers Enter, so a key pressed on by habit destroys nothing; a question whose "Ja" is the safe
// answer (restoring a competition) sets yesFocused.
class ConfirmDialog final : public QDialog, public YesNoQuestion
{
    Q_OBJECT

public:
    explicit ConfirmDialog(QWidget* parent = nullptr);
    bool ask(const QString& question) override;

    QLabel* questionLabel = nullptr;
    QPushButton* yesButton = nullptr;
    QPushButton* noButton = nullptr;
    bool yesFocused = false;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace brv
