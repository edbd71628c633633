#include "app/ConfirmDialog.h"
#include "app/MainWindow.h"
#include "app/PrintCommands.h"
#include "app/PrintPreviewDialog.h"
#include "app/ProtocolTableModel.h"
#include "app/ProtocolTableView.h"
#include "app/QtTranslations.h"
#include "app/widgets/LanePanel.h"
#include "competition/Competition.h"
#include "session/SessionFixture.h"
#include "settings/SettingsStore.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <limits>

using namespace brv;

namespace {

void addTeams(MainWindow& window, int teams)
{
    Competition& c = window.competition();
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
    }
    c.enterRound(CompetitionRound::Vorrunde);
}

// A control of the window by its object name; the test fails on a missing one.
template <typename T> T* child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1StringView(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

bool activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithDefaults();
    void heatByKeys();
    void typedLetterIsDroppedAndEnterRecalculates_data();
    void typedLetterIsDroppedAndEnterRecalculates();
    void closingAsksOnlyWithTeams();
    void thirdLaneOnlyOnTheVorrunde();
    void buttonRowLayout_data();
    void buttonRowLayout();
    void rowChangesGoThroughTheCore_data();
    void rowChangesGoThroughTheCore();
    void settingsWrittenAtExit();
    void boundsNoScreenShows();
    void modelFollowsTheTables();
    void qtDialogsSpeakGerman();
    void keysKeepARunningHeat();
    void lanesAndPagesKeepResults();
    void tableByMouseAndKeys();
    void tableKeepsStillUnderTheMouse();
    void textsShowWhole();
    void dialogsFitTheScreen();
};

void TestMainWindow::startsWithDefaults()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    QCOMPARE(window.windowTitle(), QStringLiteral("Brenvolutaris v. 1.8[*]"));
    QCOMPARE(window.minimumSize(), QSize(960, 463));
    QCOMPARE(window.size(), QSize(1030, 588));
    QCOMPARE(window.pages()->currentIndex(), 0);
    QVERIFY(child<QPushButton>(window, "startButton")->isVisibleTo(&window));
    // no port opened: no start barrier indicator
    for (const char* hidden : {"falseStartButton", "resetButton", "startBarrierIndicator"})
        QVERIFY2(!child<QWidget>(window, hidden)->isVisibleTo(&window), hidden);
    QVERIFY(!window.lanePanel(3)->isVisibleTo(&window));
    QVERIFY(!child<QToolButton>(window, "helpButton")->isEnabled()); // no help file beside the program
}

