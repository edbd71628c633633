#include "competition/Competition.h"
#include "printing/CertificatePrintout.h"
#include "printing/PrintDocument.h"
#include "printing/ProtocolPrintout.h"
#include "settings/CertificateLayout.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

using namespace brv;

namespace {

// A4 portrait without margins: the page rectangle is 160 .. 2040 by 60 .. 2910.
constexpr double kRight = 2040;
constexpr double kBottom = 2910;

const PageItem* textItem(const PrintDocument& d, int page, const QString& text)
{
    for (const PageItem& item : d.page(page)) {
        if (item.kind == PageItem::Text && item.text == text)
            return &item;
    }
    return nullptr;
}

void addTeams(Competition& c, int teams, const QString& name = QStringLiteral("FF Dorf %1"))
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r)
        v.setRowCells(r, {QString::number(r), name.arg(r), "A", "21,05", "5", "26,05", "19,99", "0", "19,99",
                          "", "", "", "46,04", QString::number(r)});
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionOnlyTable();
    void widestTextSetsTheSize_data();
    void widestTextSetsTheSize();
    void headingAndFoot_data();
    void headingAndFoot();
    void rowsRunOverPages_data();
    void rowsRunOverPages();
    void certificates_data();
    void certificates();
    void replayedOnOtherDevices();
};

// The class column is hidden on screen (the default) and printed all the same.
void TestPrinting::captionOnlyTable()
{
    Competition c;
    PrintDocument d;
    QVERIFY(renderProtocol(d, c.grid(CompetitionRound::Vorrunde), "Pokal", "13.06.26") > 0);
    QCOMPARE(d.pageCount(), 1);
    for (const QString& caption : c.grid(CompetitionRound::Vorrunde).rowCells(0))
        QVERIFY2(textItem(d, 0, caption), qPrintable(caption));
    std::vector<QRectF> frames;
    for (const PageItem& item : d.page(0)) {
        if (item.kind == PageItem::Frame)
            frames.push_back(item.box);
    }
    QCOMPARE(frames.size(), std::size_t(3)); // the table, its caption row, the hair line
    QCOMPARE(frames[2].top(), frames[1].bottom());
    QCOMPARE(frames[0].bottom(), textItem(d, 0, "Seite: 1")->box.top());
}

void TestPrinting::widestTextSetsTheSize_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fits");
    QTest::newRow("200 characters") << 200 << true;
    QTest::newRow("too wide even at size 2") << 3000 << false;
}

void TestPrinting::widestTextSetsTheSize()
{
    QFETCH(int, length);
    QFETCH(bool, fits);
    Competition c;
    addTeams(c, 3);
    PrintDocument usual;
    const int usualSize = renderProtocol(usual, c.grid(CompetitionRound::Vorrunde), {}, {});
    const QString name(length, QLatin1Char('W'));
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 2, name);
    PrintDocument d;
    const int size = renderProtocol(d, c.grid(CompetitionRound::Vorrunde), {}, {});
    QCOMPARE(size > 0, fits);
    QCOMPARE(d.pageCount(), fits ? 1 : 0);
    if (fits) {
        QVERIFY(size < usualSize);
        QVERIFY(textItem(d, 0, name)->box.right() <= kRight + 5);
        QVERIFY(textItem(d, 0, "Pl.")->box.right() <= kRight);
    }
}

void TestPrinting::headingAndFoot_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("protocol name") << "Kreisausscheid 2026";
    QTest::newRow("no protocol loaded") << "";
}

void TestPrinting::headingAndFoot()
{
    QFETCH(QString, title);
    Competition c;
    addTeams(c, 4);
    PrintDocument d;
    renderProtocol(d, c.grid(CompetitionRound::Vorrunde), title, "13.06.26");
    const PageItem* name = textItem(d, 0, title);
    QVERIFY(name);
    QCOMPARE(name->box.center().x(), (160 + kRight) / 2);
    QCOMPARE(name->box.top(), 60.0);
    const PageItem* date = textItem(d, 0, "13.06.26");
    QVERIFY(date);
    QCOMPARE(date->box.right(), kRight);
    QCOMPARE(date->box.bottom(), 60.0);
    const PageItem* page = textItem(d, 0, "Seite: 1");
    const PageItem* maker = textItem(d, 0, "Tempvalorhub");
    QVERIFY(page && maker);
    QCOMPARE(page->box.right(), kRight);
    QCOMPARE(page->box.bottom(), kBottom);
    QCOMPARE(maker->box.left(), 160.0);
    QCOMPARE(maker->box.top(), page->box.top());
}

void TestPrinting::rowsRunOverPages_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("pages"); // at least
    QTest::newRow("Hoch") << int(QPageLayout::Portrait) << 2;
    QTest::newRow("Quer") << int(QPageLayout::Landscape) << 3;
}

