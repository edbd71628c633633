// How long one recorded time takes to be durable in the competition journal: 2000 times written
// into a 20-team Vorrunde, each one a transaction synced to disk before setCell returns and each
// one a step of the undo history (the event loop runs between them). The journal lives in a
// temporary folder under the given folder (default: the current one, so that it is on the disk
// the build is on rather than in a RAM file system). Prints journal_p50_ms and journal_p99_ms.
// Usage: bench_journal [folder] [changes]
#include "competition/Competition.h"
#include "journal/CompetitionJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace brv;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(base + QStringLiteral("/bench-journal-XXXXXX"));
    Competition c(NumberFormat(QLatin1Char(',')));
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(21);
    for (int r = 1; r <= 20; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
    }
    CompetitionJournal journal;
    if (!journal.open(dir.filePath(QStringLiteral("journal.sqlite")), c)) {
        std::fprintf(stderr, "%s\n", qPrintable(journal.errorString()));
        return 1;
    }
    const int changes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    std::vector<double> ms;
    ms.reserve(std::size_t(changes));
    QElapsedTimer timer;
    for (int i = 0; i < changes; ++i) {
        const QString time = QStringLiteral("%1,%2").arg(30 + i % 40).arg(i % 100, 2, 10, QLatin1Char('0'));
        timer.start();
        v.setCell(VorrundeColumn::Lane1Zeit, 1 + i % 20, time);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(); // each time is an action of its own: one undo step
    }
    journal.close();
    std::sort(ms.begin(), ms.end());
    std::printf("journal_p50_ms=%.3f\n", ms[ms.size() / 2]);
    std::printf("journal_p99_ms=%.3f\n", ms[ms.size() * 99 / 100]);
    return 0;
}