// One heat by keys alone. Every key that does nothing says at once why and what to do; the
// next key's message takes its place, and a message does not outlive its page.
void TestMainWindow::heatByKeys()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    QVERIFY(activate(window));
    // the whole message: in the panel, or as its tool tip where the panel cuts it
    auto says = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&window, key, modifiers);
        QCoreApplication::processEvents(); // each key a step of its own, as the operator's are
        const QLabel* panel = window.statusPanel(2);
        return panel->toolTip().isEmpty() ? panel->text() : panel->toolTip();
    };
    QCOMPARE(says(Qt::Key_S, Qt::ControlModifier),
             " Die Tabelle ist leer: erst Mannschaften eintragen oder ein Protokoll laden [Strg+O]");
    addTeams(window, 4);
    ResultGrid& v = window.competition().grid(CompetitionRound::Vorrunde);
    QCOMPARE(says(Qt::Key_F10), " RESET [F10] erst nach einem Lauf");
    QCOMPARE(says(Qt::Key_F4), " Fehlstart [F4] nur während eines Laufs");
    QCOMPARE(says(Qt::Key_F6), " Bahn 1 läuft nicht: nichts zu stoppen");
    QCOMPARE(says(Qt::Key_3, Qt::ControlModifier), " Bahn 3 ist hier nicht in Betrieb");
    // teams 3 and 4 onto the lanes, by way of one team on both
    v.currentRow = 3;
    QCOMPARE(says(Qt::Key_1, Qt::ControlModifier), QString());
    QCOMPARE(says(Qt::Key_2, Qt::ControlModifier), QString());
    QCOMPARE(says(Qt::Key_F5), " Dieselbe Mannschaft auf zwei Bahnen");
    v.currentRow = 4;
    QCOMPARE(says(Qt::Key_2, Qt::ControlModifier), QString());

    QCOMPARE(says(Qt::Key_F5), QString());
    QTRY_VERIFY(child<QPushButton>(window, "falseStartButton")->hasFocus());
    QCOMPARE(says(Qt::Key_F4), QString()); // a false start, and the heat again
    QCOMPARE(window.clock().runState(), RunState::Idle);
    QCOMPARE(says(Qt::Key_F5), QString());
    // Enter on the focused "Fehlstart" button is a false start too
    QTRY_VERIFY(child<QPushButton>(window, "falseStartButton")->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window.clock().runState(), RunState::Idle);
    QTRY_VERIFY(child<QPushButton>(window, "startButton")->isVisible());
    QCOMPARE(says(Qt::Key_F5), QString());
    QCOMPARE(window.clock().runState(), RunState::Running);
    QCOMPARE(says(Qt::Key_F5), " Der Lauf läuft: erst alle Bahnen stoppen, dann RESET [F10]");
    QCOMPARE(says(Qt::Key_F10), " RESET [F10] erst nach dem Lauf; einen Fehlstart bricht [F4] ab");
    QCOMPARE(says(Qt::Key_F2), " Einstellungen [F2] erst nach dem Lauf und RESET [F10]");
    QCOMPARE(says(Qt::Key_O, Qt::ControlModifier), " Protokoll laden erst nach dem Lauf und RESET [F10]");
    QCOMPARE(says(Qt::Key_1, Qt::ControlModifier),
             " Bahn 1 läuft: die Mannschaft bleibt bis zum Ende des Laufs");
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Achtelfinale));
    QCOMPARE(window.pages()->currentIndex(), 0);
    QCOMPARE(window.statusPanel(2)->text(), QStringLiteral(" Seitenwechsel erst nach dem Lauf"));

    fixture.ticks.advance(31234);
    QCOMPARE(says(Qt::Key_F7), QString());
    QCOMPARE(window.clock().runState(), RunState::Finishing);
    QCOMPARE(says(Qt::Key_F4),
             " Fehlstart [F4] nur vor dem ersten Stopp: den Lauf zu Ende stoppen, dann RESET [F10]");
    QCOMPARE(says(Qt::Key_F10), " RESET [F10] erst, wenn alle Bahnen gestoppt sind");
    QCOMPARE(says(Qt::Key_F7), " Bahn 2 läuft nicht: nichts zu stoppen");
    fixture.ticks.advance(1000);
    QCOMPARE(says(Qt::Key_F6), QString());
    QCOMPARE(window.clock().runState(), RunState::Finished);
    QTRY_VERIFY(child<QPushButton>(window, "resetButton")->hasFocus());
    const QString sep = window.competition().numberFormat().decimalSeparator();
    QCOMPARE(v.cell(VorrundeColumn::Lane2Zeit, 4), QStringLiteral("31") + sep + QStringLiteral("23"));
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 3), QStringLiteral("32") + sep + QStringLiteral("23"));
    QCOMPARE(says(Qt::Key_F5), " Erst RESET [F10], dann der nächste Start");
    QCOMPARE(says(Qt::Key_2, Qt::ControlModifier), " Erst RESET [F10], dann neue Mannschaften");
    QCOMPARE(says(Qt::Key_Z, Qt::ControlModifier), " Rückgängig erst nach dem Lauf");

    QCOMPARE(says(Qt::Key_F10), QString());
    QCOMPARE(window.clock().runState(), RunState::Idle);
    QTRY_COMPARE(window.lanePanel(1)->findChild<QComboBox*>(QStringLiteral("teamSelector"))->currentIndex(),
                 0);
    QTRY_VERIFY(child<QPushButton>(window, "startButton")->hasFocus());
    // Ctrl+Z gives the times back one stopped lane at a time; the menu greys what cannot be done
    auto* undo = child<QAction>(window, "undoAction");
    auto* redo = child<QAction>(window, "redoAction");
    auto* menu = window.findChild<QMenu*>();
    QCOMPARE(says(Qt::Key_Y, Qt::ControlModifier), " Nichts zu wiederholen");
    Q_EMIT menu->aboutToShow();
    QVERIFY(undo->isEnabled() && !redo->isEnabled() && menu->actions().contains(undo));
    Q_EMIT menu->aboutToHide();
    for (const char* lane : {"1", "2"})
        QCOMPARE(says(Qt::Key_Z, Qt::ControlModifier), QStringLiteral(" Rückgängig: Zeit Bahn ") + lane);
    QVERIFY(v.cell(VorrundeColumn::Lane1Zeit, 3).isEmpty() && v.cell(VorrundeColumn::Lane2Zeit, 4).isEmpty());
    Q_EMIT menu->aboutToShow();
    QVERIFY(redo->isEnabled());
    Q_EMIT menu->aboutToHide();
    // the web page: where it went
    const QString page = says(Qt::Key_H, Qt::ControlModifier);
    QVERIFY2(page.startsWith(" Webseite geschrieben: ") && page.endsWith("Vorrunde.html"), qPrintable(page));
    QCOMPARE(fixture.opener.opened.size(), 1);
    fixture.opener.answer = false;
    QVERIFY(says(Qt::Key_H, Qt::ControlModifier)
                .endsWith("Vorrunde.html – der Browser ließ sich nicht öffnen; die Datei von Hand öffnen"));
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::GesamtErgebnis));
    QCOMPARE(window.statusPanel(2)->text(), QString());
    QCOMPARE(says(Qt::Key_1, Qt::ControlModifier), " Auf dieser Seite wird kein Lauf gestartet");
    QCOMPARE(says(Qt::Key_F5), " Auf dieser Seite wird kein Lauf gestartet");
    QCOMPARE(window.clock().runState(), RunState::Idle);
}

