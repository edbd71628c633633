// Contact latency: how far a recorded lane time lies from the moment the finish line really
// switched, while the main thread is kept busy for up to 50 ms at random moments.
//
// A driver thread runs heats on three lanes whose finish contacts share one test port. Each heat
// is started with a start tick one second in the past, since the clock refuses a stop in the
// first second after a start: the finishes then come 10 to 60 ms after the start command and
// still count from more than a second after the start, as in a real heat. The lanes finish
// within 4 ms of each other, some in the same millisecond. Each stop is compared with the
// tick at which its line switched:
//   main_thread_p99_error_ms  the tick read when the stop command runs on the main thread
//   p99_error_ms              the tick the port thread read when it saw the edge (the design)
// The port thread gets the priority the program's port threads get (port_thread_priority).
// With --stress [N], the same run goes first with N threads (default: one per core) keeping the
// processors busy the whole time, and its figures come as stress_lost_stops and
// stress_p99_error_ms. Each run ends after its stops or after 55 s, whichever comes first.
// Run from the build folder: ./bench/timing/bench_contact_latency [stops] [--stress [N]]
#include "competition/Competition.h"
#include "session/HeatWiring.h"
#include "support/TestSerialBackend.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace brv;

namespace {

constexpr int kLanes = 3;
// A run ends after this long even when it has not made its stops yet.
constexpr qint64 kRunLimitMs = 55000;
constexpr std::array<quint32, kLanes> kLine{ModemBit::DSR, ModemBit::CTS, ModemBit::RLSD};

// What the main thread saw of one heat.
struct HeatResult
{
    std::mutex mutex;
    std::array<bool, kLanes> stopped{};
    std::array<qint32, kLanes> recorded{};   // the clock's time
    std::array<qint32, kLanes> atDispatch{}; // a tick read in the stop command
    quint32 startTick = 0;
};

double percentile99(std::vector<qint64> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::size_t(std::ceil(0.99 * double(values.size()))) - 1;
    return double(values[std::min(index, values.size() - 1)]);
}

void spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
    }
}

struct Figures
{
    int lost = 0;
    double p99 = 0;
};

