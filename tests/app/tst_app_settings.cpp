#include "app/LiveAddressPanel.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "app/widgets/LanePanel.h"
#include "competition/Competition.h"
#include "session/SessionFixture.h"
#include "settings/SettingsStore.h"
#include "timing/ContactInputs.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace brv;

namespace {

template <typename T> T* control(QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QLatin1StringView(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

QComboBox* port(QWidget* dialog, int input)
{
    return dialog->findChild<QComboBox*>(QStringLiteral("port%1").arg(input));
}

// Opens the settings with F2, lets `edit` change the dialog, then confirms or cancels it.
void inSettings(MainWindow& window, const std::function<void(SettingsDialog*)>& edit, bool confirm = true)
{
    // the offscreen platform leaves a closed dialog the active window
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bool ran = false;
    QTimer::singleShot(0, &window, [&] {
        SettingsDialog* dialog = window.settingsDialog();
        ran = dialog->isVisible();
        edit(dialog);
        QTest::mouseClick(control<QPushButton>(dialog, confirm ? "okButton" : "cancelButton"),
                          Qt::LeftButton);
    });
    QTest::keyClick(&window, Qt::Key_F2);
    QVERIFY(ran);
}

void addTeams(Competition& c, int teams)
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
    }
    c.enterRound(CompetitionRound::Vorrunde);
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void portListsAndTheirRules();
    void certificateEditors();
    void cancelKeepsEverything();
    void portsWhenConfirmed_data();
    void portsWhenConfirmed();
    void optionsTakeEffectAtOnce();
    void confirmedSettingsAreStoredAtOnce();
    void notWhileAHeatRuns();
    void liveResultsFromTheDialog();
};

void TestSettingsDialog::portListsAndTheirRules()
{
    test::SessionFixture fixture;
    fixture.usablePorts = 0b101; // COM1 and COM3
    MainWindow window(fixture.newSession());
    inSettings(window, [](SettingsDialog* d) {
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(port(d, n)->count(), 9);
        QCOMPARE(port(d, 1)->itemText(4) + '|' + port(d, 1)->itemText(5),
                 QStringLiteral("COM1 /7,9|COM3 /4,6"));
        QVERIFY(port(d, 1)->isEnabled() && !port(d, 5)->isEnabled() && !port(d, 6)->isEnabled());

        auto* startEvent = control<QComboBox>(d, "startEvent");
        port(d, 1)->setCurrentIndex(2);
        QVERIFY(startEvent->isEnabled());
        port(d, 1)->setCurrentIndex(0);
        QVERIFY(!startEvent->isEnabled());

        auto* commonStart = control<QCheckBox>(d, "commonStart");
        commonStart->click();
        QVERIFY(port(d, 5)->isEnabled() && port(d, 6)->isEnabled());
        port(d, 5)->setCurrentIndex(3);
        port(d, 6)->setCurrentIndex(7);
        commonStart->click();
        QCOMPARE(QPoint(port(d, 5)->currentIndex(), port(d, 6)->currentIndex()), QPoint(0, 0));

        // one screen: nothing to choose
        QCOMPARE(control<QComboBox>(d, "monitor")->currentText(), QStringLiteral("nicht angeschlossen"));
        QVERIFY(!control<QComboBox>(d, "monitor")->isEnabled());
        // it fits a 1024 x 600 screen with its frame
        QVERIFY(d->width() <= 1000 && d->height() <= 560);
    });

    // an adapter plugged in meanwhile appears at the next showing; without ports only "Kein"
    fixture.usablePorts = 0b1101;
    inSettings(
        window, [](SettingsDialog* d) { QCOMPARE(port(d, 2)->count(), 13); }, false);
    fixture.usablePorts = 0;
    inSettings(
        window,
        [](SettingsDialog* d) {
            QCOMPARE(port(d, 1)->count(), 1);
            QVERIFY(!port(d, 1)->isEnabled() && !port(d, 4)->isEnabled());
        },
        false);
}

void TestSettingsDialog::certificateEditors()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    inSettings(window, [](SettingsDialog* d) {
        auto* line = control<QComboBox>(d, "certificateLine");
        auto* text = control<QLineEdit>(d, "lineText");
        line->setCurrentIndex(6); // "Platz"
        QVERIFY(!text->isEnabled());
        line->setCurrentIndex(8);
        QCOMPARE(text->text(), QStringLiteral("1. Zeile drucken"));
        QVERIFY(text->isEnabled());
        QTRY_VERIFY(text->hasFocus());
        line->setCurrentIndex(1);
        QVERIFY(text->isEnabled() && text->text().isEmpty());
        QCOMPARE(text->placeholderText(), QStringLiteral("Name"));

        control<QComboBox>(d, "paper")->setCurrentIndex(1); // A3
        QTest::mouseClick(control<QWidget>(d, "paperPreview"), Qt::LeftButton, {}, QPoint(50, 80));
        QCOMPARE(QPoint(control<QSpinBox>(d, "lineLeft")->value(), control<QSpinBox>(d, "lineTop")->value()),
                 QPoint(100, 160));
    });
    const CertificateLine name = window.session().settings().certificateLayout.line(1);
    QCOMPARE(QPoint(name.left, name.top), QPoint(100, 160));
}