void TestMainWindow::typedLetterIsDroppedAndEnterRecalculates_data()
{
    QTest::addColumn<bool>("heat");
    QTest::newRow("Enter") << false;
    QTest::newRow("the heat's last lane stops while the penalty is typed") << true;
}

// A penalty typed into the Fehler cell of team 1 (a letter is dropped, a typed point is the
// decimal separator, whichever the system has) counts once Enter is pressed or, during a heat,
// its last lane stops: the cell is recalculated and the table is back in row mode.
void TestMainWindow::typedLetterIsDroppedAndEnterRecalculates()
{
    QFETCH(bool, heat);
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 3);
    Competition& c = window.competition();
    const QString sep = c.numberFormat().decimalSeparator();
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    for (int r = 1; r <= 3 && !heat; ++r) { // a heat would ask before overwriting times
        v.setCell(VorrundeColumn::Lane1Zeit, r, QStringLiteral("30") + sep + QStringLiteral("0%1").arg(r));
        v.setCell(VorrundeColumn::Lane2Zeit, r, QStringLiteral("31") + sep + QStringLiteral("00"));
    }
    QVERIFY(activate(window));
    if (heat) { // lane 1 stops at 30,00 for team 1
        QTest::keyClick(&window, Qt::Key_F5);
        fixture.ticks.advance(30000);
        QTest::keyClick(&window, Qt::Key_F6);
        QCOMPARE(window.clock().runState(), RunState::Finishing);
    }
    ProtocolTableView* view = window.table(CompetitionRound::Vorrunde);
    const QModelIndex fehler = view->model()->index(0, columnIndex(VorrundeColumn::Lane1Fehler));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(fehler).center());
    QVERIFY(v.editMode);
    QCOMPARE(c.edit().column(), columnIndex(VorrundeColumn::Lane1Fehler));
    QTest::keyClicks(view, QStringLiteral("a"));
    QTRY_VERIFY(view->isEditing());
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("x9.5b"));
    QTRY_COMPARE(v.cell(VorrundeColumn::Lane1Fehler, 1), QStringLiteral("9") + sep + QStringLiteral("5"));
    QCOMPARE(editor->text(), v.cell(VorrundeColumn::Lane1Fehler, 1));
    if (heat) {
        fixture.ticks.advance(1000);
        QTest::keyClick(&window, Qt::Key_F7); // the last lane: the heat is recalculated
        QCOMPARE(window.clock().runState(), RunState::Finished);
        QTRY_VERIFY(!view->isEditing());
    } else {
        QTest::keyClick(editor, Qt::Key_Return);
    }
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 1), QStringLiteral("39") + sep + (heat ? "50" : "51"));
    if (!heat) { // ranking 70,51: the team falls from place 1 to place 3
        QCOMPARE(v.cell(VorrundeColumn::RankingValue, 1), QStringLiteral("70") + sep + QStringLiteral("51"));
        QCOMPARE(v.cell(VorrundeColumn::Place, 1), QStringLiteral("3"));
    }
    QVERIFY(!v.editMode && c.edit().column() == -1);
}

