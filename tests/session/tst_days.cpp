// Whole competition days played at random through the session, as operators play them: heats by
// the clock and by typing, "Aus" and "Dis", deletions, corrections after later rounds ran, pages
// in any order, undo and redo, a restart after a crash. After every step the results must hold
// together. A day that breaks a rule names its seed, which is kept in regression-days.txt and
// played first from then on.
#include "competition/CompetitionFixture.h"
#include "session/SessionFixture.h"

#include "competition/Knockout.h"
#include "journal/CompetitionJournal.h"
#include "settings/SettingsStore.h"
#include "timing/RaceClock.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace brv;

namespace {

const QString kRegressionDays = QStringLiteral(BRV_TEST_SOURCE_DIR "/regression-days.txt");

// Says "Ja" seven times in ten and notes whether it did.
struct RandomAnswer final : YesNoQuestion
{
    QRandomGenerator* random = nullptr;
    bool saidYes = false;
    bool ask(const QString&) override
    {
        const bool yes = random->bounded(10) < 7;
        saidYes = saidYes || yes;
        return yes;
    }
};

bool hasTeam(const ResultGrid& k, int row)
{
    return !k.cell(KnockoutColumn::Nr, row).isEmpty() || !k.cell(KnockoutColumn::Mannschaft, row).isEmpty();
}

// A recorded run of a team ("round|team|lane"), or nothing.
QString runKey(const Competition& c, CompetitionRound round, int row, int lane)
{
    const ResultGrid& g = c.grid(round);
    const bool vorrunde = round == CompetitionRound::Vorrunde;
    const int zeit = vorrunde ? columnIndex(laneTimeColumn(lane)) : columnIndex(KnockoutColumn::Zeit);
    if ((!vorrunde && !hasTeam(g, row)) || (g.cell(zeit, row).isEmpty() && g.cell(zeit + 2, row).isEmpty()))
        return {};
    return QStringLiteral("%1|%2|%3").arg(roundIndex(round)).arg(g.cell(vorrunde ? 1 : 2, row)).arg(lane);
}

QSet<QString> recordedRuns(const Competition& c)
{
    QSet<QString> runs;
    for (CompetitionRound round : kAllRounds) {
        for (int r = 1; r < c.grid(round).rowCount() && round != CompetitionRound::GesamtErgebnis; ++r) {
            for (int lane = 1; lane <= (round == CompetitionRound::Vorrunde ? 3 : 1); ++lane)
                runs << runKey(c, round, r, lane);
        }
    }
    runs.remove(QString());
    return runs;
}

// The outcomes a heat's rows must show, decided from its runs alone.
QString outcomes(const Competition& c, const ResultGrid& k, int heat, bool finale)
{
    const int a = 2 * heat - 1;
    auto result = [&](int r) {
        return c.numberFormat().numberOr(k.cell(KnockoutColumn::Gesamt, r), kNoResult);
    };
    const bool run[] = {!k.cell(KnockoutColumn::Gesamt, a).isEmpty(),
                        !k.cell(KnockoutColumn::Gesamt, a + 1).isEmpty()};
    int winner = 0;
    if (hasTeam(k, a) != hasTeam(k, a + 1))
        winner = hasTeam(k, a) ? (run[0] ? a : 0) : (run[1] ? a + 1 : 0);
    else if (hasTeam(k, a) && run[0] && run[1] && result(a) > 0 && result(a + 1) > 0)
        winner = result(a) < result(a + 1) ? a : a + 1;
    QStringList marks;
    for (int r : {a, a + 1}) {
        const int better = heat == 1 ? 3 : 1;
        marks << (!winner || !hasTeam(k, r) ? QString()
                  : finale                  ? QString::number(r == winner ? better : better + 1)
                                            : QString(r == winner ? "+" : "-"));
    }
    return marks.join('|');
}

// What must hold after every step; empty when it does.
QString brokenRule(const Competition& c)
{
    const ResultGrid& o = c.grid(CompetitionRound::GesamtErgebnis);
    QStringList teams = test::column(c.grid(CompetitionRound::Vorrunde), VorrundeColumn::Mannschaft);
    QStringList listed = test::column(o, OverallColumn::Mannschaft);
    teams.sort();
    listed.sort();
    if (teams != listed)
        return QStringLiteral("the overall table lists %1").arg(listed.join(','));
    int place = 0;
    for (int r = 1; r < o.rowCount(); ++r) {
        if (!o.cell(OverallColumn::Place, r).isEmpty() &&
            o.cell(OverallColumn::Place, r) != QString::number(++place))
            return QStringLiteral("overall row %1 has place %2").arg(r).arg(o.cell(OverallColumn::Place, r));
    }
    const ResultGrid& f = c.grid(CompetitionRound::Finale);
    for (int r : {3, 4}) {
        if (f.cell(KnockoutColumn::Outcome, r) == "1" &&
            (o.rowCells(1).mid(0, 2) != QStringList{"1", f.cell(KnockoutColumn::Mannschaft, r)}))
            return QStringLiteral("the Finale's winner has no gold");
    }
    for (CompetitionRound round : knockoutRoundsInPlay(c.options())) {
        const ResultGrid& k = c.grid(round);
        const bool finale = round == CompetitionRound::Finale;
        for (int heat = 1; heat <= roundTeamCount(round) / 2; ++heat) {
            const int a = 2 * heat - 1;
            const QString shown =
                k.cell(KnockoutColumn::Outcome, a) + '|' + k.cell(KnockoutColumn::Outcome, a + 1);
            if (shown != outcomes(c, k, heat, finale))
                return QStringLiteral("%1, heat %2 shows %3").arg(roundCaption(round)).arg(heat).arg(shown);
            if (finale || !hasTeam(k, a) || !hasTeam(k, a + 1))
                continue;
            // only one team of a heat goes on; the Halbfinale's two do not meet again
            const CompetitionRound next = roundAt(roundIndex(round) + 1);
            const int ra =
                c.grid(next).findRow(KnockoutColumn::Mannschaft, k.cell(KnockoutColumn::Mannschaft, a));
            const int rb =
                c.grid(next).findRow(KnockoutColumn::Mannschaft, k.cell(KnockoutColumn::Mannschaft, a + 1));
            if (ra > 0 && rb > 0 && (next != CompetitionRound::Finale || (ra + 1) / 2 == (rb + 1) / 2))
                return QStringLiteral("both teams of %1 heat %2 go on").arg(roundCaption(round)).arg(heat);
        }
    }
    return {};
}

// The tables, the page and where the lanes stand.
QString tablesText(const Competition& c)
{
    QString text = QString::number(roundIndex(c.currentRound()));
    for (int lane = 1; lane <= 3; ++lane)
        text += c.laneTeam(lane) + (c.lanes().inUse(lane) ? "|on|" : "|off|");
    for (CompetitionRound round : kAllRounds) {
        const ResultGrid& g = c.grid(round);
        for (int r = 0; r < g.rowCount(); ++r) {
            for (int col = 0; col < g.columnCount(); ++col) {
                text += g.cell(col, r);
                text += QLatin1Char('|');
            }
            text += QLatin1Char('\n');
        }
    }
    return text;
}

// One day: its settings and teams from the seed, then steps until the Finale is decided.
class Day
{
public:
    explicit Day(quint32 seed) : m_random(seed)
    {
        m_answer.random = &m_random;
        Settings settings;
        settings.pairing = Pairing(pick(0, 1));
        settings.knockoutStart = KnockoutStart(pick(0, 1));
        settings.thirdLaneOn = pick(0, 2) == 0;
        settings.rankingMode = RankingMode(pick(0, 3) == 0);
        saveSettings(*m_fixture.store, settings);
        start();
        noteStart();
        const int teams = pick(0, 3) ? pick(2, 24) : pick(25, 60);
        std::array<std::unique_ptr<ResultGrid>, kRoundCount> loaded;
        loaded[0] = std::make_unique<ResultGrid>(TableId::Vorrunde, kVorrundeColumnCount, teams + 1);
        for (int r = 1; r <= teams; ++r)
            loaded[0]->setRowCells(r, {QString::number(r), QStringLiteral("FF Team %1").arg(r)});
        competition().replaceTables(loaded, {true});
        competition().enterLoadedLanes();
        QCoreApplication::processEvents();
        noteStart();
    }

