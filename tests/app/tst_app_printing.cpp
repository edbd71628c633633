#include "app/MainWindow.h"
#include "app/PrintCommands.h"
#include "printing/CertificatePrintout.h"
#include "printing/ProtocolPrintout.h"
#include "session/SessionFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace brv;

namespace {

// A4 portrait without margins: the page rectangle is 160 .. 2040 by 60 .. 2910.
constexpr double kRight = 2040;

const PageItem* textItem(const PrintDocument& d, int page, const QString& text)
{
    for (const PageItem& item : d.page(page)) {
        if (item.kind == PageItem::Text && item.text == text)
            return &item;
    }
    return nullptr;
}

// Page n says "Seite: n"; the teams of addTeams() follow each other over the pages, each above
// its page's foot.
bool pagedInOrder(const PrintDocument& d, int teams)
{
    int team = 1;
    for (int p = 0; p < d.pageCount(); ++p) {
        const PageItem* number = textItem(d, p, QStringLiteral("Seite: %1").arg(p + 1));
        for (const PageItem& item : d.page(p)) {
            if (!number ||
                (item.text.startsWith("FF Dorf") && (item.text != QStringLiteral("FF Dorf %1").arg(team++) ||
                                                     item.box.bottom() > number->box.top())))
                return false;
        }
    }
    return team == teams + 1;
}

const ResultGrid& addTeams(Competition& c, int teams, const QString& name = QStringLiteral("FF Dorf %1"))
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r)
        v.setRowCells(r, {QString::number(r), name.arg(r), "A", "21,05", "5", "26,05", "19,99", "0", "19,99",
                          "", "", "", "46,04", QString::number(r)});
    return v;
}

// The window with its printing dialogs answered at once: the print dialog as `confirm` says
// (with the range `from` to `to` when given), the printer setup turns the paper, the preview is
// only rendered. The printer writes a PDF.
struct PrintingWindow
{
    test::SessionFixture fixture;
    MainWindow window{fixture.newSession()};
    PrintCommands& printing = window.printCommands();
    bool confirm = true;
    std::pair<int, int> range;
    QList<int> offered; // the last page, "from" and "to" the print dialog was given
    int previews = 0;
    QString pdfPath;
    QStringList warnings;

    PrintingWindow()
    {
        printing.dialogs() = {[this](QPrinter&, int last, int& from, int& to) {
                                  offered = {last, from, to};
                                  if (range.first)
                                      std::tie(from, to) = range;
                                  return confirm;
                              },
                              [](QPrinter& p) { return p.setPageOrientation(QPageLayout::Landscape); },
                              [this](const QString&) { return pdfPath; }, [this](QDialog&) { ++previews; },
                              [this](const QString& message) { warnings << message; }};
        printing.printer().setOutputFileName(fixture.folder.filePath("gedruckt.pdf"));
        printing.printer().setPageLayout(PrintDocument::defaultLayout());
    }
    const PrintDocument& document() { return printing.preview().document(); }
    template <typename T = QSpinBox> T* child(const char* name)
    {
        return printing.preview().findChild<T*>(name);
    }
    void trigger(QWidget& parent, const QString& caption)
    {
        for (QAction* action : parent.findChildren<QAction*>()) {
            if (action->text() == caption)
                action->trigger();
        }
    }
};

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionOnlyTable_data();
    void captionOnlyTable();
    void longNameLowersTheSize();
    void certificates_data();
    void certificates();
    void protocolThroughThePrintDialog();
    void formatRendersAgain();
    void certificatePageBox_data();
    void certificatePageBox();
    void printerSetupThenPrintAndSave();
};

void TestPrinting::captionOnlyTable_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("protocol name") << "Kreisausscheid 2026";
    QTest::newRow("no protocol loaded") << "";
}