void TestMainWindow::closingAsksOnlyWithTeams()
{
    test::SessionFixture fixture;
    {
        MainWindow empty(fixture.newSession());
        QVERIFY(activate(empty));
        QVERIFY(empty.close()); // only the empty first row: no question
    }
    MainWindow window(fixture.newSession());
    QVERIFY(window.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK), true));
    QVERIFY(activate(window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Brenvolutaris v. 1.8 – Beispiel-Wettkampf.xlsx[*]"));
    QVERIFY(!window.isWindowModified());
    bool asked = false;
    QTimer::singleShot(50, this, [&] {
        asked = window.confirmDialog()->isVisible() &&
                window.confirmDialog()->questionLabel->text() == QStringLiteral("Programm beenden?");
        // "Nein" has the focus: Enter pressed on by habit keeps the program running
        QVERIFY(window.confirmDialog()->noButton->hasFocus());
        QTest::keyClick(window.confirmDialog(), Qt::Key_Return);
    });
    QVERIFY(!window.close());
    QVERIFY(asked);
    QVERIFY(window.isVisible());

    // a change that is in no workbook: "Änderungen speichern?", where Escape stays and "Nein" ends
    window.competition().grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 1, "31,00");
    QVERIFY(window.isWindowModified());
    for (const char* answer : {"Abbrechen", "Nein"}) {
        QTimer::singleShot(50, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && box->text() == QStringLiteral("Änderungen speichern?"));
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == QLatin1String(answer))
                    button->click();
            }
        });
        QCOMPARE(window.close(), QByteArray(answer) == "Nein");
    }
}

void TestMainWindow::thirdLaneOnlyOnTheVorrunde()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.thirdLaneOn = true;
    QVERIFY(saveSettings(*fixture.store, settings));
    MainWindow window(fixture.newSession());
    addTeams(window, 20);
    QVERIFY(activate(window));
    QTRY_VERIFY(window.lanePanel(3)->isVisible()); // its button: in buttonRowLayout()
    const int width = window.laneArea()->width();
    QTRY_COMPARE(window.lanePanel(1)->width(), width / 3);

    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Achtelfinale));
    QTRY_VERIFY(!window.lanePanel(3)->isVisible());
    QVERIFY(!child<QToolButton>(window, "laneAssignButton3")->isVisible());
    QTRY_COMPARE(window.lanePanel(1)->width(), width / 2);
    QCOMPARE(window.lanePanel(2)->width(), width - width / 2);

    // the overall page hides the lanes altogether
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::GesamtErgebnis));
    QTRY_VERIFY(!window.laneArea()->isVisible());
}

void TestMainWindow::buttonRowLayout_data()
{
    QTest::addColumn<bool>("threeLanes");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("width");
    QTest::newRow("three lanes, smallest window") << true << 0 << 960;
    QTest::newRow("overall page") << false << 5 << 1030;
}

