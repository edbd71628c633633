#pragma once

#include <QTabBar>

namespace brv {

// Tabs drawn in the colour of their round; the active caption bold and shifted.
class RoundTabBar final : public QTabBar
{
    Q_OBJECT

public:
    explicit RoundTabBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
};

// A caption-only bar whose headings span the columns of the table below it.
class HeadingBar final : public QWidget
{
    Q_OBJECT

public:
    struct Heading
    {
        QString text;
        int width = 0;
        QColor background;
        QColor foreground;
    };

    explicit HeadingBar(QWidget* parent = nullptr);
    void setHeadings(const QList<Heading>& headings);
    const QList<Heading>& headings() const { return m_headings; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<Heading> m_headings;
};

} // namespace brv