    // The state where the history stands: before any step, and after the load.
    void noteStart() { m_states[session().journal()->position()] = tablesText(competition()); }

    // Plays the day; the rule it broke, with the step, or nothing. At one step chosen at random
    // every change is undone to the start and redone to the end.
    QString play()
    {
        const int steps = 60 + 6 * competition().grid(CompetitionRound::Vorrunde).dataRowCount();
        const int undoAll = pick(0, steps);
        for (int step = 0; step <= steps; ++step) {
            if (step == undoAll || step == steps) {
                if (const QString broken = undoAndRedoAll(); !broken.isEmpty())
                    return QStringLiteral("step %1: %2").arg(step).arg(broken);
                if (step == steps)
                    break;
            }
            const QSet<QString> runsBefore = recordedRuns(competition());
            m_answer.saidYes = false;
            m_deleted.clear();
            m_actionAt = session().journal()->position();
            const QString action = act();
            QCoreApplication::processEvents();
            QString broken = m_broken.isEmpty() ? brokenRule(competition()) : m_broken;
            if (broken.isEmpty() &&
                session().settings().knockoutStart != competition().options().knockoutStart)
                broken = QStringLiteral("the setting and the competition start at different rounds");
            const bool mayDrop = m_answer.saidYes || action == "undo" || action == "redo";
            for (const QString& run : runsBefore - recordedRuns(competition())) {
                if (broken.isEmpty() && !mayDrop && run != m_deleted)
                    broken = QStringLiteral("the run %1 is gone").arg(run);
            }
            if (!broken.isEmpty())
                return QStringLiteral("step %1 (%2): %3").arg(step).arg(action, broken);
            if (!competition().editPending()) // a step that waits for its commit is not done yet
                m_states[session().journal()->position()] = tablesText(competition());
            if (competition().currentRound() == CompetitionRound::GesamtErgebnis &&
                !competition().grid(CompetitionRound::Finale).cell(KnockoutColumn::Outcome, 3).isEmpty())
                return undoAndRedoAll();
        }
        return {};
    }

