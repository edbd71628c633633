#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "files/ReadOnlyFolder.h"
#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "competition/PublicBestResult.h"
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
    void undoAndRedoGiveStatesBack();
    void readOnlyFolderKeepsTheJournal_data();
    void readOnlyFolderKeepsTheJournal();
    void hundredStepsBack();
    void listenersHearOfDurableChanges();
};

void TestJournal::restoresTablesPageAndLanes()
{
    QTemporaryDir dir;
    Competition before;
    playDay(before, dir.filePath(QStringLiteral("j.sqlite")));
    const auto snapshot = CompetitionJournal::read(dir.filePath(QStringLiteral("j.sqlite")));
    QVERIFY(snapshot);
    Competition after;
    const PublicBestResult shown(after);
    CompetitionJournal::restore(*snapshot, after);
    for (CompetitionRound round : kAllRounds) {
        QCOMPARE(after.grid(round).rowCount(), before.grid(round).rowCount());
        for (int r = 0; r < before.grid(round).rowCount(); ++r)
            QCOMPARE(after.grid(round).rowCells(r), before.grid(round).rowCells(r));
    }
    QCOMPARE(after.currentRound(), CompetitionRound::Halbfinale);
    QCOMPARE(shown.value()->milliseconds, 45670); // taken from the restored tables
    for (int lane = 1; lane <= 3; ++lane) {
        QCOMPARE(after.lanes().selector(lane).count, before.lanes().selector(lane).count);
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

// What undo and redo give back, each once seen to go wrong: the lanes RESET moved, a penalty
// typed during a heat and committed by its end, redo after an action that changed nothing, and
// the protocol's file after a restart and an undone load.
void TestJournal::undoAndRedoGiveStatesBack()
{
    test::SessionFixture fixture;
    AppSession* s = &fixture.newSession();
    Competition* c = &s->competition();
    test::FixedAnswer yes(true);
    c->setYesNoQuestion(&yes);
    QVERIFY(s->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QCoreApplication::processEvents();
    auto heat = [&] {
        QVERIFY(s->clock().command(ClockCommand::Start).trigger());
        for (ClockCommand stop : {ClockCommand::Stop1, ClockCommand::Stop2}) {
            fixture.ticks.advance(30000);
            s->clock().command(stop).trigger();
            QCoreApplication::processEvents();
        }
        s->clock().command(ClockCommand::Reset).trigger();
        QCoreApplication::processEvents();
    };
    auto lanes = [&] { return QStringList{c->laneTeam(1), c->laneTeam(2)}; };
    const QStringList first = lanes();
    heat();
    const QStringList next = lanes();
    QVERIFY(s->undo() && s->undo());
    QCOMPARE(lanes(), first);
    QVERIFY(s->undo() && s->redo() && s->redo() && s->redo());
    QCOMPARE(lanes(), next);

    // a knockout heat with a penalty typed meanwhile: each step keeps Gesamt and the marks whole
    c->fillWithRandomResults();
    c->changePage(CompetitionRound::Achtelfinale);
    heat();
    QVERIFY(s->clock().command(ClockCommand::Start).trigger());
    c->selectCell(KnockoutColumn::Fehler, 1);
    c->setEditText(QStringLiteral("5"));
    QCoreApplication::processEvents();
    for (ClockCommand stop : {ClockCommand::Stop1, ClockCommand::Stop2}) {
        fixture.ticks.advance(30000);
        s->clock().command(stop).trigger();
    }
    s->clock().command(ClockCommand::Reset).trigger();
    QCoreApplication::processEvents();
    const ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    for (int back = 0; back < 3; ++back) {
        QVERIFY(s->undo());
        const NumberFormat& f = c->numberFormat();
        QCOMPARE(f.numberOr(k.cell(KnockoutColumn::Gesamt, 1), 0),
                 f.numberOr(k.cell(KnockoutColumn::Zeit, 1), 0) +
                     f.numberOr(k.cell(KnockoutColumn::Fehler, 1), 0));
        QCOMPARE(k.cell(KnockoutColumn::Outcome, 1).isEmpty(), k.cell(KnockoutColumn::Gesamt, 2).isEmpty());
    }
    // typed and taken back: no step, and redo stays
    c->selectCell(KnockoutColumn::Fehler, 9);
    c->setEditText(QStringLiteral("5"));
    c->setEditText(QString());
    c->editEnter();
    QCoreApplication::processEvents();
    QVERIFY(s->canRedo());

    // the protocol's file comes back with a restart, and goes with the undone load
    const QString journal = fixture.folder.filePath(QStringLiteral("journal/Wettkampf-Journal.sqlite"));
    QVERIFY(QFile::copy(journal, fixture.folder.filePath(QStringLiteral("kept.sqlite"))));
    QFile::copy(journal + QStringLiteral("-wal"), fixture.folder.filePath(QStringLiteral("kept.sqlite-wal")));
    fixture.endSession();
    QVERIFY(QFile::remove(journal) &&
            QFile::rename(fixture.folder.filePath(QStringLiteral("kept.sqlite")), journal));
    QFile::remove(journal + QStringLiteral("-wal"));
    QFile::rename(fixture.folder.filePath(QStringLiteral("kept.sqlite-wal")),
                  journal + QStringLiteral("-wal"));
    fixture.recoveryQuestion = &yes;
    s = &fixture.newSession();
    QCOMPARE(s->files().currentFile(), QStringLiteral(BRV_EXAMPLE_WORKBOOK));
    while (s->canUndo())
        s->undo();
    QCOMPARE(s->files().currentFile(), QString());
}

void TestJournal::readOnlyFolderKeepsTheJournal_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("restored") << true;
    QTest::newRow("not restored") << false;
}

// An unfinished journal in a folder that cannot be written: "Ja" brings the competition back,
// "Nein" starts empty; neither touches the file, and the message says why there is no journal.
void TestJournal::readOnlyFolderKeepsTheJournal()
{
    QFETCH(bool, yes);
    test::SessionFixture fixture;
    test::FixedAnswer answer(yes);
    fixture.recoveryQuestion = &answer;
    const QString path = fixture.folder.filePath(QStringLiteral("journal/Wettkampf-Journal.sqlite"));
    Competition crashed;
    playDay(crashed, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    test::ReadOnlyFolder readOnly(QFileInfo(path).path());
    if (!readOnly.held())
        QSKIP("no folder can be made read-only here");
    AppSession& s = fixture.newSession();
    QVERIFY(!s.journal());
    QCOMPARE(s.competition().grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Lane1Zeit, 3),
             yes ? QStringLiteral("45,67") : QString());
    QVERIFY2(s.statusMessage().contains(QStringLiteral("schreibgeschützt")) &&
                 s.statusMessage().contains(yes ? QStringLiteral("wiederhergestellt")
                                                : QStringLiteral("unverändert")),
             qPrintable(s.statusMessage()));
    QVERIFY(file.seek(0));
    QCOMPARE(file.readAll(), bytes);
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
// Whoever listens to the tables hears of a change when the journal file holds it already, also
// a listener connected before the journal was opened.
void TestJournal::listenersHearOfDurableChanges()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.sqlite"));
    Competition c;
    QStringList heard;
    connect(&c.tables(), &ProtocolTables::rowsChanged, this, [&](CompetitionRound round) {
        if (round != CompetitionRound::Vorrunde)
            return;
        const auto snapshot = CompetitionJournal::read(path);
        heard << (snapshot ? snapshot->tables[0]->cell(VorrundeColumn::Mannschaft, 1) : QStringLiteral("-"));
    });
    CompetitionJournal journal;
    QVERIFY2(journal.open(path, c), qPrintable(journal.errorString()));
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Süd"));
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF Nord"));
    QCOMPARE(heard.join('|'), QStringLiteral("FF Süd|FF Nord"));
}

#include "tst_journal.moc"
