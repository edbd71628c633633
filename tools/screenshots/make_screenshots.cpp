// Renders what a reviewer looks at into PNG files: the main window at 1030 x 588 on each of the
// six pages of a filled 20-team competition, the two bracket pictures and a lane panel showing
// 012,34, the settings dialog with a certificate template and the live results switched on and the
// bracket pictures opened from it, the window with its title (the protocol's file name) and with
// the question before a round is built anew, the TV display at 1920 x 1080 and 1280 x 720 with two
// and three lanes during a heat, the first page of the Vorrunde's printout, two certificates and
// the print preview, the Vorrunde's web page as headless Chromium shows it (as Qt's rich text lays
// it out where Chromium is missing), the live results page in headless Chromium at phone size
// (390 x 844) and desktop size (1280 x 800) during a heat; with the manual's start page as third
// argument the help window on it and on the settings chapter.
// Run by `cmake --build <build> --target screenshots`, which writes to
// <build>/screenshots/; it exits non-zero when a picture cannot be made.
#include "app/BracketSchemeDialog.h"
#include "app/ConfirmDialog.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/PrintCommands.h"
#include "app/SettingsDialog.h"
#include "app/TvLayout.h"
#include "app/TvWindow.h"
#include "app/widgets/LanePanel.h"
#include "competition/Competition.h"
#include "exports/ProtocolExports.h"
#include "live/LiveServer.h"
#include "printing/CertificatePrintout.h"
#include "printing/PrintDocument.h"
#include "printing/ProtocolPrintout.h"
#include "session/SessionFixture.h"
#include "settings/CertificateLayout.h"
#include "timing/LaneDisplay.h"
#include "timing/RaceClock.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <vector>

using namespace brv;

namespace {

bool save(const QImage& image, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A pre-printed certificate paper to lay the lines out on.
QImage certificatePaper()
{
    QImage paper(420, 594, QImage::Format_RGB32);
    paper.fill(QColor(250, 244, 226));
    QPainter p(&paper);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 20, 20), 8));
    p.drawRect(24, 24, 372, 546);
    p.setPen(QPen(QColor(180, 140, 40), 2));
    p.drawRect(38, 38, 344, 518);
    QFont heading(QStringLiteral("Serif"));
    heading.setPixelSize(44);
    heading.setBold(true);
    p.setFont(heading);
    p.setPen(QColor(150, 20, 20));
    p.drawText(QRect(0, 60, 420, 60), Qt::AlignCenter, QStringLiteral("URKUNDE"));
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(210, 500), 36, 36);
    return paper;
}

// A banner for the TV display: the organiser's title on a red band.
QImage tvBanner()
{
    QImage banner(1600, 180, QImage::Format_RGB32);
    QPainter p(&banner);
    QLinearGradient band(0, 0, 0, 180);
    band.setColorAt(0, QColor(200, 20, 20));
    band.setColorAt(1, QColor(110, 0, 0));
    p.fillRect(banner.rect(), band);
    p.setPen(Qt::white);
    QFont title(QStringLiteral("Sans"));
    title.setPixelSize(72);
    title.setBold(true);
    p.setFont(title);
    p.drawText(banner.rect(), Qt::AlignCenter, QStringLiteral("Pokal der Feuerwehren 2026"));
    return banner;
}

// The TV display during a heat: lane 2 stopped, the other lanes running, at both sizes.
bool tvPictures(MainWindow& window, test::SessionFixture& fixture, const QDir& folder, int lanes)
{
    RaceClock& clock = window.clock();
    // the filled Vorrunde has every run: the teams are put on the lanes by hand
    for (int lane = 1; lane <= lanes; ++lane)
        window.competition().lanes().select(lane, lane - 1);
    clock.command(ClockCommand::Start).trigger();
    fixture.ticks.advance(23456);
    clock.stopCommand(2).trigger();
    fixture.ticks.advance(1517);
    clock.onDisplayTick();
    bool ok = true;
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 720)}) {
        TvWindow* tv = window.tvWindow();
        tv->setScreens(std::make_unique<FixedScreens>(QList<QRect>{QRect(QPoint(0, 0), size)}, 0));
        tv->show();
        ok &= QTest::qWaitForWindowExposed(tv);
        QTest::qWait(50);
        ok &= save(tv->grab().toImage(), folder,
                   QStringLiteral("tv-%1x%2-%3-bahnen.png").arg(size.width()).arg(size.height()).arg(lanes));
    }
    for (int lane = 1; lane <= 3; ++lane)
        clock.stopCommand(lane).trigger();
    clock.command(ClockCommand::Reset).trigger();
    return ok;
}

