// Crash days: a scripted competition day runs through AppSession with its journal, and is killed
// with SIGKILL at random moments, 50 times. After each kill the journal is read back and compared
// with the same script replayed without a journal, starting from what the run before the kill
// restored, up to the last step the day reported as done, or any state on the way through the
// one after it, which may have been in flight. The next run starts the session again, answers
// "Ja" to the recovery question and goes on from there. Set CRASH_DAYS_DIFF to see where a
// journal differs.
//
// At 10 of the kills a second program is started on the same journal while the day runs: it must
// end at once without touching the journal (second_instance_losses counts those that did not).
//
// The day: 20 teams entered, the Vorrunde's times, corrections, "Aus" and "Dis", every knockout
// round built and run, then corrections on any page. Prints kills=, second_instance_losses=,
// lost_changes= last.
// Run from the build folder: ./bench/journal/crash_days [kills]
#include "competition/Competition.h"
#include "journal/CompetitionJournal.h"
#include "session/AppSession.h"
#include "settings/JsonSettingsBackend.h"
#include "support/TestSerialBackend.h"
#include "timing/TickSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace brv;

namespace {

QString hundredths(int h)
{
    return QStringLiteral("%1,%2").arg(h / 100).arg(h % 100, 2, 10, QLatin1Char('0'));
}

// One operator's action of the day; the same step always does the same.
void applyStep(Competition& c, int step)
{
    std::mt19937 random(quint32(step) * 7919u + 17u);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    if (step < 20) { // the teams
        v.raiseRowCount(step + 2);
        v.setRowCells(step + 1, {QString::number(step + 1), QStringLiteral("FF Wehr %1").arg(step + 1), "A"});
        return;
    }
    if (step < 60) { // two runs each
        const int i = step - 20;
        v.setCell(laneTimeColumn(i % 2 + 1), i / 2 + 1, hundredths(3000 + pick(0, 900)));
        if (i % 5 == 4)
            c.recalculateRound();
        return;
    }
    if (step < 80) { // corrections, a void run, a disqualification
        const int row = pick(1, 20);
        if (step % 7 == 0) {
            c.selectCell(columnIndex(laneTimeColumn(1)), row);
            c.markVoid();
        } else if (step % 11 == 0) {
            c.selectCell(0, row);
            c.markDisqualified();
        } else {
            c.selectCell(columnIndex(lanePenaltyColumn(pick(1, 2))), row);
            c.setEditText(QString::number(pick(0, 10)));
            c.editEnter();
        }
        return;
    }
    const int k = step - 80;
    if (k < 100) { // the knockout rounds and the overall table, 20 steps each
        const CompetitionRound round = roundAt(k / 20 + 1);
        if (k % 20 == 0) {
            c.changePage(round);
        } else if (k % 20 == 19) {
            c.recalculateRound();
        } else if (round != CompetitionRound::GesamtErgebnis && k % 20 < c.currentGrid().rowCount()) {
            const QString time = hundredths(2800 + pick(0, 900));
            c.currentGrid().setCell(KnockoutColumn::Zeit, k % 20, time);
            c.currentGrid().setCell(KnockoutColumn::Gesamt, k % 20, time);
        }
        return;
    }
    // the rest of the day: corrections wherever the operator looks
    if (pick(0, 9) == 0) {
        c.changePage(roundAt(pick(0, 4)));
        return;
    }
    ResultGrid& g = c.currentGrid();
    if (g.rowCount() < 2 || c.currentRound() == CompetitionRound::GesamtErgebnis)
        return;
    const int row = pick(1, g.rowCount() - 1);
    if (c.currentRound() == CompetitionRound::Vorrunde)
        c.selectCell(columnIndex(lanePenaltyColumn(pick(1, 2))), row);
    else
        c.selectCell(columnIndex(KnockoutColumn::Fehler), row);
    c.setEditText(QString::number(pick(0, 10)));
    c.editEnter();
    if (pick(0, 4) == 0)
        c.recalculateRound();
}

// The tables and the page, as a text to compare.
QString state(const Competition& c)
{
    QStringList lines{QString::number(roundIndex(c.currentRound()))};
    for (CompetitionRound round : kAllRounds) {
        const ResultGrid& g = c.grid(round);
        for (int r = 0; r < g.rowCount(); ++r)
            lines << QString::number(roundIndex(round)) + ':' + g.rowCells(r).join('|');
    }
    return lines.join('\n');
}

struct Yes final : YesNoQuestion
{
    bool ask(const QString&) override { return true; }
};

// The day as the program runs it, from step `from` on, each finished step reported on stdout.
int runDay(const QString& folder, int from)
{
    ManualTickSource ticks(100000);
    Yes yes;
    AppEnvironment env;
    env.programFilePath = QDir(folder).filePath(QStringLiteral("Brenvolutaris"));
    env.settingsStore = std::make_shared<JsonSettingsBackend>(folder, QStringLiteral("Brenvolutaris"));
    env.ticks = &ticks;
    env.searchPorts = [] { return quint64(0); };
    env.serialBackend = [] { return std::make_shared<TestSerialBackend>(); };
    env.moveMouse = false;
    env.journalPath = QDir(folder).filePath(QStringLiteral("journal.sqlite"));
    env.recoveryQuestion = &yes;
    AppSession session(env);
    if (!session.start())
        return 3; // another program holds the journal

    for (int step = from;; ++step) {
        applyStep(session.competition(), step);
        QCoreApplication::processEvents(); // the step ends as the operator's action does
        std::printf("%d\n", step + 1);
        std::fflush(stdout);
        QThread::msleep(2); // the operator's pace
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--day"))
        return runDay(args.value(2), args.value(3).toInt());

    const int kills = args.size() > 1 ? std::max(1, args[1].toInt()) : 50;
    QTemporaryDir folder;
    const QString journal = folder.filePath(QStringLiteral("journal.sqlite"));
    std::mt19937 random(20261207);
    int done = 0; // steps the journal holds
    int lost = 0;
    int secondLosses = 0;
    std::vector<int> secondStarts(std::size_t(kills), 0);
    for (int i = 0; i < std::min(10, kills); ++i)
        secondStarts[std::size_t(i)] = 1;
    std::shuffle(secondStarts.begin(), secondStarts.end(), random);
    std::optional<JournalSnapshot> restart; // what the next run restores, as the program does
    // A competition as the session starts it, with what the journal held put back.
    const auto started = [](Competition& c, const std::optional<JournalSnapshot>& snapshot) {
        c.writeCaptions();
        c.enterRound(CompetitionRound::Vorrunde);
        if (snapshot)
            CompetitionJournal::restore(*snapshot, c);
    };
    for (int kill = 1; kill <= kills; ++kill) {
        QProcess day;
        day.start(app.applicationFilePath(), {QStringLiteral("--day"), folder.path(), QString::number(done)});
        if (!day.waitForStarted()) {
            std::fprintf(stderr, "the day does not start\n");
            return 1;
        }
        const int running = std::uniform_int_distribution<int>(60, 400)(random);
        if (secondStarts[std::size_t(kill - 1)]) {
            QThread::msleep(quint32(running / 2));
            QProcess second;
            second.start(app.applicationFilePath(),
                         {QStringLiteral("--day"), folder.path(), QString::number(done)});
            if (!second.waitForFinished(20000) || second.exitCode() != 3) {
                ++secondLosses;
                second.kill();
                second.waitForFinished();
                std::fprintf(stderr, "kill %d: a second program did not end at once\n", kill);
            }
        }
        QThread::msleep(quint32(running / 2 + 1));
        day.kill(); // SIGKILL
        day.waitForFinished();
        const QList<QByteArray> reported = day.readAllStandardOutput().trimmed().split('\n');
        const int reportedDone = reported.last().isEmpty() ? done : reported.last().toInt();

        // What the journal holds, against the last run's start replayed up to the last step it
        // reported done, or any state of the one after it, which may have been in flight. A cell being typed
        // in at the kill is in the table, but its edit is not: the next run starts without one, and so does
        // the replay.
        std::optional<JournalSnapshot> now = CompetitionJournal::read(journal);
        Competition restored(NumberFormat::fromLocale(QLocale()));
        started(restored, now);
        Competition replay(NumberFormat::fromLocale(QLocale()));
        started(replay, restart);
        for (int step = done; step < reportedDone; ++step)
            applyStep(replay, step);
        const QString got = state(restored);
        if (got == state(replay)) {
            done = reportedDone;
        } else {
            // the step in flight, each state it shows on the way (each one journal transaction)
            bool seen = false;
            const auto look = [&] { seen = seen || got == state(replay); };
            QObject watch;
            QObject::connect(&replay.tables(), &ProtocolTables::rowsChanged, &watch, look);
            QObject::connect(&replay.tables(), &ProtocolTables::tableChanged, &watch, look);
            QObject::connect(&replay.tables(), &ProtocolTables::captionsChanged, &watch, look);
            QObject::connect(&replay, &Competition::pageChanged, &watch, look);
            applyStep(replay, reportedDone);
            look();
            done = reportedDone + 1;
            if (!seen) {
                ++lost;
                std::fprintf(stderr, "kill %d: the journal differs from step %d\n", kill, reportedDone);
                if (qEnvironmentVariableIsSet("CRASH_DAYS_DIFF")) {
                    const QStringList a = got.split('\n'), b = state(replay).split('\n');
                    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
                        if (a.value(i) != b.value(i))
                            std::fprintf(stderr, "  journal: %s\n  replay:  %s\n", qPrintable(a.value(i)),
                                         qPrintable(b.value(i)));
                    }
                }
            }
        }
        restart = std::move(now);
        std::printf("kill=%d steps=%d\n", kill, done);
    }
    std::printf("kills=%d\nsecond_instance_losses=%d\nlost_changes=%d\n", kills, secondLosses, lost);
    return 0;
}