void TestSettingsDialog::cancelKeepsEverything()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    const Settings before = window.session().settings();
    inSettings(
        window,
        [](SettingsDialog* d) {
            auto* line = control<QComboBox>(d, "certificateLine");
            for (int slot : {3, 9}) {
                line->setCurrentIndex(slot);
                QTest::mouseClick(control<QWidget>(d, "paperPreview"), Qt::LeftButton, {},
                                  QPoint(20 + slot, 40));
                control<QComboBox>(d, "lineAlignment")->setCurrentIndex(2);
                control<QCheckBox>(d, "lineOn")->click();
            }
            line->setCurrentIndex(0);
            control<QLineEdit>(d, "title")->setText(QStringLiteral("anders"));
            control<QCheckBox>(d, "thirdLane")->click();
        },
        false);
    QCOMPARE(window.session().settings().certificateLayout.bytes(), before.certificateLayout.bytes());
    QVERIFY(window.session().settings() == before);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("competitionTitleLabel"))->text(),
             before.competitionTitle);
}

void TestSettingsDialog::portsWhenConfirmed_data()
{
    QTest::addColumn<QStringList>("entries"); // Start, Ziel1, Ziel2
    QTest::addColumn<int>("comPort1");
    QTest::addColumn<int>("comPort2");
    QTest::addColumn<QString>("message");
    QTest::newRow("two ports") << QStringList{"COM3 /4,6", "COM4 /7,8", "COM4 /1,4"} << 3 << 4 << QString();
    QTest::newRow("no start") << QStringList{"Kein", "COM5 /7,8", "COM6 /7,8"} << 5 << 6 << QString();
    QTest::newRow("three ports") << QStringList{"COM1 /4,6", "COM2 /7,8", "COM3 /7,8"} << 1 << 3
                                 << QStringLiteral(" Ziel1 (COM2) wird nicht überwacht");
}

void TestSettingsDialog::portsWhenConfirmed()
{
    QFETCH(QStringList, entries);
    QFETCH(int, comPort1);
    QFETCH(int, comPort2);
    QFETCH(QString, message);
    test::SessionFixture fixture;
    fixture.usablePorts = 0b111111;
    MainWindow window(fixture.newSession());
    inSettings(window, [&](SettingsDialog* d) {
        for (int n = 1; n <= 3; ++n)
            port(d, n)->setCurrentText(entries[n - 1]);
    });
    AppSession& session = window.session();
    QCOMPARE(QPoint(session.contactPort(1).port(), session.contactPort(2).port()),
             QPoint(comPort1, comPort2));
    QVERIFY(session.contactPort(1).isConnected() && session.contactPort(2).isConnected());
    QCOMPARE(session.statusMessage(), message);
    QCOMPARE(session.settings().inputLine[2], 2);
    QCOMPARE(session.settings().inputPort[1], entries[0] == QLatin1String("Kein") ? 0 : comPort1);

    // adapters unplugged: the wiring stays in the lists, and OK keeps it
    fixture.usablePorts = 0;
    inSettings(window, [&](SettingsDialog* d) { QCOMPARE(port(d, 2)->currentText(), entries[1]); });
    QCOMPARE(session.settings().inputPort[2], parsePortChoice(entries[1]).port);
}

void TestSettingsDialog::optionsTakeEffectAtOnce()
{
    test::SessionFixture fixture;
    Settings three;
    three.thirdLaneOn = true;
    QVERIFY(saveSettings(*fixture.store, three));
    MainWindow window(fixture.newSession());
    window.show();
    Competition& c = window.competition();
    addTeams(c, 20);
    QVERIFY(window.lanePanel(3)->isVisible());
    QVERIFY(c.lanes().inUse(3) && c.lanes().selector(3).index == 2);
    c.changePage(CompetitionRound::Achtelfinale);
    QCOMPARE(window.pages()->currentIndex(), 1);
    const int viertelRows = c.grid(CompetitionRound::Viertelfinale).rowCount();

    inSettings(window, [](SettingsDialog* d) {
        control<QCheckBox>(d, "thirdLane")->click();
        control<QComboBox>(d, "knockoutStart")->setCurrentIndex(1);
        control<QLineEdit>(d, "title")->clear();
        control<QLineEdit>(d, "classCaption")->setText(QStringLiteral("Wertung"));
        control<QComboBox>(d, "rankingMode")->setCurrentIndex(1);
    });
    // lane 3 off empties it; the Achtelfinale page goes, and with it to the Vorrunde, unbuilt
    QVERIFY(!c.lanes().inUse(3) && c.lanes().selector(3).index == -1);
    QVERIFY(!window.lanePanel(3)->isVisible());
    QVERIFY(!window.pages()->isTabVisible(1));
    QVERIFY(c.currentRound() == CompetitionRound::Vorrunde && window.pages()->currentIndex() == 0);
    QCOMPARE(c.grid(CompetitionRound::Viertelfinale).rowCount(), viertelRows);
    QVERIFY(window.findChild<QLabel*>(QStringLiteral("competitionTitleLabel"))->text().isEmpty());
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Klasse, 0) + '|' +
                 c.grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Klasse, 0),
             QStringLiteral("Wertung|Wertung"));
    QCOMPARE(c.options().rankingMode, RankingMode::BestTime);

    // switched on again, lane 3 is in use with the page's teams to choose from
    inSettings(window, [](SettingsDialog* d) { control<QCheckBox>(d, "thirdLane")->click(); });
    QVERIFY(c.lanes().inUse(3) && c.lanes().selector(3).count == 20);
    QVERIFY(window.lanePanel(3)->isVisible());
}

