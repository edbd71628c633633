#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "files/ReadOnlyFolder.h"
#include "protocol/ProtocolTestData.h"

#include "session/SessionFixture.h"

#include "competition/PublicBestResult.h"
#include "files/AtomicFile.h"
#include "journal/CompetitionJournal.h"
#include "timing/RaceClock.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <optional>

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
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, 3, "45,67");
    c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane2Gesamt, 5, "45,67");
    c.grid(CompetitionRound::Finale).setRowCount(7);
    c.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Gesamt, 6, "Aus");
    c.lanes().enterPage(c.grid(CompetitionRound::Vorrunde), {true, true, false});
    c.lanes().select(2, 17);
    c.enterRound(CompetitionRound::Halbfinale);
}

// The six tables and the lanes as one text.
QString state(const Competition& c)
{
    QString text;
    for (CompetitionRound round : kAllRounds)
        for (int r = 0; r < c.grid(round).rowCount(); ++r)
            text += QString::number(roundIndex(round)) + ':' + c.grid(round).rowCells(r).join('|') + '\n';
    for (int lane = 1; lane <= 3; ++lane)
        text += QStringLiteral("%1 of %2\n")
                    .arg(c.lanes().selector(lane).index)
                    .arg(c.lanes().selector(lane).count);
    return text;
}

} // namespace

