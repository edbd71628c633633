#include "app/ConfirmDialog.h"

#include "settings/WindowPlacement.h"
#include "version.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace brv {

namespace {

QPixmap questionIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1, 1, 30, 23), 8, 8);
    QPainterPath tail;
    tail.moveTo(8, 22);
    tail.lineTo(6, 31);
    tail.lineTo(15, 22);
    tail.closeSubpath();
    p.setPen(QPen(QColor(0x20, 0x40, 0x90), 1.5));
    p.setBrush(QColor(0xFF, 0xFF, 0xE0));
    p.drawPath(bubble.united(tail));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(18);
    p.setFont(font);
    p.setPen(QColor(0x20, 0x40, 0x90));
    p.drawText(QRect(1, 1, 30, 23), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

} // namespace

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QApplication::applicationName().isEmpty() ? QString(version::kProgramName)
                                                             : QApplication::applicationName());
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(questionIcon());
    questionLabel = new QLabel(this);
    questionLabel->setAlignment(Qt::AlignCenter);
    questionLabel->setWordWrap(true);
    questionLabel->setMinimumWidth(200);
    yesButton = new QPushButton(QStringLiteral("Ja"), this);
    noButton = new QPushButton(QStringLiteral("Nein"), this);
    yesButton->setDefault(false);
    noButton->setDefault(false);
    connect(yesButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(noButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(questionLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yesButton);
    buttons->addWidget(noButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(yesButton, noButton);
}

bool ConfirmDialog::ask(const QString& question)
{
    questionLabel->setText(question);
    yesButton->setDefault(yesFocused);
    noButton->setDefault(!yesFocused);
    return exec() == QDialog::Accepted;
}

void ConfirmDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // over the middle of the window, and wholly on the window's screen
    if (parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(parentWidget()->geometry().center());
        if (const QScreen* screen = parentWidget()->screen())
            frame = keptInside(frame, screen->availableGeometry());
        move(frame.topLeft());
    }
    (yesFocused ? yesButton : noButton)->setFocus();
}

} // namespace brv
