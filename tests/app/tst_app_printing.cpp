#include "app/MainWindow.h"
#include "app/PrintCommands.h"
#include "printing/CertificatePrintout.h"
#include "printing/ProtocolPrintout.h"
#include "session/SessionFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QRegularExpression>
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
        if (!number)
            return false;
        for (const PageItem& item : d.page(p))
            team +=
                item.text == QStringLiteral("FF Dorf %1").arg(team) && item.box.bottom() <= number->box.top();
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
// (with `range` when given), the printer setup turns the paper, the preview is only rendered.
// The printer writes a PDF.
struct PrintingWindow
{
    test::SessionFixture fixture;
    MainWindow window{fixture.newSession()};
    PrintCommands& printing = window.printCommands();
    bool confirm = true;
    std::pair<int, int> range;
    QList<int> offered; // the last page, "from" and "to" the print dialog was given
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
                              [this](const QString&) { return pdfPath; }, [](QDialog&) {},
                              [this](const QString& message) { warnings << message; }};
        printing.printer().setOutputFileName(fixture.folder.filePath("gedruckt.pdf"));
    }
    const PrintDocument& document() { return printing.preview().document(); }
    void trigger(QWidget& parent, const QString& caption)
    {
        for (QAction* action : parent.findChildren<QAction*>())
            if (action->text() == caption)
                action->trigger();
    }
};

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("QPainter"))); }
    void fewRows_data();
    void fewRows();
    void pageSizes_data();
    void pageSizes();
    void longName();
    void certificates_data();
    void certificates();
    void certificateLineFits_data();
    void certificateLineFits();
    void protocolPrintout();
    void certificatePageBox_data();
    void certificatePageBox();
    void printerSetupThenPrintAndSave();
    void webPageAndDocument_data();
    void webPageAndDocument();
};

void TestPrinting::fewRows_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("teams");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("groups");
    const QStringList lanes{"Bahn 1", "Bahn 2", "Beste"};
    QTest::newRow("Vorrunde, captions only") << 0 << 0 << "Kreisausscheid 2026" << lanes;
    QTest::newRow("Vorrunde, one team, no title") << 0 << 1 << "" << lanes;
    QTest::newRow("knockout table: no groups") << 2 << 1 << "Pokal" << QStringList{};
    QTest::newRow("overall table") << 5 << 1 << "Pokal"
                                   << QStringList{"Vorrunde",   "Achtelfinale", "Viertelfinale",
                                                  "Halbfinale", "Finale",       "Bestes"};
}

