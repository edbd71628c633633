// Live results while a crowd holds idle connections: `idle` connections from 100 loopback
// addresses (127.0.0.2 ...) are opened and held; each one the server closes is opened again a
// second later, as a client that wants to starve the server would do. Meanwhile a new client asks for
// /api/heat.json `tries` times, on a connection of its own. Figures: how many connections the
// crowd opened in all, and last live_new_client_ms, the slowest time from a new client's connect
// to its whole answer (a client not answered within 5 s counts 5000).
// Run from the build folder: ./bench/live/bench_live_crowd [idle] [tries]
#include "competition/Competition.h"
#include "competition/PublicBestResult.h"
#include "live/LiveServer.h"
#include "timing/RaceClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

using namespace brv;

namespace {

// A closed connection of the crowd is opened again after this. (At once, the crowd becomes a
// flood of connection attempts that fills the system's queues whatever the server does.)
constexpr std::chrono::milliseconds kReopenAfter{1000};

// The crowd on a thread of its own: it opens its connections, never sends a byte and opens
// again whatever is closed.
class Crowd final : public QObject
{
public:
    void open(quint16 port, int count)
    {
        for (int i = 0; i < count; ++i)
            openOne(port, QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i % 100)));
    }
    void openOne(quint16 port, const QHostAddress& from)
    {
        auto* socket = new QTcpSocket(this);
        socket->setProxy(QNetworkProxy::NoProxy);
        connect(socket, &QTcpSocket::connected, this, [this] { ++connected; });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, port, from] {
            socket->deleteLater();
            QTimer::singleShot(kReopenAfter, this, [this, port, from] {
                if (!stopping)
                    openOne(port, from);
            });
        });
        socket->bind(from);
        socket->connectToHost(QHostAddress::LocalHost, port);
    }
    std::atomic<int> connected{0};
    bool stopping = false;
};

// One new client: connect, ask, read the whole answer; milliseconds, or 5000 when it fails.
double askOnce(quint16 port)
{
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000)) {
        std::fprintf(stderr, "not connected: %s\n", qPrintable(socket.errorString()));
        return 5000;
    }
    socket.write("GET /api/heat.json HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (timer.elapsed() < 5000 && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(int(std::max<qint64>(1, 5000 - timer.elapsed())));
        answer += socket.readAll();
        const qsizetype head = answer.indexOf("\r\n\r\n");
        const QByteArray headers = answer.left(head).toLower();
        const qsizetype at = headers.indexOf("content-length:");
        if (head < 0 || at < 0)
            continue;
        const qint64 length = headers.mid(at + 15).split('\r').first().trimmed().toLongLong();
        if (answer.startsWith("HTTP/1.1 200") && answer.size() - head - 4 >= length)
            return double(timer.nsecsElapsed()) / 1e6;
    }
    std::fprintf(stderr, "no answer: %s [%s]\n", qPrintable(socket.errorString()),
                 answer.left(40).constData());
    return 5000;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int idle = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int tries = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    Competition competition;
    RaceClock clock(competition);
    const PublicBestResult best(competition);
    LiveServer server(competition, clock, best);
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0)) {
        std::printf("the live results do not listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const quint16 port = server.port();

    QThread crowdThread;
    Crowd crowd;
    crowd.moveToThread(&crowdThread);
    crowdThread.start();
    QMetaObject::invokeMethod(&crowd, [&] { crowd.open(port, idle); });

    std::vector<double> times;
    std::thread asker([&] {
        // the whole crowd has connected once
        QElapsedTimer waited;
        waited.start();
        while (crowd.connected < idle && waited.elapsed() < 20000)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < tries; ++i) {
            times.push_back(askOnce(port));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    asker.join();
    const int held = server.connectionCount();
    QMetaObject::invokeMethod(
        &crowd,
        [&] {
            crowd.stopping = true;
            qDeleteAll(crowd.children());
        },
        Qt::BlockingQueuedConnection);
    crowdThread.quit();
    crowdThread.wait();

    std::sort(times.begin(), times.end());
    std::printf("idle=%d tries=%d crowd_connects=%d held_at_end=%d live_new_client_median_ms=%.1f\n", idle,
                tries, crowd.connected.load(), held, times[times.size() / 2]);
    std::printf("live_new_client_ms=%.1f\n", times.back());
    return 0;
}