// The web page `html` as a browser `width` pixels wide shows it, into `png`: Chromium without a
// window when it is installed, else Qt's rich text, which knows no style sheet of the page's kind.
// `scroll` moves the table's box that many pixels sideways first.
bool webPagePicture(const QString& html, int width, int scroll, const QDir& folder, const QString& png)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) {
        QFile file(html);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QTextDocument page;
        page.setHtml(QString::fromLatin1(file.readAll()));
        page.setTextWidth(width);
        QImage image(QSize(width, int(page.size().height())), QImage::Format_RGB32);
        image.fill(QColor(0xF4, 0xF4, 0xF4));
        QPainter painter(&image);
        page.drawContents(&painter);
        painter.end();
        return save(image, folder, png);
    }
    QString shown = html;
    QTemporaryDir copy;
    if (scroll > 0) {
        // a copy of the page that scrolls its table's box once it is laid out
        QFile file(html);
        shown = copy.filePath(QStringLiteral("gescrollt.html"));
        QFile scrolled(shown);
        if (!file.open(QIODevice::ReadOnly) || !scrolled.open(QIODevice::WriteOnly))
            return false;
        scrolled.write(file.readAll().replace(
            "</body>",
            QStringLiteral("<script>document.querySelector('.tabelle').scrollLeft = %1;</script></body>")
                .arg(scroll)
                .toLatin1()));
    }
    QTemporaryDir profile;
    QProcess browser;
    browser.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    browser.start(chromium, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                             QStringLiteral("--disable-gpu"), QStringLiteral("--hide-scrollbars"),
                             QStringLiteral("--user-data-dir=") + profile.path(),
                             QStringLiteral("--window-size=%1,%2").arg(width).arg(width < 600 ? 844 : 800),
                             QStringLiteral("--screenshot=") + folder.filePath(png),
                             QUrl::fromLocalFile(shown).toString()});
    if (!browser.waitForFinished(120000) || browser.exitCode() != 0 || !QFile::exists(folder.filePath(png))) {
        std::fprintf(stderr, "chromium did not make %s\n", qPrintable(png));
        return false;
    }
    std::printf("%s\n", qPrintable(folder.filePath(png)));
    return true;
}

// The Word document of the current page as LibreOffice prints it: converted to PDF by soffice,
// its first page rendered by pdftoppm into `png`. Left out when either is missing.
bool wordDocumentPicture(MainWindow& window, const QDir& folder, const QString& name)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (soffice.isEmpty() || pdftoppm.isEmpty()) {
        std::printf("no soffice or pdftoppm: %s.png is left out\n", qPrintable(name));
        return true;
    }
    const QString document = folder.filePath(name + QStringLiteral(".docx"));
    QString error;
    if (!window.session().exports().writeDocument(document, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    QTemporaryDir profile;
    QProcess office;
    office.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    office.start(soffice,
                 {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                  QStringLiteral("--outdir"), folder.path(), document});
    const QString pdf = folder.filePath(name + QStringLiteral(".pdf"));
    if (!office.waitForFinished(180000) || !QFile::exists(pdf)) {
        std::fprintf(stderr, "soffice did not make %s\n", qPrintable(pdf));
        return false;
    }
    QProcess render;
    render.start(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("100"),
                            QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                            QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, folder.filePath(name)});
    const QString png = folder.filePath(name + QStringLiteral(".png"));
    if (!render.waitForFinished(60000) || !QFile::exists(png)) {
        std::fprintf(stderr, "pdftoppm did not make %s\n", qPrintable(png));
        return false;
    }
    std::printf("%s\n", qPrintable(png));
    return true;
}