void TestMainWindow::buttonRowLayout()
{
    QFETCH(bool, threeLanes);
    QFETCH(int, page);
    QFETCH(int, width);
    test::SessionFixture fixture;
    Settings settings;
    settings.thirdLaneOn = threeLanes;
    QVERIFY(saveSettings(*fixture.store, settings));
    MainWindow window(fixture.newSession());
    addTeams(window, 4);
    window.resize(width, 588);
    QVERIFY(activate(window));
    window.pages()->setCurrentIndex(page);
    QTRY_COMPARE(window.competition().currentRound(), roundAt(page));
    QApplication::processEvents();

    // every button shown in the row shows its whole caption, inside its panel and the window,
    // and over no other button
    QWidget* row = window.findChild<QWidget*>(QStringLiteral("buttonRow"));
    QVERIFY(row);
    QList<QRect> taken;
    for (QAbstractButton* b : row->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(&window))
            continue;
        const QRect r(b->mapTo(row, QPoint(0, 0)), b->size());
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
        QVERIFY2(b->parentWidget()->rect().contains(b->geometry()), qPrintable(b->text()));
        QVERIFY2(r.left() >= 0 && r.right() < row->width(), qPrintable(b->text()));
        for (const QRect& other : taken)
            QVERIFY2(!r.intersects(other), qPrintable(b->text()));
        taken << r;
    }
    // the lane buttons: "2" only where lanes are shown, "3" only with three lanes
    QCOMPARE(child<QToolButton>(window, "laneAssignButton2")->isVisibleTo(&window), page != 5);
    QCOMPARE(child<QToolButton>(window, "laneAssignButton3")->isVisibleTo(&window), page != 5 && threeLanes);
}

void TestMainWindow::rowChangesGoThroughTheCore_data()
{
    QTest::addColumn<bool>("drag");
    QTest::newRow("typing a team's first letter") << false;
    QTest::newRow("dragging with the button down") << true;
}

void TestMainWindow::rowChangesGoThroughTheCore()
{
    QFETCH(bool, drag);
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 5);
    Competition& c = window.competition();
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    const QStringList names{"Adorf", "Bedorf", "Cedorf", "Dedorf", "Edorf"};
    for (int r = 1; r <= 5; ++r)
        v.setCell(VorrundeColumn::Mannschaft, r, names.at(r - 1));
    c.enterRound(CompetitionRound::Vorrunde);
    QVERIFY(activate(window));
    ProtocolTableView* view = window.table(CompetitionRound::Vorrunde);
    const int team = columnIndex(VorrundeColumn::Mannschaft);
    const QPoint first = view->visualRect(view->model()->index(0, team)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first);
    QCOMPARE(v.currentRow, 1);
    if (drag) {
        // a press on Bedorf, the button held down over Dedorf; the view's own selection would follow
        const QPoint second = view->visualRect(view->model()->index(1, team)).center();
        const QPoint fourth = view->visualRect(view->model()->index(3, team)).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, second);
        QMouseEvent move(QEvent::MouseMove, fourth, view->viewport()->mapToGlobal(fourth), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, fourth);
    } else {
        QTest::keyClicks(view, QStringLiteral("D"));
    }
    // the view shows the row the core has
    QCOMPARE(QPoint(v.currentRow, view->currentIndex().row() + 1), QPoint(drag ? 2 : 4, drag ? 2 : 4));
    // Ctrl+1 puts the row that is shown on lane 1
    QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(c.laneTeam(1), LaneAssignment::entryText(v, v.currentRow));
}

// The stored title shows; the window's size and title are written back at the end.
void TestMainWindow::settingsWrittenAtExit()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.competitionTitle = QStringLiteral("Kreisausscheid 2026");
    QVERIFY(saveSettings(*fixture.store, settings));
    {
        MainWindow window(fixture.newSession());
        QCOMPARE(child<QLabel>(window, "competitionTitleLabel")->text(),
                 QStringLiteral("Kreisausscheid 2026"));
        window.resize(1100, 600);
        child<QLabel>(window, "competitionTitleLabel")->setText(QStringLiteral("Kreisausscheid"));
    }
    fixture.endSession();
    const Settings saved = loadSettings(*fixture.store, 1);
    QVERIFY(saved.windowWidth == 1100 && saved.competitionTitle == QStringLiteral("Kreisausscheid"));
}