// Title and page caption centred, the date above the page rectangle in a smaller font, the
// protocol's name and the page number at its foot; the group captions framed over their columns;
// the hair line right under the last row. Exactly the columns the window shows: neither the
// hidden class column nor the third lane's.
void TestPrinting::fewRows()
{
    QFETCH(int, round);
    QFETCH(int, teams);
    QFETCH(QString, title);
    QFETCH(QStringList, groups);
    Competition c;
    c.writeCaptions();
    ResultGrid& grid = c.grid(roundAt(round));
    grid.setRowCount(teams + 1);
    const int team = isKnockoutRound(roundAt(round)) ? 2 : 1;
    for (int r = 1; r <= teams; ++r) {
        for (int col = 0; col < grid.columnCount(); ++col)
            grid.setCell(col, r, col == team ? "FF Dorf 1" : "21,05");
    }
    PrintDocument d;
    QVERIFY(renderProtocol(
                d, protocolPrintoutContent(c, roundAt(round), title, "Protokoll 13.6.", "13.06.26")) > 0 &&
            d.pageCount() == 1);
    const PageItem* name = textItem(d, 0, title);
    const PageItem* caption = textItem(d, 0, c.tables().pageCaption(roundAt(round)));
    const PageItem* date = textItem(d, 0, "13.06.26");
    const PageItem* page = textItem(d, 0, "Seite: 1");
    const PageItem* protocol = textItem(d, 0, "Protokoll 13.6.");
    QVERIFY(name && caption && date && page && protocol && !textItem(d, 0, "Tempvalorhub"));
    QCOMPARE(QPointF(name->box.center().x(), name->box.top()), QPointF((160 + kRight) / 2, 60));
    QCOMPARE(QPointF(caption->box.center().x(), caption->box.top()),
             QPointF((160 + kRight) / 2, name->box.bottom()));
    QCOMPARE(date->box.bottomRight(), QPointF(kRight, 60));
    QVERIFY(date->box.height() < 0.8 * name->box.height());
    QCOMPARE(page->box.bottomRight(), QPointF(kRight, 2910));
    QCOMPARE(protocol->box.topLeft(), QPointF(160, page->box.top()));

    std::vector<QRectF> frames; // the groups, the table, its caption row, the hair line
    for (const PageItem& item : d.page(0))
        if (item.kind == PageItem::Frame)
            frames.push_back(item.box);
    QCOMPARE(frames.size(), std::size_t(groups.size() + 3));
    for (int g = 0; g < groups.size(); ++g) {
        const PageItem* group = textItem(d, 0, groups[g]);
        QVERIFY2(group && frames[std::size_t(g)].contains(group->box.center()), qPrintable(groups[g]));
    }
    const QRectF captionRow = frames[frames.size() - 2];
    QStringList printed; // the caption row, left to right
    for (const PageItem& item : d.page(0))
        if (item.kind == PageItem::Text && captionRow.contains(item.box.center()))
            printed << item.text;
    QStringList shown;
    for (int col : shownColumns(roundAt(round), c.options()))
        shown << grid.cell(col, 0);
    QCOMPARE(printed, shown);
    QVERIFY(!printed.contains("Klasse") && printed.count("Zeit") == (round == 0 ? 2 : round == 5 ? 4 : 1));
    QCOMPARE(frames.back().top(), teams ? textItem(d, 0, "FF Dorf 1")->box.bottom() : captionRow.bottom());
    QCOMPARE(frames[frames.size() - 3].bottom(), page->box.top());
    // replayed at one pixel to the tenth of a millimetre: the hair line under the first column
    const QImage image = d.pageImage(0, 10);
    const int x = int(captionRow.left() + 20), y = int(frames.back().top());
    QVERIFY(qGray(image.pixel(x, y)) < 160 || qGray(image.pixel(x, y + 1)) < 160);
}

void TestPrinting::pageSizes_data()
{
    QTest::addColumn<QString>("team");
    QTest::addColumn<int>("room"); // from the end of "X" at the largest size to the page rectangle's
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("largest");
    QTest::newRow("room to spare") << "X" << 100 << 297 << 1 << true;
    QTest::newRow("half a millimetre over") << "X" << -5 << 297 << 1 << true;
    QTest::newRow("more than half a millimetre over") << "X" << -6 << 297 << 1 << false;
    QTest::newRow("200 characters lower the size") << QString(200, 'W') << 1600 << 297 << 1 << false;
    QTest::newRow("no room for a row: one on each page") << "X" << 100 << 40 << 2 << true;
}

// A table of one column, "X" in its caption and first row, `team` in its second, on a page
// `height` mm high. The widest text decides the size.
void TestPrinting::pageSizes()
{
    QFETCH(QString, team);
    QFETCH(int, room);
    QFETCH(int, height);
    QFETCH(int, pages);
    QFETCH(bool, largest);
    ResultGrid grid(TableId::Vorrunde, 1, 3);
    grid.setRowCells(0, {"X"});
    grid.setRowCells(1, {"X"});
    grid.setRowCells(2, {team});
    const double end = 170 + QFontMetricsF(PrintDocument::makeFont("Courier New", 63)).horizontalAdvance("X");
    const QSizeF paper((std::ceil(end) + room + 60) / 10, height);
    PrintDocument d(QPageLayout(QPageSize(paper, QPageSize::Millimeter, {}, QPageSize::ExactMatch),
                                QPageLayout::Portrait, {}));
    const int size = renderProtocol(d, {&grid, CompetitionRound::Vorrunde, {0}, {}, {}, {}, {}, {}});
    QVERIFY(size > 1 && (size == 63) == largest);
    QCOMPARE(d.pageCount(), pages);
}