// Every row once, on a page whose number counts up from 1, above that page's foot.
void TestPrinting::rowsRunOverPages()
{
    QFETCH(int, orientation);
    QFETCH(int, pages);
    Competition c;
    addTeams(c, 120);
    QPageLayout layout = PrintDocument::defaultLayout();
    layout.setOrientation(QPageLayout::Orientation(orientation));
    PrintDocument d(layout);
    renderProtocol(d, c.grid(CompetitionRound::Vorrunde), {}, {});
    QVERIFY(d.pageCount() >= pages);
    int team = 1;
    for (int p = 0; p < d.pageCount(); ++p) {
        const PageItem* number = textItem(d, p, QStringLiteral("Seite: %1").arg(p + 1));
        QVERIFY(number);
        for (const PageItem& item : d.page(p)) {
            if (!item.text.startsWith("FF Dorf"))
                continue;
            QCOMPARE(item.text, QStringLiteral("FF Dorf %1").arg(team++));
            QVERIFY(item.box.bottom() <= number->box.top());
        }
    }
    QCOMPARE(team, 121);
}

void TestPrinting::certificates_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("pages"); // start number, best result and place of each page
    QTest::newRow("every team") << 1 << 3 << QStringList{"7|31,20 Sek.|1", "| Sek.|2", "8|33,00 Sek.|3"};
    QTest::newRow("3 to 3") << 3 << 3 << QStringList{"8|33,00 Sek.|3"};
    QTest::newRow("beyond the table") << 2 << 9 << QStringList{"| Sek.|2", "8|33,00 Sek.|3"};
}

// FF Au runs twice in the Vorrunde, FF Dorf not at all.
void TestPrinting::certificates()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, pages);
    Competition c;
    c.grid(CompetitionRound::Vorrunde).setRowCount(4);
    c.grid(CompetitionRound::Vorrunde).setRowCells(1, {"7", "FF Au"});
    c.grid(CompetitionRound::Vorrunde).setRowCells(2, {"8", "FF Berg"});
    c.grid(CompetitionRound::Vorrunde).setRowCells(3, {"9", "FF Au"});
    ResultGrid& overall = c.grid(CompetitionRound::GesamtErgebnis);
    overall.setRowCount(4);
    for (int r = 1; r <= 3; ++r)
        overall.setRowCells(r, {QString::number(r), QStringList{"FF Au", "FF Dorf", "FF Berg"}[r - 1]});
    overall.setCell(OverallColumn::BestResult, 1, "31,20");
    overall.setCell(OverallColumn::BestResult, 3, "33,00");
    CertificateLayout layout;
    const std::array<std::array<int, 4>, 3> placed{{{3, 105, 40, 1}, {5, 30, 100, 0}, {6, 180, 150, 2}}};
    for (const auto& [slot, left, top, alignment] : placed) {
        CertificateLine line = CertificateLayout::defaultLine(slot);
        line.left = left;
        line.top = top;
        line.alignment = quint8(alignment);
        line.fontSize = 20;
        line.fontColour = slot == 3 ? 0x000000FFu : certificate_colour::kWindowText;
        layout.setLine(slot, line);
    }
    PrintDocument d;
    QCOMPARE(renderCertificates(d, layout, c, from, to, {}), int(pages.size()));
    QCOMPARE(d.pageCount(), int(pages.size()));
    for (int p = 0; p < d.pageCount(); ++p) {
        const std::vector<PageItem>& items = d.page(p);
        QCOMPARE(items.size(), std::size_t(3));
        QCOMPARE(items[0].text + "|" + items[1].text + "|" + items[2].text, pages[p]);
        QCOMPARE(items[0].box.center().x(), 1050.0); // centred on 105 mm
        QCOMPARE(items[1].box.topLeft(), QPointF(300, 1000));
        QCOMPARE(items[2].box.right(), 1800.0);
        QCOMPARE(items[0].colour, qRgb(255, 0, 0));
        QCOMPARE(items[1].colour, qRgb(0, 0, 0));
        QCOMPARE(d.font(items[1].font).pixelSize(), 68); // 20 points: size 51
        QVERIFY(d.font(items[1].font).bold());
    }
}

void TestPrinting::replayedOnOtherDevices()
{
    Competition c;
    addTeams(c, 120);
    PrintDocument d;
    renderProtocol(d, c.grid(CompetitionRound::Vorrunde), {}, {});
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QVERIFY(d.writePdf(&pdf));
    QVERIFY(pdf.data().startsWith("%PDF"));
    QCOMPARE(pdf.data().count("/Type /Page\n"), qsizetype(d.pageCount()));
    // the frame's left edge at 16 mm, at one pixel to the tenth of a millimetre
    const QImage image = d.pageImage(0, 10);
    QCOMPARE(image.size(), QSize(2100, 2970));
    QVERIFY(qGray(image.pixel(159, 1500)) < 128 || qGray(image.pixel(160, 1500)) < 128);
    QCOMPARE(qGray(image.pixel(100, 1500)), 255);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
