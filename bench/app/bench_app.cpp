// The main window's cost on competition day:
//   startup_ms        median time from starting the program to its window shown with the
//                     example competition loaded (the real program, offscreen, 7 runs);
//   tv_tick_cpu_percent  CPU of one core the process uses while a three-lane heat runs for
//                     10 s and the 10 ms display tick refreshes the lane panels, with the TV
//                     display shown full screen at 1920 x 1080 beside the window;
//   tick_cpu_percent  the same without the TV display (printed last).
// Usage: bench_app <path to brenvolutaris> <example workbook> [seconds]
#include "app/MainWindow.h"
#include "app/TvLayout.h"
#include "app/TvWindow.h"
#include "competition/Competition.h"
#include "session/AppSession.h"
#include "settings/JsonSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/TestSerialBackend.h"
#include "timing/RaceClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace brv;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double startupMedian(const QString& program, const QString& workbook)
{
    QTemporaryDir config;
    std::vector<double> samples;
    for (int run = 0; run < 7; ++run) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), config.path());
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(program, {workbook, QStringLiteral("--ready-and-quit")});
        bool ready = false;
        while (!ready && process.waitForReadyRead(10000))
            ready = process.readAllStandardOutput().contains("ready");
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        process.waitForFinished(10000);
        if (!ready) {
            std::fprintf(stderr, "the program did not report ready: %s\n", qPrintable(process.errorString()));
            return -1;
        }
        samples.push_back(ms);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// With `tv`, the TV display is shown as well, full screen on a 1920 x 1080 monitor.
double tickCpuPercent(int seconds, bool tv)
{
    QTemporaryDir folder;
    auto store = std::make_shared<JsonSettingsBackend>(folder.path(), QStringLiteral("Brenvolutaris"));
    Settings settings;
    settings.thirdLaneOn = true;
    saveSettings(*store, settings);
    AppEnvironment env;
    env.programFilePath = folder.filePath(QStringLiteral("Brenvolutaris"));
    env.settingsStore = store;
    env.searchPorts = [] { return quint64(0); };
    env.monitorCount = 1;
    env.moveMouse = false;
    env.serialBackend = [] { return std::make_shared<TestSerialBackend>(); };

    AppSession session(env);
    session.start();
    MainWindow window(session);
    Competition& c = window.competition();
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(31);
    for (int r = 1; r <= 30; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
    }
    c.enterRound(CompetitionRound::Vorrunde);
    window.resize(1030, 588);
    window.show();
    if (tv) {
        window.tvWindow()->setScreens(
            std::make_unique<FixedScreens>(QList<QRect>{QRect(0, 0, 1920, 1080)}, 0));
        window.tvWindow()->show();
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    window.clock().command(ClockCommand::Start).trigger();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const bool running = window.clock().displayTickActive();
    for (int lane = 1; lane <= 3; ++lane)
        window.clock().stopCommand(lane).trigger();
    if (!running)
        std::fprintf(stderr, "the display tick was not running\n");
    if (tv && window.tvWindow()->size() != QSize(1920, 1080))
        std::fprintf(stderr, "the TV display is not 1920 x 1080\n");
    return 100.0 * cpu / elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_app <brenvolutaris> <workbook> [seconds]\n");
        return 2;
    }
    const int seconds = args.size() > 3 ? args.at(3).toInt() : 10;
    std::printf("startup_ms=%.1f\n", startupMedian(args.at(1), args.at(2)));
    std::fflush(stdout);
    std::printf("tv_tick_cpu_percent=%.2f\n", tickCpuPercent(std::max(1, seconds), true));
    std::fflush(stdout);
    std::printf("tick_cpu_percent=%.2f\n", tickCpuPercent(std::max(1, seconds), false));
    return 0;
}