// Shows the bracket scheme through a click on the settings dialog's small picture and keeps
// what it shows.
QImage bracketFromDialog(MainWindow& window, int pairing)
{
    SettingsDialog* dialog = window.settingsDialog();
    dialog->findChild<QComboBox*>(QStringLiteral("pairing"))->setCurrentIndex(pairing);
    QImage shot;
    QTimer::singleShot(100, [&] {
        BracketSchemeDialog* scheme = window.bracketSchemeDialog();
        shot = scheme->grab().toImage();
        scheme->accept();
    });
    QTest::mouseClick(dialog->findChild<QWidget*>(QStringLiteral("bracketPicture")), Qt::LeftButton);
    return shot;
}

// The window with its title bar as a window manager draws it: the offscreen platform has none.
QImage withTitle(QWidget& window, const QImage& content)
{
    QString title = window.windowTitle();
    title.replace(QLatin1String("[*]"), window.isWindowModified() ? QStringLiteral("*") : QString());
    QImage framed(content.width(), content.height() + 28, QImage::Format_RGB32);
    framed.fill(QColor(0x3C, 0x3F, 0x46));
    QPainter p(&framed);
    QFont font = p.font();
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, framed.width(), 28), Qt::AlignCenter, title);
    p.drawImage(0, 28, content);
    return framed;
}

// The question before the Achtelfinale is built anew: the Vorrunde's winner gets two slow runs and
// falls out of it. The picture shows the window with the question on it; "Nein" keeps the round.
QImage rebuildQuestion(MainWindow& window)
{
    Competition& c = window.competition();
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    std::vector<QStringList> rows; // the later pictures show the competition as it was
    for (int r = 0; r < v.rowCount(); ++r)
        rows.push_back(v.rowCells(r));
    for (int r = 1; r < v.rowCount(); ++r) {
        if (v.cell(VorrundeColumn::Place, r).trimmed() != QLatin1String("1"))
            continue;
        for (VorrundeColumn zeit : {VorrundeColumn::Lane1Zeit, VorrundeColumn::Lane2Zeit}) {
            c.selectCell(zeit, r);
            c.setEditText(QStringLiteral("999") + c.numberFormat().decimalSeparator() + QStringLiteral("99"));
            c.editEnter();
        }
        break;
    }
    QImage shot;
    QTimer timer; // ends with this function, even when no question comes
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shot = window.grab().toImage();
            QPainter p(&shot);
            p.drawImage(question->pos() - window.pos(), question->grab().toImage());
            question->reject();
        }
    });
    timer.start(300);
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Achtelfinale));
    for (int r = 0; r < int(rows.size()); ++r)
        v.setRowCells(r, rows[std::size_t(r)]);
    return shot.isNull() ? shot : withTitle(window, shot);
}

} // namespace

