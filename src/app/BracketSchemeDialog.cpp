#include "app/BracketSchemeDialog.h"

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

namespace {

struct Box
{
    QRectF rect;
    QString text;
    QColor fill = Qt::white;
};

void drawBox(QPainter& p, const Box& box)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(box.fill);
    p.drawRect(box.rect);
    p.drawText(box.rect, Qt::AlignCenter, box.text);
}

// a bracket line joining two boxes to a point on the right
void join(QPainter& p, const QRectF& a, const QRectF& b, const QPointF& to)
{
    const qreal x = (a.right() + to.x()) / 2;
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(a.right(), a.center().y()), QPointF(x, a.center().y()));
    p.drawLine(QPointF(b.right(), b.center().y()), QPointF(x, b.center().y()));
    p.drawLine(QPointF(x, a.center().y()), QPointF(x, b.center().y()));
    p.drawLine(QPointF(x, to.y()), to);
}

} // namespace

QImage BracketSchemeDialog::bracketPicture(int pairingChoice)
{
    QImage image(500, 470, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF4, 0xEC));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    QFont bold = font;
    bold.setBold(true);

    const QColor gold(0xFF, 0xFF, 0x00), silver(0xFF, 0xFF, 0xFF), bronze(0xFF, 0xA0, 0x40);
    const qreal top = 34;
    const qreal slot = 21.5; // 16 eighth-final slots
    const qreal boxH = 17;

    // headings
    p.setFont(bold);
    const QList<QPair<qreal, QString>> headings{{40, QStringLiteral("Platz")},
                                                {120, QStringLiteral("1/8")},
                                                {240, QStringLiteral("1/4")},
                                                {340, QStringLiteral("1/2")},
                                                {440, QStringLiteral("Finale")}};
    for (const auto& [x, text] : headings)
        p.drawText(QRectF(x - 40, 6, 80, 20), Qt::AlignCenter, text);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(QPointF(0, 28), QPointF(500, 28));
    p.setFont(font);

    // eighth-finals: places down the left edge, pairs 1-16, 8-9, 4-13, 5-12, 2-15, 7-10, 3-14, 6-11
    const int places[16] = {1, 16, 8, 9, 4, 13, 5, 12, 2, 15, 7, 10, 3, 14, 6, 11};
    QList<QRectF> eighth;
    for (int i = 0; i < 16; ++i) {
        const QRectF r(10, top + i * slot, 60, boxH);
        eighth << r;
        drawBox(p, {r, QStringLiteral("%1.").arg(places[i])});
    }
    QList<QRectF> quarter;
    for (int k = 0; k < 8; ++k) {
        const QRectF r(200, top + (2 * k + 0.5) * slot, 80, boxH);
        quarter << r;
    }
    if (pairingChoice == 0) {
        // winners re-seeded by their place: 1-8, 4-5, 2-7, 3-6
        for (int k = 0; k < 8; ++k) {
            const QPointF to(120, eighth[2 * k].center().y() + slot / 2);
            join(p, eighth[2 * k], eighth[2 * k + 1], to);
            drawBox(p, {QRectF(120, to.y() - boxH / 2, 50, boxH), QStringLiteral("Sieger"),
                        QColor(0xE8, 0xE8, 0xE8)});
        }
        const int seeds[8] = {1, 8, 4, 5, 2, 7, 3, 6};
        for (int k = 0; k < 8; ++k) {
            QColor fill = Qt::white;
            drawBox(p, {quarter[k], QStringLiteral("%1. Sieger").arg(seeds[k]), fill});
        }
    } else {
        // winners keep their bracket: winner of 1-16 meets winner of 8-9, ...
        for (int k = 0; k < 8; ++k) {
            join(p, eighth[2 * k], eighth[2 * k + 1], QPointF(quarter[k].left(), quarter[k].center().y()));
            drawBox(p, {quarter[k], QStringLiteral("S %1-%2").arg(places[2 * k]).arg(places[2 * k + 1])});
        }
    }

    // semi-finals
    QList<QRectF> semi;
    for (int k = 0; k < 4; ++k)
        semi << QRectF(310, top + (4 * k + 1.5) * slot, 70, boxH);
    for (int k = 0; k < 4; ++k) {
        join(p, quarter[2 * k], quarter[2 * k + 1], QPointF(semi[k].left(), semi[k].center().y()));
        QString text;
        QColor fill = Qt::white;
        if (pairingChoice == 0) {
            const int seeds[4] = {1, 4, 2, 3};
            text = QStringLiteral("%1. Sieger").arg(seeds[k]);
            if (seeds[k] == 1)
                fill = gold;
            else if (seeds[k] == 2)
                fill = silver;
            else if (seeds[k] == 3)
                fill = bronze;
        } else {
            text = QStringLiteral("Sieger");
        }
        drawBox(p, {semi[k], text, fill});
    }

    // the Finale: a. the semi-final losers for third place, b. the winners for the title
    const QRectF finalA(410, top + 4.5 * slot, 80, 2 * boxH + 4);
    const QRectF finalB(410, top + 10 * slot, 80, 2 * boxH + 4);
    join(p, semi[0], semi[1], QPointF(400, top + 3.5 * slot));
    join(p, semi[2], semi[3], QPointF(400, top + 11.5 * slot));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(400, top + 3.5 * slot), QPointF(400, top + 11.5 * slot));
    drawBox(p, {finalA, QStringLiteral("a. Verlierer\nPlatz 3/4"), bronze});
    drawBox(p, {finalB, QStringLiteral("b. Sieger\nPlatz 1/2"), gold});
    p.drawLine(QPointF(400, finalA.center().y()), QPointF(finalA.left(), finalA.center().y()));
    p.drawLine(QPointF(400, finalB.center().y()), QPointF(finalB.left(), finalB.center().y()));

    // placings
    const qreal footer = top + 16 * slot + 8;
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(QPointF(0, footer - 4), QPointF(500, footer - 4));
    p.setPen(Qt::black);
    p.setFont(bold);
    p.drawText(QRectF(0, footer, 190, 40), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Verlierer:\nPlätze 9 bis 16"));
    p.drawText(QRectF(190, footer, 120, 40), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Plätze 5 bis 8\nnach Zeit"));
    p.drawText(QRectF(310, footer, 190, 40), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("a. Plätze 3 und 4\nb. Plätze 1 und 2 (KO)"));
    p.setFont(font);
    p.drawText(QRectF(0, 450, 500, 18), Qt::AlignCenter,
               pairingChoice == 0 ? QStringLiteral("Nach 1. KO-Runde: nach Platz")
                                  : QStringLiteral("Nach 1. KO-Runde: Win+Win"));
    return image;
}

BracketSchemeDialog::BracketSchemeDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("KO-Schema"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(500, 470);
    byPlacePicture = new QLabel(this);
    byPlacePicture->setPixmap(QPixmap::fromImage(bracketPicture(0)));
    byPlacePicture->setGeometry(0, 0, 500, 470);
    winnersKeepBracketPicture = new QLabel(this);
    winnersKeepBracketPicture->setPixmap(QPixmap::fromImage(bracketPicture(1)));
    winnersKeepBracketPicture->setGeometry(0, 0, 500, 470);
    selectPicture(0);
}

void BracketSchemeDialog::selectPicture(int pairingChoice)
{
    if (pairingChoice != 0 && pairingChoice != 1)
        return;
    m_visible = pairingChoice;
    byPlacePicture->setVisible(pairingChoice == 0);
    winnersKeepBracketPicture->setVisible(pairingChoice == 1);
}

void BracketSchemeDialog::showFor(int pairingChoice)
{
    selectPicture(pairingChoice);
    exec();
}

void BracketSchemeDialog::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    accept(); // any key closes the scheme
}

} // namespace brv
