#include "app/AboutDialog.h"

#include "app/ProgramIcon.h"
#include "version.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace brv {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Information"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);

    auto* name = new QLabel(QString(version::kProgramName), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setUnderline(true);
    nameFont.setPointSize(nameFont.pointSize() + 6);
    name->setFont(nameFont);
    name->setStyleSheet(QStringLiteral("color: #800000;"));
    auto* version =
        new QLabel(QStringLiteral("Version %1 (%2)").arg(version::kVersion, version::kReleaseDate), this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* iconLabel = new QLabel(frame);
    iconLabel->setPixmap(programIcon().pixmap(32, 32));
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->setContentsMargins(3, 3, 3, 3);
    frameLayout->addWidget(iconLabel);
    okButton = new QPushButton(QStringLiteral("Einverstanden"), this);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(frame, 0, Qt::AlignTop);
    top->addLayout(text);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okButton, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace brv