// The live page as a phone and a desktop browser show it: lane 1 stopped, lane 2 still running.
bool livePictures(MainWindow& window, test::SessionFixture& fixture, const QDir& folder)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) {
        std::printf("no chromium: the live page is left out\n");
        return true;
    }
    Settings live = window.session().settings();
    live.liveResultsOn = true;
    live.liveResultsPort = 0;
    window.session().applySettings(live);
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    RaceClock& clock = window.session().clock();
    if (clock.runState() != RunState::Idle)
        clock.command(ClockCommand::Clear).trigger();
    clock.command(ClockCommand::Start).trigger();
    fixture.ticks.advance(28370);
    clock.command(ClockCommand::Stop1).trigger();
    fixture.ticks.advance(1290);
    QTest::qWait(100); // the running lane's digits and the status bar's new address
    bool ok = save(window.grab().toImage(), folder, QStringLiteral("mainwindow-live.png"));
    for (const QSize size : {QSize(390, 844), QSize(1280, 800)}) {
        const QString path =
            folder.filePath(QStringLiteral("live-%1x%2.png").arg(size.width()).arg(size.height()));
        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium,
                      {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                       QStringLiteral("--disable-gpu"), QStringLiteral("--hide-scrollbars"),
                       QStringLiteral("--no-first-run"), QStringLiteral("--user-data-dir=") + profile.path(),
                       QStringLiteral("--window-size=%1,%2").arg(size.width()).arg(size.height()),
                       QStringLiteral("--virtual-time-budget=3000"), QStringLiteral("--screenshot=") + path,
                       window.session().liveServer().url()});
        // the server answers from this thread while the browser runs
        for (int waited = 0; browser.state() != QProcess::NotRunning && waited < 60000; waited += 50)
            QTest::qWait(50);
        const bool written = QFileInfo::exists(path);
        std::printf("%s\n", written ? qPrintable(path) : "the browser wrote no live page");
        ok &= written;
    }
    clock.command(ClockCommand::Clear).trigger();
    return ok;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: make_screenshots <output folder> <example workbook> [manual start page]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    bool ok = true;

    test::SessionFixture fixture;
    // the manual beside the program, so that the help button shows enabled
    if (argc > 3)
        QFile::link(QFileInfo(QString::fromLocal8Bit(argv[3])).absolutePath(),
                    fixture.folder.filePath(QStringLiteral("handbuch")));
    MainWindow window(fixture.newSession());
    window.resize(1030, 588);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !window.loadProtocol(QString::fromLocal8Bit(argv[2]), true)) {
        std::fprintf(stderr, "the example competition does not load\n");
        return 1;
    }
    QTest::qWait(50);
    ok &= save(window.grab().toImage(), folder, QStringLiteral("mainwindow-0-start.png"));
    ok &= save(withTitle(window, window.grab().toImage()), folder, QStringLiteral("mainwindow-titel.png"));

    window.competition().fillAllPages();
    for (CompetitionRound round : kAllRounds) {
        if (!window.competition().isPageVisible(round))
            continue;
        window.pages()->setCurrentIndex(roundIndex(round));
        QTest::qWait(50);
        ok &=
            save(window.grab().toImage(), folder,
                 QStringLiteral("mainwindow-%1-%2.png").arg(roundIndex(round) + 1).arg(roundCaption(round)));
    }

    // the filled Vorrunde as the web page [Ctrl+H] writes it, on a phone (also with its table
    // moved sideways: the names stay) and on a desktop; the Word documents of the Vorrunde and the
    // overall table as LibreOffice prints them. A long name shows how they cope with it.
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    ResultGrid& vorrunde = window.competition().grid(CompetitionRound::Vorrunde);
    const QString usualName = vorrunde.cell(VorrundeColumn::Mannschaft, 3);
    vorrunde.setCell(
        VorrundeColumn::Mannschaft, 3,
        QStringLiteral("Freiwillige Feuerwehr Moosburg am Bach, Löschgruppe Obermoosburg-Niederfeld, "
                       "Jugendwehr II"));
    const QString webPage = folder.filePath(QStringLiteral("webseite-vorrunde.html"));
    QString error;
    ok &= window.session().exports().writeWebPage(webPage, &error) &&
          webPagePicture(webPage, 390, 0, folder, QStringLiteral("webseite-vorrunde-390.png")) &&
          webPagePicture(webPage, 390, 200, folder, QStringLiteral("webseite-vorrunde-390-gescrollt.png")) &&
          webPagePicture(webPage, 1280, 0, folder, QStringLiteral("webseite-vorrunde-1280.png"));
    ok &= wordDocumentPicture(window, folder, QStringLiteral("word-vorrunde"));
    PrintDocument longName;
    renderProtocol(longName,
                   protocolPrintoutContent(window.competition(), CompetitionRound::Vorrunde,
                                           window.session().settings().competitionTitle,
                                           QStringLiteral("Beispiel-Wettkampf"), QStringLiteral("13.06.26")));
    ok &= save(longName.pageImage(0, 4), folder, QStringLiteral("printout-langer-name.png"));
    vorrunde.setCell(VorrundeColumn::Mannschaft, 3, usualName);
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::GesamtErgebnis));
    ok &= wordDocumentPicture(window, folder, QStringLiteral("word-gesamt-ergebnis"));
    PrintDocument overall;
    renderProtocol(overall,
                   protocolPrintoutContent(window.competition(), CompetitionRound::GesamtErgebnis,
                                           window.session().settings().competitionTitle,
                                           QStringLiteral("Beispiel-Wettkampf"), QStringLiteral("13.06.26")));
    ok &= save(overall.pageImage(0, 4), folder, QStringLiteral("printout-gesamt-ergebnis.png"));
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    ok &= save(rebuildQuestion(window), folder, QStringLiteral("mainwindow-frage-neu-aufbauen.png"));

    ok &= save(BracketSchemeDialog::bracketPicture(0), folder, QStringLiteral("bracket-nach-platz.png"));
    ok &= save(BracketSchemeDialog::bracketPicture(1), folder, QStringLiteral("bracket-win-win.png"));

    // the settings dialog: two adapters, three inputs wired, the certificate on its paper, the
    // live results switched on
    fixture.usablePorts = 0b101;
    const QString paperPath = folder.filePath(QStringLiteral("urkunde-vorlage.png"));
    ok &= save(certificatePaper(), folder, QStringLiteral("urkunde-vorlage.png"));
    Settings settings = window.session().settings();
    settings.certificateTemplate = paperPath;
    settings.inputPort[1] = 1;
    settings.inputLine[1] = 1;
    settings.inputPort[2] = 3;
    settings.inputLine[2] = 2;
    settings.inputPort[3] = 3;
    settings.inputLine[3] = 3;
    settings.classColumnShown = true;
    settings.liveResultsOn = true;
    settings.certificateLayout.fillDefaultLines();
    SettingsDialog* dialog = window.settingsDialog();
    dialog->load(settings, window.session().portChoices(), {QSize(1920, 1080), QSize(1280, 720)},
                 certificate_text::samples(window.competition(), settings.competitionTitle,
                                           QDate(2026, 6, 13), QLocale(QLocale::German, QLocale::Germany)));
    // as a timing laptop with the package shows them (the test ports have no driver to ask)
    dialog->setPortState(
        QStringLiteral("COM1: Priorität Echtzeit\nCOM3: Priorität Echtzeit, Latenz-Timer 1 ms"));
    dialog->show();
    ok &= QTest::qWaitForWindowExposed(dialog);
    dialog->findChild<QComboBox*>(QStringLiteral("certificateLine"))->setCurrentIndex(4);
    QTest::qWait(50);
    ok &= save(dialog->grab().toImage(), folder, QStringLiteral("settings-dialog.png"));
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>()) {
        if (group->title() == QLatin1String(" Urkunde "))
            ok &= save(group->grab().toImage(), folder, QStringLiteral("settings-certificate.png"));
    }
    ok &= save(bracketFromDialog(window, 0), folder, QStringLiteral("settings-bracket-nach-platz.png"));
    ok &= save(bracketFromDialog(window, 1), folder, QStringLiteral("settings-bracket-win-win.png"));
    dialog->hide();

    // the printouts: the Vorrunde's first page, two certificates and the preview showing them
    PrintDocument protocol;
    renderProtocol(protocol,
                   protocolPrintoutContent(window.competition(), CompetitionRound::Vorrunde,
                                           window.session().settings().competitionTitle,
                                           QStringLiteral("Beispiel-Wettkampf"), QStringLiteral("13.06.26")));
    for (int page = 0; page < std::min(2, protocol.pageCount()); ++page)
        ok &= save(protocol.pageImage(page, 4), folder,
                   QStringLiteral("printout-protocol-%1.png").arg(page + 1));
    // a certificate laid out as a club would: centred lines in several sizes, a free line
    CertificateLayout layout = settings.certificateLayout;
    struct Placed
    {
        int slot, left, top, alignment, size, style;
        quint32 colour;
    };
    for (const Placed& p :
         {Placed{0, 105, 60, 1, 28, 1, 0x00202020u}, Placed{8, 105, 95, 1, 16, 2, 0x00202020u},
          Placed{4, 105, 110, 1, 36, 1, 0x00101090u}, Placed{2, 105, 128, 1, 16, 0, 0x00202020u},
          Placed{6, 105, 150, 1, 40, 1, 0x00101090u}, Placed{5, 105, 172, 1, 18, 2, 0x00202020u},
          Placed{3, 180, 265, 2, 11, 0, 0x00202020u}, Placed{7, 30, 265, 0, 11, 0, 0x00202020u}}) {
        CertificateLine line = layout.line(p.slot);
        line.on = 1;
        line.left = p.left;
        line.top = p.top;
        line.alignment = quint8(p.alignment);
        line.fontSize = p.size;
        line.fontStyle = quint8(p.style);
        line.fontColour = p.colour;
        if (p.slot == 8)
            line.text = QStringLiteral("für die Mannschaft");
        layout.setLine(p.slot, line);
    }
    layout.setLine(1, {});
    PrintDocument certificates;
    renderCertificates(certificates, layout, window.competition(), 1, 2,
                       {QStringLiteral("Pokal der Feuerwehren – Kreisentscheid Süd 2026"), QDate(2026, 6, 13),
                        QLocale(QLocale::German, QLocale::Germany)});
    for (int page = 0; page < certificates.pageCount(); ++page)
        ok &= save(certificates.pageImage(page, 4), folder,
                   QStringLiteral("printout-certificate-%1.png").arg(page + 1));
    PrintCommands& printing = window.printCommands();
    printing.printer().setOutputFormat(QPrinter::PdfFormat);
    printing.printer().setPageLayout(PrintDocument::defaultLayout());
    printing.dialogs().print = [](QPrinter&, int, int&, int&) { return true; };
    printing.dialogs().showPreview = [&](QDialog& preview) {
        preview.resize(620, 760);
        preview.show();
        ok &= QTest::qWaitForWindowExposed(&preview);
        QTest::qWait(50);
        ok &= save(preview.grab().toImage(), folder, QStringLiteral("print-preview.png"));
        preview.hide();
    };
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    printing.printProtocol();

    LanePanel panel(1);
    panel.resize(340, 160);
    panel.showDigits(laneDigitsFor(12340, true));
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        ok = false;
    ok &= save(panel.grab().toImage(), folder, QStringLiteral("lane-panel-012,34.png"));

    // the TV display on the Vorrunde of the filled competition: its best result is there. The
    // teams on the lanes have run already; the questions before their times are replaced (and
    // before lane 3 with runs goes off) are answered "Ja".
    struct Yes final : YesNoQuestion
    {
        bool ask(const QString&) override { return true; }
    } yes;
    window.competition().setYesNoQuestion(&yes);
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    Settings tv = window.session().settings();
    tv.tvTitleImage = folder.filePath(QStringLiteral("tv-banner.png"));
    ok &= save(tvBanner(), folder, QStringLiteral("tv-banner.png"));
    for (int lanes : {3, 2}) {
        tv.thirdLaneOn = lanes == 3;
        window.session().applySettings(tv);
        ok &= tvPictures(window, fixture, folder, lanes);
    }
    ok &= livePictures(window, fixture, folder);
    window.competition().setYesNoQuestion(window.confirmDialog());

    if (argc > 3) {
        HelpWindow help(QString::fromLocal8Bit(argv[3]));
        help.resize(820, 760);
        for (const auto& [page, name] : {std::pair{manual_page::kStart, "help-window.png"},
                                         std::pair{manual_page::kSettings, "help-einstellungen.png"}}) {
            help.showPage(page);
            help.show();
            ok &= QTest::qWaitForWindowExposed(&help);
            QTest::qWait(50);
            ok &= !help.browser()->toPlainText().isEmpty();
            ok &= save(help.grab().toImage(), folder, QString::fromLatin1(name));
        }
    }
    return ok ? 0 : 1;
}