// The title centred, the date above the page rectangle, page number and maker at its foot; the
// hair line right under the captions. The class column is hidden on screen and printed.
void TestPrinting::captionOnlyTable()
{
    QFETCH(QString, title);
    Competition c;
    PrintDocument d;
    QVERIFY(renderProtocol(d, c.grid(CompetitionRound::Vorrunde), title, "13.06.26") > 0);
    QCOMPARE(d.pageCount(), 1);
    for (const QString& caption : c.grid(CompetitionRound::Vorrunde).rowCells(0))
        QVERIFY2(textItem(d, 0, caption), qPrintable(caption));
    const PageItem* name = textItem(d, 0, title);
    const PageItem* date = textItem(d, 0, "13.06.26");
    const PageItem* page = textItem(d, 0, "Seite: 1");
    const PageItem* maker = textItem(d, 0, "Tempvalorhub");
    QVERIFY(name && date && page && maker);
    QCOMPARE(name->box.center().x(), (160 + kRight) / 2);
    QCOMPARE(name->box.top(), 60.0);
    QCOMPARE(date->box.bottomRight(), QPointF(kRight, 60));
    QCOMPARE(page->box.bottomRight(), QPointF(kRight, 2910));
    QCOMPARE(maker->box.topLeft(), QPointF(160, page->box.top()));
    std::vector<QRectF> frames; // the table, its caption row, the hair line
    for (const PageItem& item : d.page(0)) {
        if (item.kind == PageItem::Frame)
            frames.push_back(item.box);
    }
    QCOMPARE(frames.size(), std::size_t(3));
    QCOMPARE(frames[2].top(), frames[1].bottom());
    QCOMPARE(frames[0].bottom(), page->box.top());
}

// The widest text of a column decides: a long team name lowers the size of the whole table.
void TestPrinting::longNameLowersTheSize()
{
    Competition c;
    PrintDocument usual;
    const int usualSize = renderProtocol(usual, addTeams(c, 3), {}, {});
    const QString name(200, QLatin1Char('W'));
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 2, name);
    PrintDocument d;
    const int size = renderProtocol(d, c.grid(CompetitionRound::Vorrunde), {}, {});
    QVERIFY(size > 0 && size < usualSize);
    QCOMPARE(d.pageCount(), 1);
    QVERIFY(textItem(d, 0, name)->box.right() <= kRight + 5);
    QVERIFY(textItem(d, 0, "Pl.")->box.right() <= kRight);
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

// FF Au runs twice in the Vorrunde, FF Dorf not at all. The start number is centred on 105 mm
// in red, the best result at 30 mm, the place ends at 180 mm.
void TestPrinting::certificates()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, pages);
    Competition c;
    const QStringList ran{"FF Au", "FF Berg", "FF Au"}, ranked{"FF Au", "FF Dorf", "FF Berg"};
    c.grid(CompetitionRound::Vorrunde).setRowCount(4);
    c.grid(CompetitionRound::GesamtErgebnis).setRowCount(4);
    for (int r = 1; r <= 3; ++r) {
        c.grid(CompetitionRound::Vorrunde).setRowCells(r, {QString::number(r + 6), ran[r - 1]});
        c.grid(CompetitionRound::GesamtErgebnis).setRowCells(r, {QString::number(r), ranked[r - 1]});
    }
    c.grid(CompetitionRound::GesamtErgebnis).setCell(OverallColumn::BestResult, 1, "31,20");
    c.grid(CompetitionRound::GesamtErgebnis).setCell(OverallColumn::BestResult, 3, "33,00");
    CertificateLayout layout;
    for (const auto& [slot, left, top, alignment] :
         std::vector<std::array<int, 4>>{{3, 105, 40, 1}, {5, 30, 100, 0}, {6, 180, 150, 2}}) {
        CertificateLine line = CertificateLayout::defaultLine(slot);
        std::tie(line.left, line.top, line.alignment, line.fontSize) =
            std::tuple(left, top, quint8(alignment), 20);
        line.fontColour = slot == 3 ? 0x000000FFu : certificate_colour::kWindowText;
        layout.setLine(slot, line);
    }
    PrintDocument d;
    renderCertificates(d, layout, c, from, to, {});
    QCOMPARE(d.pageCount(), int(pages.size()));
    for (int p = 0; p < d.pageCount(); ++p) {
        const std::vector<PageItem>& items = d.page(p);
        QCOMPARE(items.size(), std::size_t(3));
        QCOMPARE(items[0].text + "|" + items[1].text + "|" + items[2].text, pages[p]);
        QCOMPARE(items[0].box.center(), QPointF(1050, 400 + items[0].box.height() / 2));
        QCOMPARE(items[1].box.topLeft(), QPointF(300, 1000));
        QCOMPARE(items[2].box.right(), 1800.0);
        QCOMPARE(items[0].colour, qRgb(255, 0, 0));
        QCOMPARE(items[1].colour, qRgb(0, 0, 0));
        QCOMPARE(d.font(items[1].font).pixelSize(), 68); // 20 points: size 51
    }
}

