#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "journal/CompetitionJournal.h"
#include "protocol/ProtocolFiles.h"
#include "timing/RaceClock.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <random>

using namespace brv;

namespace {

// A competition day in miniature: a loaded Vorrunde of 20 teams, a time, an "Aus", lanes
// picked, a second table grown, the Halbfinale current; the journal is left without close().
void playDay(Competition& c, const QString& path)
{
    CompetitionJournal journal;
    QVERIFY2(journal.open(path, c), qPrintable(journal.errorString()));
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> loaded;
    loaded[0] = std::make_unique<ResultGrid>(TableId::Vorrunde, kVorrundeColumnCount, 21);
    for (int r = 1; r <= 20; ++r)
        loaded[0]->setRowCells(r, {QString::number(r), QStringLiteral("FF Nord %1 ä").arg(r)});
    c.tables().replace(loaded, {true, false, false, false, false, false});
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 3, QStringLiteral("45,67"));
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane2Gesamt, 5, QStringLiteral("45,67"));
    c.grid(CompetitionRound::Finale).setRowCount(7);
    c.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Gesamt, 6, QStringLiteral("Aus"));
    c.lanes().enterPage(c.grid(CompetitionRound::Vorrunde));
    c.lanes().select(2, 17);
    c.enterRound(CompetitionRound::Halbfinale);
}

// The six tables as one text.
QString tables(const Competition& c)
{
    QStringList rows;
    for (CompetitionRound round : kAllRounds) {
        for (int r = 0; r < c.grid(round).rowCount(); ++r)
            rows << c.grid(round).rowCells(r).join('|');
        rows << QString();
    }
    return rows.join('\n');
}

// The program killed (its journal as it is on disk, never closed) and started again with "Ja".
AppSession& restartAfterKill(test::SessionFixture& fixture, YesNoQuestion& yes)
{
    const QString path = fixture.folder.filePath(QStringLiteral("journal/Wettkampf-Journal.sqlite"));
    const QStringList files{path, path + QStringLiteral("-wal")};
    for (const QString& file : files)
        QFile::copy(file, file + QStringLiteral(".kill"));
    fixture.endSession();
    for (const QString& file : files) {
        QFile::remove(file);
        QFile::rename(file + QStringLiteral(".kill"), file);
    }
    fixture.newSession().competition().setYesNoQuestion(&yes);
    return *fixture.session;
}

} // namespace

class TestJournal final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresTablesPageAndLanes();
    void fullDiskKeepsTheLastChange();
    void sessionAsksAfterUncleanEnd_data();
    void sessionAsksAfterUncleanEnd();
    void undoAndRedoADay_data();
    void undoAndRedoADay();
    void hundredStepsBackWithPageAndLanes();
};

void TestJournal::restoresTablesPageAndLanes()
{
    QTemporaryDir dir;
    Competition before;
    playDay(before, dir.filePath(QStringLiteral("j.sqlite")));
    const auto snapshot = CompetitionJournal::read(dir.filePath(QStringLiteral("j.sqlite")));
    QVERIFY(snapshot);
    Competition after;
    CompetitionJournal::restore(*snapshot, after);
    for (CompetitionRound round : kAllRounds) {
        QCOMPARE(after.grid(round).rowCount(), before.grid(round).rowCount());
        for (int r = 0; r < before.grid(round).rowCount(); ++r)
            QCOMPARE(after.grid(round).rowCells(r), before.grid(round).rowCells(r));
    }
    QCOMPARE(after.currentRound(), CompetitionRound::Halbfinale);
    QCOMPARE(after.tvBestMilliseconds(), 45670); // taken from the restored tables
    for (int lane = 1; lane <= 3; ++lane) {
        QCOMPARE(after.lanes().selector(lane).entries, before.lanes().selector(lane).entries);
        QCOMPARE(after.lanes().selector(lane).index, before.lanes().selector(lane).index);
    }
}