// A confirmed dialog is in the store at once: a program killed right after OK keeps it, and an
// emptied title gives the default one after the restart.
void TestSettingsDialog::confirmedSettingsAreStoredAtOnce()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    inSettings(window, [](SettingsDialog* d) {
        control<QComboBox>(d, "pairing")->setCurrentIndex(1);
        control<QCheckBox>(d, "classColumn")->click();
        control<QLineEdit>(d, "title")->clear();
    });
    const Settings stored =
        loadSettings(JsonSettingsBackend(fixture.folder.path(), QStringLiteral("Brenvolutaris")), 1);
    QCOMPARE(stored.pairing, Pairing::WinnersKeepBracket);
    QVERIFY(stored.classColumnShown);
    QCOMPARE(stored.competitionTitle, QStringLiteral("Brenvolutaris"));
}

void TestSettingsDialog::notWhileAHeatRuns()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window.competition(), 4);
    window.show();
    window.clock().command(ClockCommand::Start).trigger();
    QVERIFY(!window.findChild<QToolButton*>(QStringLiteral("settingsButton"))->isEnabled());
    bool opened = false;
    QTimer::singleShot(0, &window, [&] {
        opened = window.settingsDialog()->isVisible();
        window.settingsDialog()->reject();
    });
    QTest::keyClick(&window, Qt::Key_F2);
    QTest::qWait(10);
    QVERIFY(!opened);
    // a start contact while the dialog is open: OK waits for the heat's end
    window.clock().command(ClockCommand::Clear).trigger();
    inSettings(
        window,
        [&](SettingsDialog* d) {
            window.clock().command(ClockCommand::Start).trigger();
            QVERIFY(!control<QPushButton>(d, "okButton")->isEnabled());
        },
        false);
}

// Switched on in the dialog, the address stands in the dialog with its QR code and, after OK, in
// the status bar, whose click shows the code large; a port taken by another program is named
// there and in the message panel.
void TestSettingsDialog::liveResultsFromTheDialog()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::LocalHost));
    const int port = occupant.serverPort();
    auto* panel = qobject_cast<LiveAddressPanel*>(window.statusPanel(3));
    const QString windowSize = QStringLiteral("%1x%2      ").arg(window.width()).arg(window.height());
    QCOMPARE(panel->text(), windowSize);
    inSettings(window, [port](SettingsDialog* d) {
        QVERIFY(!control<QSpinBox>(d, "livePort")->isEnabled());
        control<QCheckBox>(d, "liveOn")->click();
        control<QSpinBox>(d, "livePort")->setValue(port);
        QVERIFY(control<QLabel>(d, "liveAddress")->text().endsWith(QStringLiteral(":%1/").arg(port)));
        QVERIFY(!control<QLabel>(d, "liveCode")->pixmap().isNull());
    });
    const QString busy = QStringLiteral("Port %1 ist schon belegt").arg(port);
    QCOMPARE(panel->text(), " Live: " + busy);
    QVERIFY(window.session().statusMessage().endsWith(busy));
    occupant.close();
    window.session().applySettings(window.session().settings());
    QCOMPARE(panel->text(), QStringLiteral(" http://127.0.0.1:%1/").arg(port));
    QTest::mouseClick(panel, Qt::LeftButton);
    QVERIFY(panel->codeWindow() && panel->codeWindow()->isVisible());
    // moved to a busy port: the old one is closed all the same
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost));
    Settings moved = window.session().settings();
    moved.liveResultsPort = other.serverPort();
    window.session().applySettings(moved);
    QCOMPARE(panel->text(), QStringLiteral(" Live: Port %1 ist schon belegt").arg(other.serverPort()));
    QTRY_VERIFY(!panel->codeWindow()); // the old address's code went with it
    // switched off: the window's size comes back
    Settings off = window.session().settings();
    off.liveResultsOn = false;
    window.session().applySettings(off);
    QCOMPARE(panel->text(), QStringLiteral("%1x%2      ").arg(window.width()).arg(window.height()));
    QCOMPARE(qrCodePicture(QStringLiteral("http://127.0.0.1:8080/"), 2).width(), (25 + 8) * 2);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_app_settings.moc"