// A stored size and place that no screen can show give way to the default and are named; the
// default is what is written back.
void TestMainWindow::boundsNoScreenShows()
{
    test::SessionFixture fixture;
    Settings stored;
    stored.windowWidth = std::numeric_limits<int>::max();
    stored.windowLeft = std::numeric_limits<int>::min();
    stored.windowTop = 0;
    QVERIFY(saveSettings(*fixture.store, stored));
    {
        MainWindow window(fixture.newSession());
        QCOMPARE(window.size(), QSize(1030, 588));
        const QString message = fixture.session->statusMessage();
        QVERIFY2(message.contains("Fenstergröße 2147483647 x 588") &&
                     message.contains("Fensterposition -2147483648, 0"),
                 qPrintable(message));
    }
    fixture.endSession();
    QCOMPARE(loadSettings(*fixture.store, 1).windowWidth, 1030);
}

// The table models follow the core's tables by themselves: a changed cell updates its row, a
// gathered change one range, a changed row count the whole model, a caption the header.
void TestMainWindow::modelFollowsTheTables()
{
    Competition c;
    ProtocolTableModel model(c, CompetitionRound::Vorrunde);
    QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(5);
    QCOMPARE(QPoint(reset.size(), model.rowCount()), QPoint(1, 4));

    v.setCell(VorrundeColumn::Mannschaft, 2, QStringLiteral("FF Au"));
    QCOMPARE(data.size(), 1);
    QCOMPARE(QPoint(data.at(0).at(0).toModelIndex().row(), data.at(0).at(1).toModelIndex().row()),
             QPoint(1, 1));
    QCOMPARE(model.data(model.index(1, columnIndex(VorrundeColumn::Mannschaft)), Qt::DisplayRole).toString(),
             QStringLiteral("FF Au"));
    {
        const ProtocolTables::ChangeBatch batch(c.tables());
        v.setCell(VorrundeColumn::Nr, 1, QStringLiteral("1"));
        v.setCell(VorrundeColumn::Nr, 3, QStringLiteral("3"));
        QCOMPARE(data.size(), 1);
    }
    QCOMPARE(data.size(), 2);
    QCOMPARE(QPoint(data.at(1).at(0).toModelIndex().row(), data.at(1).at(1).toModelIndex().row()),
             QPoint(0, 2));

    c.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Nr, 1, QStringLiteral("9"));
    QCOMPARE(data.size() + reset.size(), 3); // another table: nothing
    v.setCell(VorrundeColumn::Klasse, 0, QStringLiteral("Kl."));
    QCOMPARE(header.size(), 1);
}

// Qt's own dialogs speak German, whatever language the system is set to.
void TestMainWindow::qtDialogsSpeakGerman()
{
    QVERIFY(installGermanQtTranslations(*qApp));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Datei"), QStringLiteral("Ersetzen?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text() + box.button(QMessageBox::No)->text(),
             QStringLiteral("&Ja&Nein"));
    QFileDialog dialog(nullptr, QStringLiteral("Speichern"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("Suchen in:")), qPrintable(labels.join(QLatin1Char('|'))));
    QCOMPARE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
             QStringLiteral("Abbrechen"));
}