// A name longer than kNameCharacters lowers the size no further than such a name would, and is
// cut with "…" at its column's end; the names that fit stay whole.
void TestPrinting::longName()
{
    Competition c;
    c.writeCaptions();
    addTeams(c, 3);
    PrintDocument plain;
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 2, QString(20, 'W'));
    const int size =
        renderProtocol(plain, protocolPrintoutContent(c, CompetitionRound::Vorrunde, {}, {}, {}));
    const QString longName = "Freiwillige Feuerwehr Moosburg am Bach, Löschgruppe Obermoosburg-Niederfeld, "
                             "Jugendwehr II";
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 2, longName + longName);
    PrintDocument d;
    QCOMPARE(renderProtocol(d, protocolPrintoutContent(c, CompetitionRound::Vorrunde, {}, {}, {})), size);
    QVERIFY(textItem(d, 0, "FF Dorf 1") && textItem(d, 0, "FF Dorf 3"));
    const PageItem* cut = nullptr;
    for (const PageItem& item : d.page(0))
        cut = item.text.startsWith("Freiwillige") ? &item : cut;
    QVERIFY(cut && cut->text.endsWith(QChar(0x2026)) &&
            cut->text.size() >= protocol_printout::kNameCharacters);
    // the column's end: the line before the first time column
    double line = kRight;
    for (const PageItem& item : d.page(0))
        if (item.kind == PageItem::Line && item.box.left() > cut->box.left())
            line = std::min(line, item.box.left());
    QVERIFY(cut->box.right() <= line && textItem(d, 0, "21,05")->box.left() > line);
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
    ResultGrid& overall = c.grid(CompetitionRound::GesamtErgebnis);
    c.grid(CompetitionRound::Vorrunde).setRowCount(4);
    overall.setRowCount(4);
    for (int r = 1; r <= 3; ++r)
        c.grid(CompetitionRound::Vorrunde)
            .setRowCells(r, {QString::number(r + 6), QStringList{"FF Au", "FF Berg", "FF Au"}[r - 1]});
    // an overall table as a file may hold it (no rounds behind it)
    for (int r = 1; r <= 3; ++r) {
        overall.setRowCells(r, {QString::number(r), QStringList{"FF Au", "FF Dorf", "FF Berg"}[r - 1]});
        overall.setCell(OverallColumn::BestResult, r, QStringList{"31,20", "", "33,00"}[r - 1]);
    }
    CertificateLayout layout;
    const std::vector<std::array<int, 5>> placed{
        {3, 105, 40, 1, CertificateLine::Bold | CertificateLine::Underline},
        {5, 30, 100, 0, CertificateLine::Italic | CertificateLine::StrikeOut},
        {6, 180, 150, 2, 0}};
    for (const auto& [slot, left, top, alignment, style] : placed) {
        CertificateLine line = CertificateLayout::defaultLine(slot);
        std::tie(line.left, line.top, line.alignment, line.fontSize, line.fontStyle) =
            std::tuple(left, top, quint8(alignment), 20, quint8(style));
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
        QCOMPARE((QList<QRgb>{items[0].colour, items[1].colour}),
                 (QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 0)}));
        QCOMPARE(d.font(items[1].font).pixelSize(), 68); // 20 points: size 51
        for (int k = 0; k < 3; ++k) {
            const QFont& f = d.font(items[std::size_t(k)].font);
            QCOMPARE(f.bold() | f.italic() << 1 | f.underline() << 2 | f.strikeOut() << 3,
                     placed[std::size_t(k)][4]);
        }
    }
}

void TestPrinting::certificateLineFits_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("smaller");
    const QString title = "Pokal der Feuerwehren – Kreisentscheid Süd 2026";
    QTest::newRow("left-aligned from 150 mm") << 0 << 150 << title << true;
    QTest::newRow("centred on 105 mm") << 1 << 105 << title << true;
    QTest::newRow("centred near the edge") << 1 << 180 << "Kreisentscheid" << true;
    QTest::newRow("right-aligned at 20 mm") << 2 << 20 << title << true;
    QTest::newRow("a short title keeps its size") << 1 << 105 << "Pokal" << false;
}