// A change that finds the disk full is announced with the German write error, and the journal
// file, read as after a crash, still holds the change before it.
void TestJournal::fullDiskKeepsTheLastChange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.sqlite"));
    Competition c;
    CompetitionJournal journal;
    QVERIFY2(journal.open(path, c), qPrintable(journal.errorString()));
    QSignalSpy failed(&journal, &CompetitionJournal::writeFailed);
    ResultGrid& grid = c.grid(CompetitionRound::Vorrunde);
    grid.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Süd"));
    {
        test::FileSizeLimit limit(16);
        grid.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Nord"));
    }
    QCOMPARE(failed.size(), 1);
    const QString head = writeErrorMessage(path, QStringLiteral("Das Journal lässt sich nicht schreiben ("));
    QCOMPARE(failed.at(0).at(0).toString().left(head.size()), head);
    QCOMPARE(journal.errorString(), failed.at(0).at(0).toString());
    const auto snapshot = CompetitionJournal::read(path);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->tables[0]->cell(VorrundeColumn::Mannschaft, 1), QStringLiteral("FF Süd"));
}

void TestJournal::sessionAsksAfterUncleanEnd_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Ja restores") << true;
    QTest::newRow("Nein keeps the file aside") << false;
}

void TestJournal::sessionAsksAfterUncleanEnd()
{
    QFETCH(bool, yes);
    test::SessionFixture fixture;
    test::FixedAnswer answer(yes);
    fixture.recoveryQuestion = &answer;
    const QString path = fixture.folder.filePath(QStringLiteral("journal/Wettkampf-Journal.sqlite"));
    Competition crashed;
    playDay(crashed, path);

    Competition& c = fixture.newSession().competition();
    QCOMPARE(answer.lastQuestion,
             QStringLiteral("Der letzte Wettkampf wurde nicht beendet. Wiederherstellen?"));
    QCOMPARE(c.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Lane1Zeit, 3),
             yes ? QStringLiteral("45,67") : QString());
    QCOMPARE(c.currentRound(), yes ? CompetitionRound::Halbfinale : CompetitionRound::Vorrunde);
    const QDir folder(QFileInfo(path).path());
    const QStringList keptAside{QStringLiteral("Wettkampf-Journal-20*-*-*_*-*-*.sqlite")};
    QCOMPARE(folder.entryList(keptAside).size(), yes ? 0 : 1);
    QCOMPARE(CompetitionJournal::state(path), CompetitionJournal::State::Unclean);
    // a clean end is marked: the next start asks nothing and keeps the ended journal aside
    fixture.endSession();
    QCOMPARE(CompetitionJournal::state(path), CompetitionJournal::State::Closed);
    answer.lastQuestion.clear();
    fixture.newSession();
    QVERIFY(answer.lastQuestion.isEmpty());
    QCOMPARE(folder.entryList(keptAside).size(), yes ? 1 : 2);
}

void TestJournal::undoAndRedoADay_data()
{
    QTest::addColumn<int>("restartAfter"); // undo steps before the program is killed, -1: never
    QTest::newRow("one session") << -1;
    QTest::newRow("killed before the first undo") << 0;
    QTest::newRow("killed halfway back") << 9;
}