class TestJournal final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresTablesPageAndLanes()
    {
        QTemporaryDir dir;
        Competition before;
        playDay(before, dir.filePath("j.sqlite"));
        const auto snapshot = CompetitionJournal::read(dir.filePath("j.sqlite"));
        QVERIFY(snapshot);
        Competition after;
        const PublicBestResult shown(after);
        CompetitionJournal::restore(*snapshot, after);
        QCOMPARE(state(after), state(before));
        // the best result is taken from the restored tables
        QVERIFY(after.currentRound() == CompetitionRound::Halbfinale && shown.value()->milliseconds == 45670);
    }

    // A change that finds the disk full is announced with the German write error and drops the
    // undo history, and the journal file, read as after a crash, still holds the change before
    // it. The next change writes everything anew, the one after it is a step again; an undo that
    // finds the disk full is announced too.
    void fullDiskKeepsTheLastChange()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("j.sqlite");
        Competition c;
        CompetitionJournal journal;
        QVERIFY2(journal.open(path, c), qPrintable(journal.errorString()));
        QSignalSpy failed(&journal, &CompetitionJournal::writeFailed);
        QSignalSpy recovered(&journal, &CompetitionJournal::writeRecovered); // the message goes
        ResultGrid& grid = c.grid(CompetitionRound::Vorrunde);
        grid.setCell(VorrundeColumn::Mannschaft, 1, "FF Süd");
        {
            test::FileSizeLimit limit(16);
            grid.setCell(VorrundeColumn::Mannschaft, 1, "FF Nord");
        }
        QVERIFY(!journal.canUndo() && failed.size() == 1);
        const QString head = writeErrorMessage(path, "Das Journal lässt sich nicht schreiben (");
        QCOMPARE(failed.at(0).at(0).toString().left(head.size()), head);
        QCOMPARE(journal.errorString(), failed.at(0).at(0).toString());
        const auto snapshot = CompetitionJournal::read(path);
        QVERIFY(snapshot && snapshot->tables[0]->cell(VorrundeColumn::Mannschaft, 1) == "FF Süd");
        QVERIFY(recovered.isEmpty());
        grid.setCell(VorrundeColumn::Mannschaft, 1, "FF Ost");
        QCOMPARE(recovered.size(), 1);
        QCoreApplication::processEvents();
        grid.setCell(VorrundeColumn::Mannschaft, 1, "FF West");
        test::FileSizeLimit limit(16);
        QVERIFY(journal.canUndo() && !journal.undo());
        QCOMPARE(failed.value(1).value(0).toString().left(head.size()), head);
    }

    void recoveryAfterUncleanEnd_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("readOnly"); // the journal's folder cannot be written
        QTest::newRow("Ja restores") << true << false;
        QTest::newRow("Nein keeps the file aside") << false << false;
        QTest::newRow("read-only folder, restored") << true << true;
        QTest::newRow("read-only folder, not restored") << false << true;
    }

    // An unfinished journal: "Ja" brings the competition back, "Nein" starts empty and keeps the
    // file aside. In a folder that cannot be written neither touches the file, and the message
    // says why there is no journal.
    void recoveryAfterUncleanEnd()
    {
        QFETCH(bool, yes);
        QFETCH(bool, readOnly);
        test::SessionFixture fixture;
        test::FixedAnswer answer(yes);
        fixture.recoveryQuestion = &answer;
        const QString path = fixture.folder.filePath("journal/Wettkampf-Journal.sqlite");
        Competition crashed;
        playDay(crashed, path);
        const QByteArray bytes = test::readFile(path);
        std::optional<test::ReadOnlyFolder> locked;
        if (readOnly && !locked.emplace(QFileInfo(path).path()).held())
            QSKIP("no folder can be made read-only here");

        AppSession& s = fixture.newSession();
        QCOMPARE(answer.lastQuestion, "Der letzte Wettkampf wurde nicht beendet. Wiederherstellen?");
        QCOMPARE(s.competition().grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Lane1Zeit, 3),
                 yes ? "45,67" : "");
        if (readOnly) {
            QVERIFY2(!s.journal() && s.statusMessage().contains("schreibgeschützt") &&
                         s.statusMessage().contains(yes ? "wiederhergestellt" : "unverändert"),
                     qPrintable(s.statusMessage()));
            QCOMPARE(test::readFile(path), bytes);
            return;
        }
        QCOMPARE(s.competition().currentRound(),
                 yes ? CompetitionRound::Halbfinale : CompetitionRound::Vorrunde);
        const QDir folder(QFileInfo(path).path());
        const QStringList keptAside{"Wettkampf-Journal-20*-*-*_*-*-*.sqlite"};
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
    // typed during a heat and committed by its end, redo after an action that changed nothing,
    // and the protocol's file after a restart and an undone load.
    void undoAndRedoGiveStatesBack()
    {
        test::SessionFixture fixture;
        AppSession* s = &fixture.newSession();
        Competition* c = &s->competition();
        test::FixedAnswer yes(true);
        c->setYesNoQuestion(&yes);
        QVERIFY(s->loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        QCoreApplication::processEvents();
        // a heat on lanes 1 and 2; the events of each stop handled at once, or only after RESET
        const auto heat = [&](const std::function<void()>& meanwhile, bool eachStop) {
            QVERIFY(s->clock().command(ClockCommand::Start).trigger());
            meanwhile();
            for (ClockCommand command : {ClockCommand::Stop1, ClockCommand::Stop2, ClockCommand::Reset}) {
                fixture.ticks.advance(command == ClockCommand::Reset ? 0 : 30000);
                s->clock().command(command).trigger();
                if (eachStop || command == ClockCommand::Reset)
                    QCoreApplication::processEvents();
            }
        };
        auto lanes = [&] { return QStringList{c->laneTeam(1), c->laneTeam(2)}; };
        const QStringList first = lanes();
        heat([] {}, true);
        const QStringList next = lanes();
        QVERIFY(s->undo() && s->undo() && lanes() == first);
        QVERIFY(s->undo() && s->redo() && s->redo() && s->redo() && lanes() == next);

        // a knockout heat with a penalty typed meanwhile: each step keeps Gesamt and the marks whole
        c->fillWithRandomResults();
        c->changePage(CompetitionRound::Achtelfinale);
        heat([] {}, true);
        heat(
            [&] {
                c->selectCell(KnockoutColumn::Fehler, 1);
                c->setEditText("5");
                QCoreApplication::processEvents();
            },
            false);
        const ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
        const NumberFormat& f = c->numberFormat();
        for (int back = 0; back < 3; ++back) {
            QVERIFY(s->undo());
            QCOMPARE(f.numberOr(k.cell(KnockoutColumn::Gesamt, 1), 0),
                     f.numberOr(k.cell(KnockoutColumn::Zeit, 1), 0) +
                         f.numberOr(k.cell(KnockoutColumn::Fehler, 1), 0));
            QCOMPARE(k.cell(KnockoutColumn::Outcome, 1).isEmpty(),
                     k.cell(KnockoutColumn::Gesamt, 2).isEmpty());
        }
        // typed and taken back: no step, and redo stays
        c->selectCell(KnockoutColumn::Fehler, 9);
        c->setEditText("5");
        c->setEditText(QString());
        c->editEnter();
        QCoreApplication::processEvents();
        QVERIFY(s->canRedo());

        // the protocol's file comes back with a restart, and goes with the undone load
        const QString journal = fixture.folder.filePath("journal/Wettkampf-Journal.sqlite");
        const QString kept = fixture.folder.filePath("kept.sqlite");
        const auto copy = [](const QString& from, const QString& to) {
            for (const char* suffix : {"", "-wal"}) {
                QFile::remove(to + suffix);
                QFile::copy(from + suffix, to + suffix);
            }
        };
        copy(journal, kept);
        fixture.endSession();
        copy(kept, journal);
        fixture.recoveryQuestion = &yes;
        s = &fixture.newSession();
        QCOMPARE(s->files().currentFile(), BRV_EXAMPLE_WORKBOOK);
        while (s->canUndo())
            s->undo();
        QCOMPARE(s->files().currentFile(), QString());
    }

    // 101 steps back: a load that puts the lanes on their first teams again, and 100 corrections.
    // An undo while a cell is typed into takes the typing back and ends the edit; the next change
    // drops it from redo.
    void hundredStepsBack()
    {
        test::SessionFixture fixture;
        AppSession& s = fixture.newSession();
        ResultGrid& v = s.competition().grid(CompetitionRound::Vorrunde);
        QVERIFY(s.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        v.setCell(VorrundeColumn::Mannschaft, 1, "FF Neu");
        QCoreApplication::processEvents();
        s.competition().lanes().select(1, 7);
        const QString start = state(s.competition());
        QVERIFY(s.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        QCoreApplication::processEvents();
        s.competition().selectCell(VorrundeColumn::Lane1Fehler, 1);
        s.competition().setEditText("5");
        QCoreApplication::processEvents();
        QVERIFY(s.undo() && s.competition().edit().column() == -1);
        for (int step = 1; step <= 100; ++step) {
            v.setCell(VorrundeColumn::Lane1Zeit, 1, QString::number(step));
            QCoreApplication::processEvents();
        }
        QVERIFY(!s.canRedo());
        for (int step = 0; step < 101; ++step)
            QVERIFY(s.undo());
        QCOMPARE(state(s.competition()), start);
        QCOMPARE(s.statusMessage(), " Rückgängig: Protokoll laden");
    }

    // Whoever listens to the tables hears of a change when the journal file holds it already,
    // also a listener connected before the journal was opened.
    void listenersHearOfDurableChanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("j.sqlite");
        Competition c;
        QStringList heard;
        connect(&c.tables(), &ProtocolTables::rowsChanged, this, [&](CompetitionRound round) {
            const auto snapshot = CompetitionJournal::read(path);
            if (round == CompetitionRound::Vorrunde)
                heard << (snapshot ? snapshot->tables[0]->cell(VorrundeColumn::Mannschaft, 1) : "-");
        });
        CompetitionJournal journal;
        QVERIFY2(journal.open(path, c), qPrintable(journal.errorString()));
        c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, "FF Süd");
        c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, "FF Nord");
        QCOMPARE(heard.join('|'), "FF Süd|FF Nord");
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
