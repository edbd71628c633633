#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "journal/CompetitionJournal.h"
#include "protocol/ProtocolFiles.h"
#include "timing/RaceClock.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

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
    c.lanes().enterPage(c.grid(CompetitionRound::Vorrunde), {true, true, false});
    c.lanes().select(2, 17);
    c.enterRound(CompetitionRound::Halbfinale);
}

// The six tables as one text.
QString tables(const Competition& c)
{
    QString text;
    for (CompetitionRound round : kAllRounds)
        for (int r = 0; r < c.grid(round).rowCount(); ++r)
            text += QString::number(roundIndex(round)) + ':' + c.grid(round).rowCells(r).join('|') + '\n';
    return text;
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
    void undoAndRedoADay();
    void hundredStepsBack();
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

// A change that finds the disk full is announced with the German write error and drops the undo
// history, and the journal file, read as after a crash, still holds the change before it. The
// next change writes everything anew, the one after it is a step again; an undo that finds the
// disk full is announced too.
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
    QVERIFY(!journal.canUndo());
    QCOMPARE(failed.size(), 1);
    const QString head = writeErrorMessage(path, QStringLiteral("Das Journal lässt sich nicht schreiben ("));
    QCOMPARE(failed.at(0).at(0).toString().left(head.size()), head);
    QCOMPARE(journal.errorString(), failed.at(0).at(0).toString());
    const auto snapshot = CompetitionJournal::read(path);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->tables[0]->cell(VorrundeColumn::Mannschaft, 1), QStringLiteral("FF Süd"));
    grid.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Ost"));
    QCoreApplication::processEvents();
    grid.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF West"));
    test::FileSizeLimit limit(16);
    QVERIFY(journal.canUndo() && !journal.undo());
    QCOMPARE(failed.value(1).value(0).toString().left(head.size()), head);
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

// 20 random operator actions on the example competition, each followed by the event loop: each
// undo gives the tables before one step, back to the start exactly, and redo gives the end. The
// program killed halfway back (its journal never closed) and started again with "Ja" goes on.
void TestJournal::undoAndRedoADay()
{
    test::SessionFixture fixture;
    test::FixedAnswer yes(true);
    fixture.recoveryQuestion = &yes;
    AppSession* s = &fixture.newSession();
    s->competition().setYesNoQuestion(&yes);
    QVERIFY(s->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QRandomGenerator random(6);
    auto pick = [&random](int low, int high) { return int(random.bounded(low, high + 1)); };
    QStringList states; // after each step
    auto stepDone = [&] {
        QCoreApplication::processEvents();
        if (states.isEmpty() || tables(s->competition()) != states.last())
            states << tables(s->competition());
    };
    stepDone();
    for (int action = 0; action < 20; ++action) {
        Competition& c = s->competition();
        const int row = pick(1, std::max(1, c.currentGrid().dataRowCount()));
        switch (pick(0, 6)) {
        case 0: // a heat, both lanes stopped by the keys; no undo while it runs
            s->clock().command(ClockCommand::Start).trigger();
            QVERIFY(s->clock().runState() == RunState::Idle ||
                    (!s->undo() && s->statusMessage() == QStringLiteral(" Rückgängig erst nach dem Lauf")));
            for (ClockCommand stop : {ClockCommand::Stop1, ClockCommand::Stop2}) {
                fixture.ticks.advance(quint32(pick(1000, 40000)));
                s->clock().command(stop).trigger();
                stepDone();
            }
            s->clock().command(ClockCommand::Reset).trigger();
            break;
        case 1: // typed in one event, Enter in another: Zeit of lane 2, or a knockout round's Fehler
            c.selectCell(KnockoutColumn::Fehler, row);
            c.setEditText(QStringLiteral("12"));
            QCoreApplication::processEvents();
            c.editEnter();
            break;
        case 2:
            c.selectCell(laneTimeColumn(1), row);
            pick(0, 1) ? c.markVoid() : c.markDisqualified();
            break;
        case 3:
            pick(0, 3) ? c.fillWithRandomResults() : c.fillAllPages();
            break;
        case 4:
            pick(0, 2) ? void(c.changePage(roundAt(pick(0, kRoundCount - 1)))) : c.clearResults();
            break;
        default:
            pick(0, 1) ? c.recalculateRound() : void(s->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)));
        }
        stepDone();
    }
    std::unique_ptr<AppSession> killed;
    for (qsizetype state = states.size() - 1; state > 0; --state) {
        if (states.size() - 1 - state == 9) {
            killed = std::move(fixture.session); // not ended: it leaves its journal open
            s = &fixture.newSession();
        }
        QVERIFY(s->undo());
        QCOMPARE(tables(s->competition()), states.at(state - 1));
    }
    QCOMPARE(s->competition().currentRound(), CompetitionRound::Vorrunde);
    while (s->canRedo())
        QVERIFY(s->redo());
    QCOMPARE(tables(s->competition()), states.last());
}

// 101 steps back: a load that puts the lanes on their first teams again, and 100 corrections.
// An undo while a cell is typed into takes the typing back and ends the edit; the next change
// drops it from redo.
void TestJournal::hundredStepsBack()
{
    test::SessionFixture fixture;
    AppSession& s = fixture.newSession();
    ResultGrid& v = s.competition().grid(CompetitionRound::Vorrunde);
    QVERIFY(s.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    v.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Neu"));
    QCoreApplication::processEvents();
    s.competition().lanes().select(1, 7);
    const QString start = tables(s.competition());
    QVERIFY(s.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QCoreApplication::processEvents();
    s.competition().selectCell(VorrundeColumn::Lane1Fehler, 1);
    s.competition().setEditText(QStringLiteral("5"));
    QCoreApplication::processEvents();
    QVERIFY(s.undo());
    QCOMPARE(s.competition().edit().column(), -1);
    for (int step = 1; step <= 100; ++step) {
        v.setCell(VorrundeColumn::Lane1Zeit, 1, QString::number(step));
        QCoreApplication::processEvents();
    }
    QVERIFY(!s.canRedo());
    for (int step = 0; step < 101; ++step)
        QVERIFY(s.undo());
    QCOMPARE(tables(s.competition()), start);
    QCOMPARE(s.competition().lanes().selector(1).index, 7);
    QCOMPARE(s.statusMessage(), QStringLiteral(" Rückgängig: Protokoll laden"));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
