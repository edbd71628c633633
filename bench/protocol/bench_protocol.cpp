// Loads and saves a protocol of 1000 teams; prints the medians in milliseconds, the save into
// an existing workbook first, then load_1000_ms and save_1000_ms (a new workbook) last.
// Run from the build folder: ./bench/protocol/bench_protocol [runs]

#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace brv;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 11;

    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("BRV_BENCH_KEEP"));
    const QString path = dir.filePath(QStringLiteral("protokoll-1000.xlsx"));
    Competition source;
    CompetitionOptions options;
    options.classColumnShown = true;
    options.thirdLaneOn = true;
    source.setOptions(options);
    test::fillCompetition(source, 1000);
    ProtocolFiles saver(source);

    std::vector<double> save;
    std::vector<double> saveInto;
    std::vector<double> load;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(path);
        QElapsedTimer timer;
        timer.start();
        if (!saver.saveToWorkbook(path)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(saver.errorString()));
            return 1;
        }
        save.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        if (!saver.saveToWorkbook(path)) {
            std::fprintf(stderr, "save into existing failed: %s\n", qPrintable(saver.errorString()));
            return 1;
        }
        saveInto.push_back(timer.nsecsElapsed() / 1e6);

        Competition target;
        target.setOptions(options);
        ProtocolFiles loader(target);
        timer.restart();
        if (!loader.loadFromWorkbook(path) || target.grid(CompetitionRound::Vorrunde).rowCount() != 1001) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(loader.errorString()));
            return 1;
        }
        load.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("runs=%d\n", runs);
    if (!dir.autoRemove())
        std::printf("file=%s\n", qPrintable(path));
    std::printf("save_into_existing_1000_ms=%.1f\n", median(saveInto));
    std::printf("load_1000_ms=%.1f\n", median(load));
    std::printf("save_1000_ms=%.1f\n", median(save));
    return 0;
}
