#pragma once

#include "competition/Interfaces.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace brv {

// The yes/no confirmation ("Ergebnisse löschen?", "Programm beenden?").
class ConfirmDialog final : public QDialog, public YesNoQuestion
{
    Q_OBJECT

public:
    explicit ConfirmDialog(QWidget* parent = nullptr);
    bool ask(const QString& question) override;

    QLabel* questionLabel = nullptr;
    QPushButton* yesButton = nullptr;
    QPushButton* noButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace brv
