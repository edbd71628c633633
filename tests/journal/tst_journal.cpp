#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "journal/CompetitionJournal.h"

#include <QDir>
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
    c.lanes().enterPage(c.grid(CompetitionRound::Vorrunde));
    c.lanes().select(2, 17);
    c.enterRound(CompetitionRound::Halbfinale);
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

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