// A title line of 40 points stays on the paper: a smaller font where it would leave it.
void TestPrinting::certificateLineFits()
{
    QFETCH(int, alignment);
    QFETCH(int, left);
    QFETCH(QString, title);
    QFETCH(bool, smaller);
    Competition c;
    c.grid(CompetitionRound::GesamtErgebnis).setRowCells(1, {"1", "FF Au"});
    CertificateLayout layout;
    CertificateLine line = CertificateLayout::defaultLine(0);
    std::tie(line.left, line.alignment, line.fontSize) = std::tuple(left, quint8(alignment), 40);
    layout.setLine(0, line);
    PrintDocument d;
    renderCertificates(d, layout, c, 1, 1, {title, {}, {}});
    const PageItem& item = d.page(0).at(0);
    QCOMPARE(item.text, title);
    QVERIFY(item.box.left() >= 50 && item.box.right() <= d.pageSize().width() - 50 + 0.01);
    QCOMPARE(d.font(item.font).pixelSize() < 135, smaller); // 40 points: size 102
}

// Cancelled, nothing is shown. "Quer" turns the printer and lays the same table out again,
// numbered from 1; a table too wide for the page gives the preview's message.
void TestPrinting::protocolPrintout()
{
    PrintingWindow w;
    addTeams(w.window.competition(), 120);
    w.confirm = false;
    w.trigger(w.window, "Gramoty");
    QCOMPARE(w.document().pageCount(), 0);
    w.confirm = true;
    w.trigger(w.window, "Gramoty");
    const int portrait = w.document().pageCount();
    QVERIFY(portrait >= 2 && pagedInOrder(w.document(), 120));
    PrintPreviewDialog& preview = w.printing.preview();
    auto* empty = preview.findChild<QLabel*>("emptyText");
    preview.findChild<QComboBox*>("orientation")->setCurrentIndex(1);
    QVERIFY(w.printing.printer().pageLayout().orientation() == QPageLayout::Landscape &&
            w.document().pageCount() > portrait && pagedInOrder(w.document(), 120));
    w.window.competition()
        .grid(CompetitionRound::Vorrunde)
        .setCell(VorrundeColumn::RankingValue, 1, QString(3000, '9'));
    w.trigger(w.window, "Gramoty");
    QCOMPARE(w.document().pageCount(), 0);
    QVERIFY(empty->isVisibleTo(&preview) && !preview.pageView()->isVisibleTo(&preview));
    QCOMPARE(empty->text(),
             QStringLiteral("Die Tabelle passt nicht auf die Seite – bitte Querformat wählen"));
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
    w.window.pages()->setCurrentIndex(roundIndex(CompetitionRound::GesamtErgebnis));
    // the certificates button is enabled on the overall page only
    QVERIFY(w.window.findChild<QToolButton*>("certificatesButton")->isEnabled());
    ResultGrid& overall = w.window.competition().grid(CompetitionRound::GesamtErgebnis);
    overall.setRowCount(13);
    for (int r = 1; r <= 12; ++r)
        overall.setRowCells(r, {QString::number(r), QStringLiteral("FF %1").arg(r)});
    w.window.findChild<QToolButton*>("certificatesButton")->click();
    QCOMPARE(w.offered, (QList<int>{12, 1, 12}));
    QCOMPARE(w.document().pageCount(), pages);
    const auto* pageBox = w.printing.preview().findChild<QSpinBox*>("page");
    QVERIFY(pageBox->isEnabled() == (pages > 1) && pageBox->maximum() == pages);
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
        const QByteArray pdf = file.readAll(); // one page, in the fonts asked for
        QVERIFY(pdf.count("/Type /Page\n") == 1 && pdf.contains("LiberationMono") &&
                pdf.contains("LiberationSerif-Bold"));
    }
    w.pdfPath = w.fixture.folder.filePath("fehlt/Protokoll.pdf");
    w.trigger(w.printing.preview(), "Als PDF speichern…");
    QVERIFY(w.warnings.size() == 1 && w.warnings[0].startsWith("Der Schreibfehler der Datei: "));
}