    // Every step undone gives the state the day had at its start, every step redone its end.
    QString undoAndRedoAll()
    {
        RaceClock& clock = session().clock();
        for (int lane = 1; lane <= 3; ++lane) {
            if (clock.controls().lane(lane).armed) {
                m_fixture.ticks.advance(5000);
                clock.stopCommand(lane).trigger();
            }
        }
        clock.command(ClockCommand::Reset).trigger();
        if (competition().editPending())
            competition().commitCellEdit();
        QCoreApplication::processEvents();
        CompetitionJournal& journal = *session().journal();
        m_states[journal.position()] = tablesText(competition());
        auto redoAll = [&] {
            while (session().redo()) {
                if (tablesText(competition()) != m_states.value(journal.position()))
                    return QStringLiteral("redo to step %1 gives another state").arg(journal.position());
            }
            return QString();
        };
        if (const QString broken = redoAll(); !broken.isEmpty())
            return broken;
        const qint64 end = journal.position();
        while (session().undo()) {
            if (tablesText(competition()) != m_states.value(journal.position()))
                return QStringLiteral("undo to step %1 gives another state").arg(journal.position());
        }
        if (const QString broken = redoAll(); !broken.isEmpty())
            return broken;
        return journal.position() == end ? QString() : QStringLiteral("redo does not reach the end");
    }

private:
    int pick(int low, int high) { return int(m_random.bounded(low, high + 1)); }
    AppSession& session() { return *m_fixture.session; }
    Competition& competition() { return session().competition(); }
    QString journal(int start) const
    {
        return m_journals.filePath(QStringLiteral("%1/Wettkampf-Journal.sqlite").arg(start));
    }

