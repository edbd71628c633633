#pragma once

#include <QDialog>

class QPushButton;

namespace brv {

// Program name and version.
class AboutDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    QPushButton* okButton = nullptr;
};

} // namespace brv