// 20 random operator actions on the example competition, each followed by the event loop: undone
// one step at a time they pass back through every state before them to the start, exactly, and
// redone they give the end. A heat is refused undo while it runs; a change after undo drops redo.
void TestJournal::undoAndRedoADay()
{
    QFETCH(int, restartAfter);
    test::SessionFixture fixture;
    test::FixedAnswer yes(true);
    fixture.recoveryQuestion = &yes;
    AppSession* s = &fixture.newSession();
    s->competition().setYesNoQuestion(&yes);
    QVERIFY(s->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QCoreApplication::processEvents();
    std::mt19937 random(19);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    QStringList states{tables(s->competition())}; // after each step
    auto stepDone = [&] {
        QCoreApplication::processEvents();
        if (tables(s->competition()) != states.last())
            states << tables(s->competition());
    };
    for (int action = 0; action < 20; ++action) {
        Competition& c = s->competition();
        const bool vorrunde = c.currentRound() == CompetitionRound::Vorrunde;
        const int row = pick(1, std::max(1, c.currentGrid().dataRowCount()));
        switch (pick(0, 9)) {
        case 0: // a heat, both lanes stopped by the keys
        case 1:
        case 2:
            s->clock().command(ClockCommand::Start).trigger();
            if (s->clock().runState() != RunState::Running)
                break;
            QVERIFY(!s->undo());
            QCOMPARE(s->statusMessage(), QStringLiteral(" Rückgängig erst nach dem Lauf"));
            fixture.ticks.advance(quint32(pick(20000, 40000)));
            s->clock().command(ClockCommand::Stop1).trigger();
            stepDone();
            fixture.ticks.advance(quint32(pick(100, 5000)));
            s->clock().command(ClockCommand::Stop2).trigger();
            QCoreApplication::processEvents();
            s->clock().command(ClockCommand::Reset).trigger();
            break;
        case 3: // a penalty typed in two keys, then Enter
            c.selectCell(vorrunde ? columnIndex(lanePenaltyColumn(pick(1, 2)))
                                  : columnIndex(KnockoutColumn::Fehler),
                         row);
            c.setEditText(QStringLiteral("1"));
            QCoreApplication::processEvents();
            c.setEditText(QStringLiteral("12"));
            QCoreApplication::processEvents();
            c.editEnter();
            break;
        case 4:
        case 5:
            c.selectCell(vorrunde ? columnIndex(laneTimeColumn(1)) : 0, row);
            pick(0, 1) ? c.markVoid() : c.markDisqualified();
            break;
        case 6:
            pick(0, 3) ? c.fillWithRandomResults() : c.fillAllPages();
            break;
        case 7:
            c.changePage(roundAt(pick(0, kRoundCount - 1)));
            break;
        case 8:
            c.clearResults();
            break;
        default:
            pick(0, 1) ? c.recalculateRound() : void(s->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)));
        }
        stepDone();
    }

    // back: each undo gives the state before the step, whatever the step was
    for (qsizetype state = states.size() - 1; state > 0; --state) {
        if (states.size() - 1 - state == restartAfter)
            s = &restartAfterKill(fixture, yes);
        QVERIFY(s->undo());
        QCOMPARE(tables(s->competition()), states.at(state - 1));
    }
    QCOMPARE(s->competition().currentRound(), CompetitionRound::Vorrunde);
    while (s->canRedo())
        QVERIFY(s->redo());
    QCOMPARE(tables(s->competition()), states.last());
    QVERIFY(s->undo());
    s->competition().grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, "FF Neu");
    QVERIFY(!s->canRedo());
    QVERIFY(!s->redo());
}

// 101 steps: a page change with its round, then 100 corrections. All of them are undone, the
// page and the lanes come back with the page change's step.
void TestJournal::hundredStepsBackWithPageAndLanes()
{
    test::SessionFixture fixture;
    AppSession& s = fixture.newSession();
    QVERIFY(s.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QCoreApplication::processEvents();
    Competition& c = s.competition();
    const QString start = tables(c);
    const QString lane2 = c.lanes().selector(2).text();
    QVERIFY(c.changePage(CompetitionRound::Viertelfinale));
    QCoreApplication::processEvents();
    QVERIFY(c.lanes().selector(2).text() != lane2);
    for (int step = 1; step <= 100; ++step) {
        c.currentGrid().setCell(KnockoutColumn::Zeit, 1, QString::number(step));
        QCoreApplication::processEvents();
    }
    for (int step = 0; step < 101; ++step)
        QVERIFY(s.undo());
    QCOMPARE(tables(c), start);
    QCOMPARE(c.currentRound(), CompetitionRound::Vorrunde);
    QCOMPARE(c.lanes().selector(2).text(), lane2);
    QCOMPARE(s.statusMessage(), QStringLiteral(" Rückgängig: Seitenwechsel"));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
