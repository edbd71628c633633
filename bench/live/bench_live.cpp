// Live results under load: 200 WebSocket clients on the loopback stay connected while 50 heats on
// three lanes are recorded through the session, their finish contacts switched on a test port as
// in bench_contact_latency. Two figures, measured in the same run:
//   p99_error_ms         how far a recorded time lies from the moment its contact switched (the
//                        port thread's tick), with the server sending meanwhile
//   live_update_p99_ms   from a lane's time being recorded to its arrival at each client
// Run from the build folder: ./bench/live/bench_live [heats] [clients]
#include "competition/Competition.h"
#include "live/LiveServer.h"
#include "session/AppSession.h"
#include "settings/JsonSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/TestSerialBackend.h"
#include "timing/RaceClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <thread>

using namespace brv;

namespace {

constexpr int kLanes = 3;
constexpr std::array<quint32, kLanes> kLine{ModemBit::DSR, ModemBit::CTS, ModemBit::RLSD};

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double percentile99(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::size_t(std::ceil(0.99 * double(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

// (heat, lane) as one key
int key(int heat, int lane)
{
    return heat * 4 + lane;
}

// The clients on a thread of their own: each notes when it first saw each lane of each heat
// stopped.
class Clients final : public QObject
{
public:
    void open(const QUrl& url, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            socket->setProxy(QNetworkProxy::NoProxy);
            const std::size_t index = m_seen.size();
            m_seen.emplace_back();
            connect(socket, &QWebSocket::textMessageReceived, this, [this, index](const QString& text) {
                if (!text.contains(QLatin1String("\"type\":\"heat\"")))
                    return;
                const auto now = Clock::now();
                const QJsonObject heat = QJsonDocument::fromJson(text.toUtf8()).object();
                const QJsonArray lanes = heat[QLatin1String("lanes")].toArray();
                std::lock_guard lock(mutex);
                for (const QJsonValue& lane : lanes) {
                    if (lane[QLatin1String("state")].toString() == QLatin1String("stopped"))
                        m_seen[index].try_emplace(
                            key(heat[QLatin1String("heat")].toInt(), lane[QLatin1String("lane")].toInt()),
                            now);
                }
            });
            socket->open(url);
        }
    }
    std::mutex mutex;
    const std::vector<std::map<int, Clock::time_point>>& seen() const { return m_seen; }

private:
    std::vector<std::map<int, Clock::time_point>> m_seen;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int heats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int clientCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

    QTemporaryDir folder;
    auto store = std::make_shared<JsonSettingsBackend>(folder.path(), QStringLiteral("Brenvolutaris"));
    Settings settings;
    settings.thirdLaneOn = true;
    for (int lane = 1; lane <= kLanes; ++lane) {
        settings.inputPort[lane + 1] = 1; // Ziel1 .. Ziel3 on COM1: DSR, CTS, RLSD
        settings.inputLine[lane + 1] = lane;
    }
    saveSettings(*store, settings);

    auto backend = std::make_shared<TestSerialBackend>();
    backend->setPlatformThreadPriority(true); // the port thread runs as the program's do
    AppEnvironment env;
    env.programFilePath = folder.filePath(QStringLiteral("Brenvolutaris"));
    env.settingsStore = store;
    int backendsMade = 0;
    env.serialBackend = [&]() -> std::shared_ptr<SerialBackend> {
        return backendsMade++ == 0 ? backend : std::make_shared<TestSerialBackend>();
    };
    env.searchPorts = [] { return quint64(1); };
    env.moveMouse = false;
    env.liveAddress = QHostAddress(QHostAddress::LocalHost);
    env.journalPath = folder.filePath(QStringLiteral("journal.sqlite"));
    AppSession session(env);
    session.start();
    // switched on as the settings dialog does it, on a free port
    Settings live = session.settings();
    live.liveResultsOn = true;
    live.liveResultsPort = 0;
    session.applySettings(live);
    if (!session.liveServer().isListening()) {
        std::printf("the live results do not listen: %s\n", qPrintable(session.liveServer().errorString()));
        return 1;
    }
    // the clients all come from the loopback address, where phones would each have their own
    LiveServer::Limits limits;
    limits.perAddress = limits.connections;
    session.liveServer().setLimits(limits);

    Competition& competition = session.competition();
    ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    vorrunde.setRowCount(61);
    for (int r = 1; r <= 60; ++r)
        vorrunde.setRowCells(r, {QString::number(r), QStringLiteral("Feuerwehr %1").arg(r)});
    competition.enterRound(CompetitionRound::Vorrunde);
    RaceClock& clock = session.clock();
    const TickSource& ticks = clock.ticks();

    QThread clientThread;
    Clients clients;
    clients.moveToThread(&clientThread);
    clientThread.start();
    QUrl url(session.liveServer().url() + QStringLiteral("ws"));
    url.setScheme(QStringLiteral("ws"));
    QMetaObject::invokeMethod(&clients, [&] { clients.open(url, clientCount); });

    // what the main thread saw: when each lane's time was recorded, and with what time
    std::mutex mutex;
    std::map<int, Clock::time_point> recordedAt;
    std::map<int, qint32> recorded;
    int heat = 0;
    std::array<bool, kLanes> stopped{};
    QObject::connect(&clock, &RaceClock::laneStopped, &clock, [&](int lane, qint32 ms) {
        std::lock_guard lock(mutex);
        recordedAt[key(heat, lane)] = Clock::now();
        recorded[key(heat, lane)] = ms;
        stopped[std::size_t(lane - 1)] = true;
    });

    std::vector<double> contactErrors;
    int lostStops = 0;
    std::thread driver([&] {
        // every client connected first
        QElapsedTimer waited;
        waited.start();
        int connected = 0;
        while (connected < clientCount && waited.elapsed() < 30000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QMetaObject::invokeMethod(
                &clock, [&] { connected = session.liveServer().webSocketCount(); },
                Qt::BlockingQueuedConnection);
        }
        std::mt19937 random(11);
        for (int h = 1; h <= heats; ++h) {
            quint32 start = 0;
            QMetaObject::invokeMethod(
                &clock,
                [&] {
                    if (clock.runState() != RunState::Idle && !clock.command(ClockCommand::Reset).trigger())
                        clock.command(ClockCommand::Clear).trigger();
                    std::lock_guard lock(mutex);
                    heat = h;
                    stopped = {};
                    clock.command(ClockCommand::Start).trigger();
                    start = clock.controls().lane(1).startTick;
                },
                Qt::BlockingQueuedConnection);
            // a stop counts from one second after the start; the lanes finish close together
            std::array<int, kLanes> offset{};
            for (int i = 0; i < kLanes; ++i)
                offset[std::size_t(i)] = 1010 + 17 * i + std::uniform_int_distribution<int>(0, 12)(random);
            std::array<qint32, kLanes> truth{};
            quint32 lines = 0;
            for (int i = 0; i < kLanes; ++i) {
                while (qint32(ticks.now() - start) < offset[std::size_t(i)])
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                const quint32 edge = ticks.now();
                lines |= kLine[std::size_t(i)];
                backend->setLines(lines);
                truth[std::size_t(i)] = qint32(edge - start);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            backend->setLines(0);
            QElapsedTimer heatWait;
            heatWait.start();
            bool complete = false;
            while (!complete && heatWait.elapsed() < 3000) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::lock_guard lock(mutex);
                complete = std::all_of(stopped.begin(), stopped.end(), [](bool s) { return s; });
            }
            std::lock_guard lock(mutex);
            for (int lane = 1; lane <= kLanes; ++lane) {
                const auto it = recorded.find(key(h, lane));
                if (it == recorded.end())
                    ++lostStops;
                else
                    contactErrors.push_back(std::abs(double(it->second - truth[std::size_t(lane - 1)])));
            }
        }
        // the last updates reach the clients
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });

    QElapsedTimer total;
    total.start();
    app.exec();
    driver.join();
    const int stillConnected = session.liveServer().webSocketCount();
    clientThread.quit();
    clientThread.wait();

    std::vector<double> updates;
    int lostUpdates = 0;
    {
        std::lock_guard lock(clients.mutex);
        for (const auto& seen : clients.seen()) {
            for (const auto& [k, at] : recordedAt) {
                const auto it = seen.find(k);
                if (it == seen.end())
                    ++lostUpdates;
                else
                    updates.push_back(msSince(at, it->second));
            }
        }
    }
    std::printf("clients=%d connected_at_end=%d heats=%d stops=%zu lost_stops=%d lost_updates=%d "
                "live_update_max_ms=%.1f run_time_s=%.1f\n",
                clientCount, stillConnected, heats, contactErrors.size(), lostStops, lostUpdates,
                updates.empty() ? 0.0 : *std::max_element(updates.begin(), updates.end()),
                double(total.elapsed()) / 1000.0);
    std::printf("p99_error_ms=%.0f\n", percentile99(contactErrors));
    std::printf("live_update_p99_ms=%.1f\n", percentile99(updates));
    return 0;
}