// A held Alt+1 starts lane 1 once; then neither Ctrl+1 nor F5 takes a time from its team.
void TestMainWindow::keysKeepARunningHeat()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.commonStart = false;
    QVERIFY(saveSettings(*fixture.store, settings));
    MainWindow window(fixture.newSession());
    addTeams(window, 4);
    QVERIFY(activate(window));
    int runs = 0;
    for (QAction* action : window.actions())
        connect(action, &QAction::triggered, &window, [&runs] { ++runs; });
    QTest::keyPress(&window, Qt::Key_1, Qt::AltModifier);
    fixture.ticks.advance(600);
    for (int i = 0; i < 3; ++i) // the keyboard repeats the held key
        QTest::simulateEvent(&window, true, Qt::Key_1, Qt::AltModifier, QString(), true);
    QTest::keyRelease(&window, Qt::Key_1, Qt::AltModifier);
    QCOMPARE(runs, 1);
    QCOMPARE(window.clock().controls().lane(1).startTick, 100000u);

    ResultGrid& v = window.competition().grid(CompetitionRound::Vorrunde);
    v.currentRow = 4;
    QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(window.competition().lanes().selector(1).index, 0);
    fixture.ticks.advance(4400);
    QTest::keyClick(&window, Qt::Key_F6);
    QTest::keyClick(&window, Qt::Key_F5); // lane 2 starts; lane 1 has stopped
    QVERIFY(window.clock().controls().lane(2).armed);
    // every lane started: START gives way to a disabled RESET
    QTRY_VERIFY(child<QPushButton>(window, "resetButton")->isVisible());
    QVERIFY(!child<QPushButton>(window, "resetButton")->isEnabled());
    QTest::keyClick(&window, Qt::Key_F6);
    const QString sep = window.competition().numberFormat().decimalSeparator();
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("5") + sep + QStringLiteral("00"));
}

// Results are not overwritten by a page change: the lanes come back on the first teams without
// a result.
void TestMainWindow::lanesAndPagesKeepResults()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 20);
    QVERIFY(activate(window));
    Competition& c = window.competition();
    auto heat = [&] {
        QTest::keyClick(&window, Qt::Key_F5);
        fixture.ticks.advance(30000);
        QTest::keyClick(&window, Qt::Key_F6);
        QTest::keyClick(&window, Qt::Key_F7);
        QTest::keyClick(&window, Qt::Key_F10);
    };
    heat();
    heat();
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Achtelfinale));
    window.pages()->setCurrentIndex(roundIndex(CompetitionRound::Vorrunde));
    QCOMPARE(QPoint(c.lanes().selector(1).index, c.lanes().selector(2).index), QPoint(4, 5));
}

// The table as the operator handles it: a team typed after a double click, a row inserted and
// removed, the context menu on the row clicked (not the one corrected before), Delete on a time.
void TestMainWindow::tableByMouseAndKeys()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 4);
    QVERIFY(activate(window));
    Competition& c = window.competition();
    const ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    ProtocolTableView* view = window.table(CompetitionRound::Vorrunde);
    auto at = [&](int row, VorrundeColumn col) {
        return view->visualRect(view->model()->index(row - 1, columnIndex(col))).center();
    };
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at(2, VorrundeColumn::Mannschaft));
    QTRY_VERIFY(view->isEditingTeam());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(v.cell(VorrundeColumn::Mannschaft, 2), QStringLiteral("FF Team 2x"));
    QCOMPARE(c.laneTeam(2), QStringLiteral("  2 FF Team 2x"));
    QCoreApplication::processEvents(); // each key is an undo step of its own
    QTest::keyClick(view, Qt::Key_Insert);
    QVERIFY(v.dataRowCount() == 5 && v.isRowBlank(3));
    QCoreApplication::processEvents();
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(v.cell(VorrundeColumn::Mannschaft, 3), QStringLiteral("FF Team 3"));
    QCoreApplication::processEvents();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(v.dataRowCount() == 4 && v.cell(VorrundeColumn::Mannschaft, 2) == QStringLiteral("FF Team 2"));

    // a time typed into row 4, then "Aus" from the menu of row 3
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(4, VorrundeColumn::Lane1Zeit));
    QTest::keyClicks(view, QStringLiteral("3"));
    QTRY_VERIFY(view->isEditing());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTimer::singleShot(0, [] {
        for (QAction* action : QApplication::activePopupWidget()->actions())
            if (action->text() == QLatin1String("Aus"))
                action->trigger();
        QApplication::activePopupWidget()->close();
    });
    const QPoint row3 = at(3, VorrundeColumn::Lane1Zeit);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, row3, view->viewport()->mapToGlobal(row3));
    QApplication::sendEvent(view->viewport(), &menu);
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 3), QStringLiteral("AUS"));
    const QString sep = c.numberFormat().decimalSeparator();
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 4), QStringLiteral("35") + sep + QStringLiteral("00"));
    // Delete empties the time and its run; then the name is all that can be typed
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(4, VorrundeColumn::Lane1Zeit));
    QTest::keyClick(view, Qt::Key_Delete);
    QVERIFY(v.cell(VorrundeColumn::Lane1Gesamt, 4).isEmpty());
    QCOMPARE(view->model()->flags(view->model()->index(0, 0)) & Qt::ItemIsEditable, Qt::NoItemFlags);
}