// Cancelled, nothing is shown; a table too wide for the page gives the preview's message.
void TestPrinting::protocolThroughThePrintDialog()
{
    PrintingWindow w;
    w.confirm = false;
    addTeams(w.window.competition(), 3, QString(3000, 'W') + "%1");
    w.trigger(w.window, "Gramoty");
    QCOMPARE(w.offered, (QList<int>{1, 1, 1}));
    QCOMPARE(w.previews, 0);
    w.confirm = true;
    w.trigger(w.window, "Gramoty");
    QCOMPARE(w.previews, 1);
    QCOMPARE(w.document().pageCount(), 0);
    auto* empty = w.child<QLabel>("emptyText");
    QVERIFY(empty->isVisibleTo(&w.printing.preview()));
    QCOMPARE(empty->text(),
             QStringLiteral("Die Tabelle passt nicht auf die Seite – bitte Querformat wählen"));
    QVERIFY(!w.printing.preview().pageView()->isVisibleTo(&w.printing.preview()));
}

// "Quer" turns the printer and lays the same table out again, numbered from 1.
void TestPrinting::formatRendersAgain()
{
    PrintingWindow w;
    addTeams(w.window.competition(), 120);
    w.trigger(w.window, "Gramoty");
    const int portrait = w.document().pageCount();
    QVERIFY(portrait >= 2 && pagedInOrder(w.document(), 120));
    w.child<QComboBox>("orientation")->setCurrentIndex(1);
    QCOMPARE(w.printing.printer().pageLayout().orientation(), QPageLayout::Landscape);
    QVERIFY(w.document().pageCount() > portrait && pagedInOrder(w.document(), 120));
    QCOMPARE(w.child("page")->maximum(), w.document().pageCount());
}

void TestPrinting::certificatePageBox_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("pages");
    QTest::newRow("3 to 3") << 3 << 1;
    QTest::newRow("all 12") << 0 << 12;
}

void TestPrinting::certificatePageBox()
{
    QFETCH(int, from);
    QFETCH(int, pages);
    PrintingWindow w;
    w.range = {from, from};
    auto* button = w.window.findChild<QToolButton*>("certificatesButton");
    QVERIFY(!button->isEnabled());
    w.window.pages()->setCurrentIndex(roundIndex(CompetitionRound::GesamtErgebnis));
    QVERIFY(button->isEnabled());
    ResultGrid& overall = w.window.competition().grid(CompetitionRound::GesamtErgebnis);
    overall.setRowCount(13);
    for (int r = 1; r <= 12; ++r)
        overall.setRowCells(r, {QString::number(r), QStringLiteral("FF %1").arg(r)});
    button->click();
    QCOMPARE(w.offered, (QList<int>{12, 1, 12}));
    QCOMPARE(w.document().pageCount(), pages);
    QCOMPARE(w.child("page")->isEnabled(), pages > 1);
    QCOMPARE(w.child("page")->maximum(), pages);
    w.child("page")->setValue(pages);
    QCOMPARE(w.printing.preview().pageView()->page(), pages - 1);
}

// The print button sets the printer up for the printouts that follow.
void TestPrinting::printerSetupThenPrintAndSave()
{
    PrintingWindow w;
    addTeams(w.window.competition(), 3);
    w.window.findChild<QToolButton*>("printButton")->click();
    w.trigger(w.window, "Gramoty");
    QVERIFY(w.document().pageSize().width() > w.document().pageSize().height());
    w.trigger(w.printing.preview(), "Drucken");
    w.pdfPath = w.fixture.folder.filePath("Protokoll.pdf");
    w.trigger(w.printing.preview(), "Als PDF speichern…");
    for (const char* name : {"gedruckt.pdf", "Protokoll.pdf"}) {
        QFile file(w.fixture.folder.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly) && file.read(4) == "%PDF", name);
        QCOMPARE(file.readAll().count("/Type /Page\n"), 1);
    }
    w.pdfPath = w.fixture.folder.filePath("fehlt/Protokoll.pdf");
    w.trigger(w.printing.preview(), "Als PDF speichern…");
    QCOMPARE(w.warnings.size(), 1);
    QVERIFY(w.warnings[0].startsWith("Der Schreibfehler der Datei: "));
}

QTEST_MAIN(TestPrinting)
#include "tst_app_printing.moc"
