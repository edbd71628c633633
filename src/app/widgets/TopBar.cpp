#include "app/widgets/TopBar.h"

#include "version.h"

#include <QCalendarWidget>
#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace brv {

namespace {

QPixmap logoPicture()
{
    QPixmap pixmap(36, 36);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.setBrush(QColor(0xFF, 0xF4, 0xD0));
    p.drawEllipse(QRectF(4, 7, 26, 26));
    p.drawRect(QRectF(14, 2, 6, 4));
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.5));
    p.drawLine(QPointF(17, 20), QPointF(17, 11));
    p.drawLine(QPointF(17, 20), QPointF(24, 23));
    return pixmap;
}

QFont enlarged(QFont font, int points, bool italic = false)
{
    font.setBold(true);
    font.setItalic(italic);
    font.setPointSize(font.pointSize() + points);
    return font;
}

} // namespace

QToolButton* toolButton(QWidget* parent, const QString& text, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(30, 28);
    return button;
}

TopBar::TopBar(QWidget* window, QWidget* parent) : QWidget(parent), m_window(window)
{
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    m_helpButton = toolButton(this, QStringLiteral("?"), QStringLiteral("[F1] Hilfe"));
    m_settingsButton = toolButton(this, QStringLiteral("⚙"), QStringLiteral("[F2] Einstellungen"));
    m_aboutButton = toolButton(this, QStringLiteral("i"), QStringLiteral("[F3] Information"));
    for (QToolButton* b : {m_helpButton, m_settingsButton, m_aboutButton}) {
        b->setFont(enlarged(b->font(), 3));
        layout->addWidget(b);
    }
    m_helpButton->setObjectName(QStringLiteral("helpButton"));
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    m_aboutButton->setObjectName(QStringLiteral("aboutButton"));
    auto* logo = new QLabel(this);
    logo->setPixmap(logoPicture());
    auto* product = new QLabel(QString(version::kProgramName), this);
    product->setFont(enlarged(product->font(), 5, true));
    product->setStyleSheet(QStringLiteral("color: #800000;"));
    layout->addSpacing(8);
    layout->addWidget(logo);
    layout->addWidget(product);
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("competitionTitleLabel"));
    m_titleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_titleLabel->setFont(enlarged(m_titleLabel->font(), 4));
    m_titleLabel->setVisible(false);
    layout->addWidget(m_titleLabel, 1);
    layout->addStretch(0);

    auto* clockBox = new QFrame(this);
    clockBox->setAutoFillBackground(true);
    QPalette pal = clockBox->palette();
    pal.setColor(QPalette::Window, Qt::black);
    clockBox->setPalette(pal);
    auto* clockLayout = new QHBoxLayout(clockBox);
    clockLayout->setContentsMargins(8, 2, 8, 2);
    m_dateLabel = new QLabel(clockBox);
    m_dateLabel->setObjectName(QStringLiteral("dateLabel"));
    m_dateLabel->setStyleSheet(QStringLiteral("color: #00E000; font-weight: bold;"));
    m_dateLabel->setCursor(Qt::PointingHandCursor);
    m_dateLabel->installEventFilter(this);
    m_dateLabel->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    m_timeLabel = new QLabel(clockBox);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    m_timeLabel->setStyleSheet(QStringLiteral("color: #FF9933; font-weight: bold;"));
    clockLayout->addWidget(m_dateLabel);
    clockLayout->addSpacing(10);
    clockLayout->addWidget(m_timeLabel);
    layout->addWidget(clockBox);

    // the calendar panel, opened from the date box
    m_calendarPanel = new QFrame(window);
    m_calendarPanel->setObjectName(QStringLiteral("calendarPanel"));
    m_calendarPanel->setFrameShape(QFrame::Box);
    m_calendarPanel->setAutoFillBackground(true);
    auto* calLayout = new QVBoxLayout(m_calendarPanel);
    calLayout->setContentsMargins(2, 2, 2, 2);
    auto* heading = new QHBoxLayout;
    m_calendarHeading = new QLabel(QStringLiteral("Kalender"), m_calendarPanel);
    m_calendarHeading->setCursor(Qt::PointingHandCursor);
    m_calendarHeading->installEventFilter(this);
    m_calendarHeading->setObjectName(QStringLiteral("calendarHeading"));
    auto* calClose = new QToolButton(m_calendarPanel);
    calClose->setText(QStringLiteral("×"));
    calClose->setToolTip(QStringLiteral("Abbrechen"));
    connect(calClose, &QToolButton::clicked, m_calendarPanel, &QWidget::hide);
    heading->addWidget(m_calendarHeading, 1);
    heading->addWidget(calClose);
    m_calendar = new QCalendarWidget(m_calendarPanel);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setGridVisible(true);
    m_calendar->setSelectedDate(QDate::currentDate());
    calLayout->addLayout(heading);
    calLayout->addWidget(m_calendar);
    m_calendarPanel->adjustSize();
    m_calendarPanel->hide();

    auto* timeTimer = new QTimer(this);
    timeTimer->setInterval(10000);
    connect(timeTimer, &QTimer::timeout, this, &TopBar::showTime);
    timeTimer->start();
    showTime();
}

void TopBar::setTitle(const QString& title)
{
    m_titleLabel->setText(title);
    m_titleLabel->setVisible(!title.isEmpty());
}

QString TopBar::title() const
{
    return m_titleLabel->text();
}

QString TopBar::dateText() const
{
    return m_dateLabel->text();
}

void TopBar::showTime()
{
    m_timeLabel->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
}

bool TopBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == m_dateLabel) {
        // the calendar at the top edge, its right edge 3 pixels right of the date box's left edge
        m_calendarPanel->adjustSize();
        const QPoint dateLeft = m_dateLabel->mapTo(m_window, QPoint(0, 0));
        m_calendarPanel->move(std::max(0, dateLeft.x() + 3 - m_calendarPanel->width()), 0);
        m_calendarPanel->raise();
        m_calendarPanel->show();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_calendarHeading) {
        m_calendarPanel->hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace brv