// RESET brings the lanes' next rows into view, but never under the operator's mouse: within a
// moment of a click the table waits; rows in view do not move it at all.
void TestMainWindow::tableKeepsStillUnderTheMouse()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 60);
    QVERIFY(activate(window));
    ProtocolTableView* view = window.table(CompetitionRound::Vorrunde);
    QScrollBar* bar = view->verticalScrollBar();
    auto heatAfterClick = [&](int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 1)).center());
        for (Qt::Key key : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F10}) {
            fixture.ticks.advance(30000);
            QTest::keyClick(&window, key);
        }
        QCoreApplication::processEvents();
    };
    bar->setValue(bar->maximum());
    const int bottom = bar->value();
    heatAfterClick(57);
    QCOMPARE(bar->value(), bottom); // rows 3 and 4 are out of view, but the click was just now
    QTRY_VERIFY(view->rowViewportPosition(2) >= 0 && bar->value() < bottom);
    const int shown = bar->value();
    heatAfterClick(2);
    QTest::qWait(ProtocolTableView::kQuietMs + 100);
    QCOMPARE(bar->value(), shown); // rows 5 and 6 are in view
}

// In the smallest window every caption of every page is whole; a cell and a message panel that
// cut their text show it whole as a tool tip.
void TestMainWindow::textsShowWhole()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    addTeams(window, 2);
    const QString longName = QStringLiteral("FF ") + QStringLiteral("Langername").repeated(20);
    window.competition().grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, longName);
    window.resize(960, 463);
    QVERIFY(activate(window));
    for (int page = 0; page < 6; ++page) {
        window.pages()->setCurrentIndex(page);
        QApplication::processEvents();
        QHeaderView* header = window.table(roundAt(page))->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            const QString caption = header->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(header->isSectionHidden(c) ||
                         header->sectionSize(c) >= header->fontMetrics().horizontalAdvance(caption),
                     qPrintable(caption));
        }
    }
    window.pages()->setCurrentIndex(0);
    ProtocolTableView* view = window.table(CompetitionRound::Vorrunde);
    for (int row : {0, 1}) {
        const QRect cell =
            view->visualRect(view->model()->index(row, columnIndex(VorrundeColumn::Mannschaft)));
        QHelpEvent hover(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(view->viewport(), &hover);
        QTRY_COMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), row == 0 ? longName : QString());
    }
    const QString message = QStringLiteral(" Eine Meldung, ") + QStringLiteral("lang ").repeated(30);
    window.session().setStatusMessage(message);
    QVERIFY(window.statusPanel(2)->text().endsWith(u'…'));
    QCOMPARE(window.statusPanel(2)->toolTip(), message);
}

// Dialogs open whole on the screen's work area with room for their frame: the print preview as
// high as that leaves, a window larger than the screen cut to it.
void TestMainWindow::dialogsFitTheScreen()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    QVERIFY(activate(window));
    const QRect work = window.screen()->availableGeometry();
    QWidget big(&window, Qt::Window);
    big.resize(work.size() + QSize(300, 300));
    for (QWidget* dialog :
         {static_cast<QWidget*>(&window.printCommands().preview()), static_cast<QWidget*>(&big)}) {
        dialog->show();
        QVERIFY(work.contains(dialog->geometry()));
        QVERIFY(dialog->geometry().top() > work.top()); // the title bar's room
        dialog->hide();
    }
    // one that fits and that nobody placed stays where the window system puts it
    QWidget small(&window, Qt::Window);
    small.resize(200, 100);
    const QPoint at = small.pos();
    small.show();
    QCOMPARE(small.pos(), at);
}

QTEST_MAIN(TestMainWindow)
#include "tst_app_mainwindow.moc"