Figures run(QCoreApplication& app, int wantedStops, int stressThreads)
{
    const TickSource& ticks = steadyTickSource();
    std::atomic<bool> stressing{true};
    std::vector<std::thread> stress;
    for (int i = 0; i < stressThreads; ++i) {
        stress.emplace_back([&stressing] {
            volatile quint64 sink = 0;
            while (stressing.load(std::memory_order_relaxed))
                sink = sink + 1;
        });
    }

    Competition competition;
    CompetitionOptions options;
    options.thirdLaneOn = true;
    competition.setOptions(options);
    ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    // enough teams that every heat finds three without a run on the lanes after RESET
    const int teams = std::max(60, wantedStops);
    vorrunde.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r)
        vorrunde.setRowCells(r, {QString::number(r), QStringLiteral("Team %1").arg(r)});
    competition.enterRound(CompetitionRound::Vorrunde);

    RaceClock clock(competition, ticks);
    wireHeat(clock, competition); // RESET moves the lanes on, as in the program
    ContactDecoder decoder(clock);
    ContactInputs inputs;
    inputs[ContactInput::Ziel1] = {1, 1, 0};
    inputs[ContactInput::Ziel2] = {1, 2, 0};
    inputs[ContactInput::Ziel3] = {1, 3, 0};
    decoder.setInputs(inputs);

    auto backend = std::make_shared<TestSerialBackend>();
    backend->setPlatformThreadPriority(true); // the port thread runs as the program's do
    SerialLineMonitor port(backend);
    port.setTickSource(ticks);

    HeatResult heat;
    quint32 dispatchTick = 0;
    // The moment the stop command would read the tick: when the hand-over reaches the decoder,
    // whose slots are connected after this one and so run right after it.
    const auto noteDispatch = [&dispatchTick, &ticks] { dispatchTick = ticks.now(); };
    QObject::connect(&port, &SerialLineMonitor::dsrChanged, &port, noteDispatch);
    QObject::connect(&port, &SerialLineMonitor::ctsChanged, &port, noteDispatch);
    QObject::connect(&port, &SerialLineMonitor::rlsdChanged, &port, noteDispatch);
    decoder.attach(port);
    QObject::connect(&clock, &RaceClock::laneStopped, &clock, [&](int lane, qint32 ms) {
        std::lock_guard lock(heat.mutex);
        const std::size_t i = std::size_t(lane - 1);
        heat.stopped[i] = true;
        heat.recorded[i] = ms;
        heat.atDispatch[i] = qint32(dispatchTick - heat.startTick);
    });

    port.open();

    // The main thread is busy for up to 50 ms at random moments (until this run ends).
    QObject busyContext;
    std::mt19937 mainRandom(20240611);
    int busyMax = 0;
    std::function<void()> scheduleBusy = [&] {
        QTimer::singleShot(std::uniform_int_distribution<int>(0, 40)(mainRandom), &busyContext, [&] {
            const int ms = std::uniform_int_distribution<int>(1, 50)(mainRandom);
            busyMax = std::max(busyMax, ms);
            spin(ms);
            scheduleBusy();
        });
    };
    scheduleBusy();

    std::vector<qint64> designErrors;
    std::vector<qint64> mainThreadErrors;
    std::atomic<int> lost{0};

    std::thread driver([&] {
        std::mt19937 random(7);
        QElapsedTimer runTime;
        runTime.start();
        const int heats = (wantedStops + kLanes - 1) / kLanes;
        for (int h = 0; h < heats && runTime.elapsed() < kRunLimitMs; ++h) {
            // Start a heat on the main thread (a reset first when the last one finished), one
            // second in the past.
            quint32 start = 0;
            QMetaObject::invokeMethod(
                &clock,
                [&] {
                    if (clock.runState() != RunState::Idle && !clock.command(ClockCommand::Reset).trigger())
                        clock.command(ClockCommand::Clear).trigger();
                    {
                        std::lock_guard lock(heat.mutex);
                        heat.stopped = {};
                        heat.startTick = 0;
                    }
                    clock.command(ClockCommand::Start)
                        .trigger(ticks.now() - quint32(RaceClock::kEarliestStopMs));
                    std::lock_guard lock(heat.mutex);
                    heat.startTick = clock.controls().lane(1).startTick;
                    start = heat.startTick;
                },
                Qt::BlockingQueuedConnection);

            // Finishes 10 to 60 ms after the start command, the lanes within 4 ms of each other;
            // lanes on the same millisecond switch together.
            const int first = RaceClock::kEarliestStopMs + std::uniform_int_distribution<int>(10, 60)(random);
            std::array<int, kLanes> offset{};
            for (int& o : offset)
                o = first + std::uniform_int_distribution<int>(0, 4)(random);
            std::array<qint32, kLanes> truth{};
            quint32 lines = 0;
            for (int at = first; at <= first + 4; ++at) {
                quint32 switching = 0;
                for (int lane = 0; lane < kLanes; ++lane)
                    switching |= offset[std::size_t(lane)] == at ? kLine[std::size_t(lane)] : 0;
                if (!switching)
                    continue;
                while (qint32(ticks.now() - start) < at)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                const quint32 edge = ticks.now();
                lines |= switching;
                backend->setLines(lines);
                for (int lane = 0; lane < kLanes; ++lane) {
                    if (offset[std::size_t(lane)] == at)
                        truth[std::size_t(lane)] = qint32(edge - start);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            backend->setLines(0); // every contact opens: fires nothing

            // Wait for the main thread to have stopped every lane.
            QElapsedTimer waited;
            waited.start();
            bool complete = false;
            while (!complete && waited.elapsed() < 3000) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::lock_guard lock(heat.mutex);
                complete = std::all_of(heat.stopped.begin(), heat.stopped.end(), [](bool s) { return s; });
            }
            std::lock_guard lock(heat.mutex);
            for (int i = 0; i < kLanes; ++i) {
                if (!heat.stopped[std::size_t(i)]) {
                    ++lost;
                    continue;
                }
                designErrors.push_back(
                    std::abs(qint64(heat.recorded[std::size_t(i)]) - truth[std::size_t(i)]));
                mainThreadErrors.push_back(
                    std::abs(qint64(heat.atDispatch[std::size_t(i)]) - truth[std::size_t(i)]));
            }
            // Let the opening of the contacts be handed over before the next heat.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });

    QElapsedTimer total;
    total.start();
    app.exec();
    driver.join();
    const PortThreadPriority priority =
        port.watcher() ? port.watcher()->priority() : PortThreadPriority::Normal;
    port.close();

    stressing = false;
    for (std::thread& t : stress)
        t.join();

    const qint64 worst =
        designErrors.empty() ? 0 : *std::max_element(designErrors.begin(), designErrors.end());
    std::printf("%sstops=%zu lost_stops=%d busy_max_ms=%d max_error_ms=%lld run_time_s=%.1f "
                "main_thread_p99_error_ms=%.0f port_thread_priority=%s\n",
                stressThreads > 0
                    ? QByteArray("stress_threads=" + QByteArray::number(stressThreads) + " ").constData()
                    : "",
                designErrors.size(), lost.load(), busyMax, static_cast<long long>(worst),
                double(total.elapsed()) / 1000.0, percentile99(mainThreadErrors),
                qPrintable(portThreadPriorityText(priority)));
    return {lost.load(), percentile99(designErrors)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int wantedStops = 600;
    int stressThreads = 0;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--stress")) {
            bool number = false;
            const int n = args.value(i + 1).toInt(&number);
            stressThreads = number ? std::max(1, n) : std::max(1, int(std::thread::hardware_concurrency()));
            i += number ? 1 : 0;
        } else {
            wantedStops = std::max(3, args[i].toInt());
        }
    }
    if (stressThreads > 0) {
        const Figures stressed = run(app, wantedStops, stressThreads);
        std::printf("stress_lost_stops=%d\nstress_p99_error_ms=%.0f\n", stressed.lost, stressed.p99);
    }
    const Figures idle = run(app, wantedStops, 0);
    std::printf("lost_stops=%d\np99_error_ms=%.0f\n", idle.lost, idle.p99);
    return 0;
}
