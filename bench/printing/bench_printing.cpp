// Renders the protocol printout of a 1000-team Vorrunde into the pages the preview shows (A4
// portrait); prints the pages and the table's font size, then the median time in milliseconds
// as render_protocol_1000_ms last.
// Run from the build folder: ./bench/printing/bench_printing [runs]

#include "competition/Competition.h"
#include "printing/PrintDocument.h"
#include "printing/ProtocolPrintout.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace brv;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 11;

    Competition competition;
    std::optional<ProtocolTables::ChangeBatch> batch(std::in_place, competition.tables()); // as a load fills
    ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    vorrunde.setRowCount(1001);
    for (int i = 1; i <= 1000; ++i) {
        const QString time =
            QStringLiteral("%1,%2").arg(20 + i % 7).arg(i % 10 * 10, 2, 10, QLatin1Char('0'));
        vorrunde.setRowCells(i, {QString::number(i), QStringLiteral("FF Dorf %1").arg(i), i % 2 ? "A" : "B",
                                 time, "0", time, "21,05", "5", "26,05", i % 3 ? "19,99" : "AUS", "0",
                                 "19,99", QStringLiteral("%1,00").arg(40 + i % 50), QString::number(i)});
    }

    batch.reset();

    std::vector<double> times;
    int pages = 0;
    int size = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        PrintDocument document;
        size = renderProtocol(document, protocolPrintoutContent(competition, CompetitionRound::Vorrunde,
                                                                QStringLiteral("Kreisausscheid"),
                                                                QStringLiteral("Protokoll"),
                                                                QStringLiteral("13.06.26")));
        times.push_back(timer.nsecsElapsed() / 1e6);
        pages = document.pageCount();
    }
    std::sort(times.begin(), times.end());
    std::printf("pages=%d\nfont_size=%d\n", pages, size);
    std::printf("render_protocol_1000_ms=%.1f\n", times[times.size() / 2]);
    return 0;
}