    void start()
    {
        AppEnvironment env = m_fixture.environment();
        env.journalPath = journal(m_restarts);
        test::FixedAnswer yes(true);
        env.recoveryQuestion = &yes;
        m_fixture.session = std::make_unique<AppSession>(env);
        m_fixture.session->start();
        if (yes.lastQuestion.isEmpty() != (m_restarts == 0))
            m_broken = QStringLiteral("a restart after a crash asks nothing");
        competition().setYesNoQuestion(&m_answer);
        // the state where an action begins is the end of the step before it (a RESET that a
        // page change runs first moves the lanes of that step)
        QObject::connect(&competition(), &Competition::actionStarted, &competition(), [this] {
            const qint64 position = session().journal()->position();
            if (position == m_actionAt && !competition().editPending()) {
                m_states[position] = tablesText(competition());
                m_actionAt = -1; // once: later ones may come amid the action's changes
            }
        });
    }

    // The program dies: its journal as it is on the disk is all the next start finds.
    QString restart()
    {
        const QString before = tablesText(competition());
        QDir().mkpath(QFileInfo(journal(m_restarts + 1)).path());
        for (const QString& suffix : {QString(), QStringLiteral("-wal")})
            QFile::copy(journal(m_restarts) + suffix, journal(m_restarts + 1) + suffix);
        m_fixture.endSession();
        ++m_restarts;
        start();
        if (tablesText(competition()) != before)
            m_broken = QStringLiteral("the restart did not bring the tables back");
        return QStringLiteral("restart");
    }

    // A Zeit cell of the current page: a lane's in the Vorrunde, the round's run otherwise.
    int zeitColumn(int lane)
    {
        return competition().currentRound() == CompetitionRound::Vorrunde ? columnIndex(laneTimeColumn(lane))
                                                                          : columnIndex(KnockoutColumn::Zeit);
    }

    void type(int col, int row, const QString& text)
    {
        competition().selectCell(col, row);
        competition().setEditText(text);
        competition().editEnter();
    }

    // What the day asks for next: a heat on the lanes' teams (by the clock, or typed from a
    // stopwatch and the next teams put on the lanes by hand), or the next page.
    QString nextStep()
    {
        Competition& c = competition();
        RaceClock& clock = session().clock();
        for (int lane = 1; lane <= 3; ++lane) {
            if (clock.controls().lane(lane).armed) {
                m_fixture.ticks.advance(quint32(pick(1000, 60000)));
                clock.stopCommand(lane).trigger();
                return QStringLiteral("stop %1").arg(lane);
            }
        }
        if (clock.runState() == RunState::Finished) {
            clock.command(ClockCommand::Reset).trigger();
            return QStringLiteral("RESET");
        }
        bool teams = false;
        for (int lane = 1; lane <= 3; ++lane)
            teams = teams || (c.laneActive(lane) && !c.laneTeam(lane).trimmed().isEmpty());
        if (teams && pick(0, 3)) {
            clock.command(ClockCommand::Start).trigger();
            return QStringLiteral("START");
        }
        if (teams) {
            for (int lane = 1; lane <= 3; ++lane) {
                if (c.laneActive(lane) && c.lanes().selector(lane).index >= 0)
                    type(zeitColumn(lane), c.lanes().selector(lane).index + 1,
                         test::hundredths(pick(2000, 9000)));
            }
            const std::array<int, 3> next = LaneAssignment::firstRowsWithoutResult(
                c.currentGrid(), {c.laneActive(1), c.laneActive(2), c.laneActive(3)});
            for (int lane = 1; lane <= 3; ++lane) {
                c.selectCell(0, next[lane - 1]);
                next[lane - 1] > 0 ? session().assignRowToLane(lane) : c.lanes().select(lane, -1);
            }
            return QStringLiteral("typed heat");
        }
        int page = roundIndex(c.currentRound()) + 1;
        page += page < kRoundCount && !c.isPageVisible(roundAt(page));
        session().changePage(roundAt(std::min(page, kRoundCount - 1)));
        return QStringLiteral("on to page %1").arg(page);
    }