// The web page beside the program, opened or printed, and the save dialog's document and page; a
// folder where the file should go makes the write fail: then nothing is opened or printed, and
// the operator reads why.
void TestPrinting::webPageAndDocument_data()
{
    QTest::addColumn<QString>("command"); // a command's caption, or the save dialog's filter
    QTest::addColumn<QString>("blocker"); // a folder made where a file should be
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("outcome"); // "opened", "printed", "written" or ""
    const auto row = [](const char* name, const char* command, const char* blocker, bool confirm,
                        const char* file, const char* outcome) {
        QTest::newRow(name) << QString(command) << QString(blocker) << confirm << QString(file)
                            << QString(outcome);
    };
    row("Ctrl+H opens the page", "Html", "", true, "Vorrunde.html", "opened");
    row("the HTML button opens it", "webPageButton", "", true, "Vorrunde.html", "opened");
    row("Ctrl+H, not written", "Html", "Vorrunde.html", true, "Vorrunde.html", "");
    row("Ctrl+P prints the page", "Protokol", "", true, "Vorrunde.html", "printed");
    row("Ctrl+P, print dialog cancelled", "Protokol", "", false, "Vorrunde.html", "");
    row("Ctrl+P, not written", "Protokol", "Vorrunde.html", true, "Vorrunde.html", "");
    row("saved as document", "MS Word (*.docx)", "", true, "Protokoll.docx", "written");
    row("document not written", "MS Word (*.docx)", "Protokoll.docx", true, "Protokoll.docx", "");
    row("document, template unreadable", "MS Word (*.docx)", "Protokollvorlage.docx", true, "Protokoll.docx",
        "");
    row("saved as web page", "Webseite (*.html)", "", true, "Protokoll.html", "written");
}

void TestPrinting::webPageAndDocument()
{
    QFETCH(QString, command);
    QFETCH(QString, blocker);
    QFETCH(bool, confirm);
    QFETCH(QString, file);
    QFETCH(QString, outcome);
    PrintingWindow w;
    addTeams(w.window.competition(), 3);
    const QDir folder(w.fixture.folder.path());
    const QString path = folder.filePath(file);
    const bool blocked = !blocker.isEmpty();
    if (blocked)
        QVERIFY(folder.mkdir(blocker));
    w.confirm = confirm;
    w.window.showWarning = [&w](const QString& message) { w.warnings << message; };
    QStringList offered;
    w.window.chooseSaveFile = [&](const QString&, const QStringList& filters, QString* selected) {
        offered = filters;
        *selected = command;
        return folder.filePath(QStringLiteral("Protokoll")); // the suffix comes from the filter
    };
    if (auto* button = w.window.findChild<QToolButton*>(command))
        button->click();
    else
        w.trigger(w.window, command.contains('*') ? QStringLiteral("Save") : command);

    QCOMPARE(w.fixture.opener.opened, outcome == "opened" ? QStringList{path} : QStringList{});
    QCOMPARE(QFile::exists(folder.filePath("gedruckt.pdf")), outcome == "printed");
    QCOMPARE(w.offered.isEmpty(), command != "Protokol" || blocked);
    QCOMPARE(w.warnings.size(), int(blocked));
    if (blocked) // the path, then the reason on a line of its own
        QVERIFY(w.warnings[0].startsWith("Der Schreibfehler der Datei: " + path + '\n'));
    if (command.contains('*'))
        QCOMPARE(offered, QStringList({"MS Excel (*.xlsx)", "MS Word (*.docx)", "Webseite (*.html)",
                                       "Textdatei (*.txt)"}));
    QFile written(path);
    QCOMPARE(written.open(QIODevice::ReadOnly), !blocked);
    if (!blocked)
        QCOMPARE(written.read(4), QByteArray(file.endsWith("docx") ? "PK\x03\x04" : "<!DO"));
}

QTEST_MAIN(TestPrinting)
#include "tst_app_printing.moc"