    QString act()
    {
        if (pick(0, 9) < 7)
            return nextStep();
        Competition& c = competition();
        const int row = pick(1, c.currentGrid().dataRowCount());
        const int lane = pick(1, c.lanesShown());
        switch (pick(0, 12)) {
        case 0:
            type(zeitColumn(lane), row, test::hundredths(pick(2000, 9000)));
            return QStringLiteral("typed Zeit %1/%2").arg(lane).arg(row);
        case 1:
            type(zeitColumn(lane) + 1, row, QString::number(pick(0, 20)));
            return QStringLiteral("typed Fehler %1/%2").arg(lane).arg(row);
        case 2:
            c.selectCell(zeitColumn(lane), row);
            m_deleted =
                runKey(c, c.currentRound(), row, c.currentRound() == CompetitionRound::Vorrunde ? lane : 1);
            c.clearCurrentCell();
            return QStringLiteral("deleted %1/%2").arg(lane).arg(row);
        case 3:
            c.selectCell(zeitColumn(lane), row);
            pick(0, 1) ? c.markVoid() : c.markDisqualified();
            return QStringLiteral("Aus or Dis %1/%2").arg(lane).arg(row);
        case 4:
        case 5:
        case 6: {
            const int page = pick(0, kRoundCount - 1);
            session().changePage(roundAt(c.isPageVisible(roundAt(page)) ? page : 0));
            return QStringLiteral("page %1").arg(page);
        }
        case 7:
            session().undo();
            return QStringLiteral("undo");
        case 8:
            session().redo();
            return QStringLiteral("redo");
        case 9:
            pick(0, 5) ? c.fillWithRandomResults() : session().fillAllPages();
            return QStringLiteral("fill");
        case 10:
            pick(0, 3) ? c.recalculateRound() : c.clearResults();
            return QStringLiteral("Neu auswerten or clear");
        case 11:
            c.selectCell(0, row);
            session().assignRowToLane(lane);
            return QStringLiteral("row %1 onto lane %2").arg(row).arg(lane);
        default:
            return pick(0, 4) ? QStringLiteral("nothing") : restart();
        }
    }

    QRandomGenerator m_random;
    RandomAnswer m_answer;
    // the journals in memory where there is some: the days test what is written, not the disk
    QTemporaryDir m_journals{QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/brv-days-XXXXXX")
                                 : QDir::tempPath() + "/brv-days-XXXXXX"};
    test::SessionFixture m_fixture;
    int m_restarts = 0;
    QHash<qint64, QString> m_states; // the latest state at each position of the history
    qint64 m_actionAt = -1;          // the position where the action under way began
    QString m_deleted;
    QString m_broken;
};

} // namespace

class TestDays final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void days_data();
    void days();
};

void TestDays::days_data()
{
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("count");
    QFile kept(kRegressionDays);
    if (kept.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QByteArray& line : kept.readAll().split('\n')) {
            if (!line.trimmed().isEmpty() && !line.startsWith('#'))
                QTest::addRow("kept day %s", line.trimmed().constData()) << line.trimmed().toUInt() << 1u;
        }
    }
    // BRV_DAYS plays more (or fewer) days than the 500 of every run
    const auto days =
        quint32(qEnvironmentVariableIsSet("BRV_DAYS") ? qEnvironmentVariableIntValue("BRV_DAYS") : 500);
    for (quint32 first = 1; first <= days; first += 50)
        QTest::addRow("days %u to %u", first, first + 49) << first << std::min(50u, days + 1 - first);
}

void TestDays::days()
{
    QFETCH(quint32, first);
    QFETCH(quint32, count);
    for (quint32 seed = first; seed < first + count; ++seed) {
        const QString broken = Day(seed).play();
        if (broken.isEmpty())
            continue;
        QFile kept(kRegressionDays);
        if (kept.open(QIODevice::Append | QIODevice::Text))
            kept.write(QByteArray::number(seed) + '\n');
        QFAIL(qPrintable(QStringLiteral("day %1, %2").arg(seed).arg(broken)));
    }
}

QTEST_GUILESS_MAIN(TestDays)
#include "tst_days.moc"
