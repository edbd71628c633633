#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "live/LiveAddress.h"
#include "live/LiveServer.h"
#include "protocol/ProtocolFiles.h"
#include "timing/RaceClock.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <list>

using namespace brv;

namespace {

// A name that is markup, JSON and a line break at once.
const QString kNastyName = QStringLiteral("<img src=x onerror=\"alert(1)\">&\\ \n Team");

// The example competition on three lanes in a session whose live results listen on a free
// loopback port (the settings' port 0), with the nasty name on the first team, on lane 1.
struct LiveFixture
{
    test::SessionFixture session;
    AppSession& app = session.newSession();
    QNetworkAccessManager net;

    LiveFixture()
    {
        Settings settings = app.settings();
        settings.liveResultsOn = true;
        settings.liveResultsPort = 0;
        settings.thirdLaneOn = true;
        app.applySettings(settings);
        app.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK));
        app.competition().grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, kNastyName);
        app.competition().enterRound(CompetitionRound::Vorrunde);
        net.setProxy(QNetworkProxy::NoProxy);
    }
    QUrl url(const QString& path, const QString& scheme = QStringLiteral("http")) const
    {
        QUrl url = QUrl(app.liveServer().url()).resolved(QUrl(path));
        url.setScheme(scheme);
        return url;
    }
    // → status, content type, body
    std::tuple<int, QByteArray, QByteArray> request(const QByteArray& verb, const QString& path)
    {
        QNetworkRequest request(url(path));
        QNetworkReply* reply = verb == "GET"    ? net.get(request)
                               : verb == "HEAD" ? net.head(request)
                                                : net.sendCustomRequest(request, verb, QByteArray("x"));
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished() && !done.wait(10000))
            return {};
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), reply->readAll()};
    }
    QJsonObject json(const QString& path)
    {
        return QJsonDocument::fromJson(std::get<2>(request("GET", path))).object();
    }
    bool command(ClockCommand command) { return app.clock().command(command).trigger(); }
    // The server with `limits` set; its port.
    quint16 limit(const LiveServer::Limits& limits)
    {
        app.liveServer().setLimits(limits);
        return app.liveServer().port();
    }
};

// A WebSocket client that keeps every message.
struct Client
{
    QWebSocket socket;
    std::vector<QJsonObject> received;

    explicit Client(const QUrl& url)
    {
        socket.setProxy(QNetworkProxy::NoProxy);
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket, [this](const QString& text) {
            received.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        socket.open(url);
    }
};

// A raw connection from one of the loopback addresses (127.0.0.x).
std::unique_ptr<QTcpSocket> connectFrom(int host, quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(host)));
    socket->connectToHost(QHostAddress::LocalHost, port);
    return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
}

bool isOpen(const std::unique_ptr<QTcpSocket>& socket)
{
    QTest::qWait(50); // a closing reaches the client
    return socket->state() == QAbstractSocket::ConnectedState;
}

} // namespace

class TestLive final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routes_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("contains"); // empty: the body is empty

        const QByteArray json("application/json");
        const QByteArray text("text/plain; charset=utf-8");
        QTest::newRow("page") << QByteArray("GET") << "/" << 200 << QByteArray("text/html; charset=utf-8")
                              << QByteArray("<html lang=\"de\">");
        QTest::newRow("tables") << QByteArray("GET") << "/api/tables.json" << 200 << json
                                << QByteArray("\"tables\"");
        QTest::newRow("heat with a query")
            << QByteArray("GET") << "/api/heat.json?x=1" << 200 << json << QByteArray("\"type\":\"heat\"");
        QTest::newRow("HEAD has no body")
            << QByteArray("HEAD") << "/api/heat.json" << 200 << json << QByteArray();
        for (const char* verb : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"})
            QTest::addRow("%s changes nothing", verb)
                << QByteArray(verb) << "/api/tables.json" << 405 << text << QByteArray("GET");
        QTest::newRow("POST to an unknown path")
            << QByteArray("POST") << "/nichts" << 405 << text << QByteArray("GET");
        for (const char* path : {"/index.html", "/api/", "/api/tables.json/", "/ws", "/%2e%2e/etc/passwd"})
            QTest::addRow("unknown %s", path)
                << QByteArray("GET") << QString::fromLatin1(path) << 404 << text << QByteArray("Nicht");
    }

    void routes()
    {
        QFETCH(QByteArray, verb);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, contains);

        LiveFixture f;
        const QByteArray before = std::get<2>(f.request("GET", "/api/tables.json"));
        const auto [gotStatus, gotType, body] = f.request(verb, path);
        QCOMPARE(gotStatus, status);
        QCOMPARE(gotType, type);
        QVERIFY2(contains.isEmpty() ? body.isEmpty() : body.contains(contains), body.left(200).constData());
        QCOMPARE(std::get<2>(f.request("GET", "/api/tables.json")), before);
    }

    // The routes and the WebSocket feed: the tables as the main window shows them (the class column
    // hidden), names as typed, escaped in JSON; a heat from ready to running and stopped, the best
    // result. The last stops and the reset come at once, quicker than any operator: each recorded
    // time still reaches every client, the first with lane 2 running on.
    void whatTheRoutesAndClientsGet()
    {
        LiveFixture f;
        const QByteArray tablesBody = std::get<2>(f.request("GET", "/api/tables.json"));
        QVERIFY(tablesBody.contains("=\\\"alert(1)\\\">&\\\\ \\n Team")); // quote, backslash, line break
        std::list<Client> clients;
        for (int i = 0; i < 2; ++i)
            clients.emplace_back(f.url("/ws", "ws"));
        for (const Client& client : clients)
            QTRY_COMPARE(client.received.size(), std::size_t(2));
        const QJsonObject tables = clients.front().received[0];
        QCOMPARE(tables, QJsonDocument::fromJson(tablesBody).object());
        QVERIFY(tables["title"] == "Brenvolutaris" && tables["current"] == 0 &&
                tables["rounds"].toArray().size() == 6 && tables["rounds"][5]["name"] == "Gesamt-Ergebnis");
        const QJsonValue vorrunde = tables["rounds"][0];
        QVERIFY(vorrunde["columns"].toArray().size() == 14 - 1 && vorrunde["rows"].toArray().size() == 20 &&
                vorrunde["rows"][0][1] == kNastyName.trimmed());
        const QJsonObject ready = clients.front().received[1];
        QVERIFY(ready["lanes"][0]["team"] == kNastyName.trimmed() && ready["lanes"][0]["nr"] == "1");
        QVERIFY(ready["lanes"][1]["state"] == "ready" && ready["state"] == "idle" &&
                ready["lanes"].toArray().size() == 3);

        // a table alone changes: that table comes, the heat does not
        f.app.competition().grid(CompetitionRound::Finale).setCell(1, 1, QStringLiteral("FF Ziel"));
        QTRY_COMPARE(clients.front().received.size(), std::size_t(3));
        QVERIFY(clients.front().received[2]["rounds"][0]["index"] == roundIndex(CompetitionRound::Finale));
        QVERIFY(f.command(ClockCommand::Start));
        QTRY_COMPARE(clients.front().received.size(), std::size_t(4));
        QVERIFY(clients.front().received[3]["state"] == "running");
        f.session.ticks.advance(1500);
        QCOMPARE(f.json("/api/heat.json")["lanes"][0]["elapsedMs"].toInt(), 1500);
        f.session.ticks.advance(23450 - 1500);
        QVERIFY(f.command(ClockCommand::Stop1));
        f.session.ticks.advance(1000);
        QVERIFY(f.command(ClockCommand::Stop2) && f.command(ClockCommand::Stop3) &&
                f.command(ClockCommand::Reset));
        auto stopped = [](const Client& client, int lane, int ms, const char* heatState) {
            return std::any_of(client.received.begin(), client.received.end(), [=](const QJsonObject& m) {
                return m["heat"] == 1 && m["state"] == heatState &&
                       m["lanes"][lane - 1]["state"] == "stopped" && m["lanes"][lane - 1]["ms"] == ms &&
                       (lane == 2 ||
                        (m["lanes"][1]["state"] == "running" && m["lanes"][1]["elapsedMs"] == 23450));
            });
        };
        for (const Client& client : clients)
            QTRY_VERIFY(stopped(client, 1, 23450, "finishing") && stopped(client, 2, 24450, "finished"));
        const QString sep = f.app.competition().numberFormat().decimalSeparator();
        const QJsonObject best = f.json("/api/heat.json")["best"].toObject();
        QVERIFY(best["time"] == QString("23" + sep + "45") && best["team"] == kNastyName.trimmed());
        // a row changed: its round's table came along
        QVERIFY(std::any_of(clients.front().received.begin() + 4, clients.front().received.end(),
                            [](const QJsonObject& m) { return m["rounds"].toArray().size() == 1; }));
    }

    // A new client takes the place of the connection that went longest without a request: of its
    // own address when that is full, else of the address that holds the most. WebSockets keep their
    // places: then the newcomer is closed at once. A flood of connections that break off leaves
    // standard error quiet.
    void newClientsFindAPlace()
    {
        LiveFixture f;
        LiveServer& server = f.app.liveServer();
        LiveServer::Limits limits{.connections = 2};
        const quint16 port = f.limit(limits);
        // every place has a request on its way: the one that began first goes
        auto early = connectFrom(4, port), late = connectFrom(5, port);
        QVERIFY(early && late);
        for (auto* socket : {&early, &late}) {
            (*socket)->write("GET /api/heat.json HTTP/1.1\r\n");
            QTest::qWait(50);
        }
        auto third = connectFrom(6, port);
        QTRY_VERIFY(third && !isOpen(early));
        QVERIFY(isOpen(late) && isOpen(third));
        late.reset(), third.reset();
        QTRY_COMPARE(server.connectionCount(), 0);

        server.setLimits(limits = {.connections = 3, .perAddress = 2});
        auto a1 = connectFrom(1, port), a2 = connectFrom(1, port), b1 = connectFrom(2, port);
        QVERIFY(a1 && a2 && b1);
        QTRY_COMPARE(server.connectionCount(), 3);
        auto a3 = connectFrom(1, port); // 127.0.0.1 is full: its oldest goes
        QTRY_VERIFY(a3 && !isOpen(a1));
        QVERIFY(isOpen(a2) && isOpen(b1));
        auto b2 = connectFrom(2, port); // all are full: the oldest of all goes
        QTRY_VERIFY(b2 && !isOpen(a2));
        QVERIFY(isOpen(b1) && isOpen(a3) && isOpen(b2));
        QCOMPARE(std::get<0>(f.request("GET", "/api/heat.json")), 200);
        for (auto* socket : {&a3, &b1, &b2})
            socket->reset();

        server.setLimits({.connections = 2, .perAddress = 2});
        std::list<Client> clients;
        for (int i = 0; i < 2; ++i)
            clients.emplace_back(f.url("/ws", "ws"));
        QTRY_COMPARE(server.webSocketCount(), 2);
        QTRY_COMPARE(server.connectionCount(), 2);
        auto refused = connectFrom(3, port);
        QTRY_VERIFY((!refused || !isOpen(refused)) && server.webSocketCount() == 2);
        clients.clear();
        QTRY_COMPARE(server.webSocketCount(), 0);

        static QStringList complaints;
        complaints.clear();
        const QtMessageHandler before = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { complaints << text; });
        server.setLimits({});
        std::vector<std::unique_ptr<QTcpSocket>> flood;
        for (int i = 0; i < 600; ++i) {
            auto& socket = flood.emplace_back(std::make_unique<QTcpSocket>());
            socket->setProxy(QNetworkProxy::NoProxy);
            socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(10 + i % 40)));
            QObject::connect(socket.get(), &QTcpSocket::connected, socket.get(), [i, s = socket.get()] {
                if (i % 2)
                    s->write(i % 4 == 1 ? QByteArray("GET /api/tables.json HTTP/1.1\r\n\r\n")
                                        : QByteArray(20000, 'x'));
                if (i % 3 == 0)
                    s->abort();
            });
            socket->connectToHost(QHostAddress::LocalHost, port);
        }
        QTest::qWait(500);
        flood.clear();
        QTest::qWait(500);
        qInstallMessageHandler(before);
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(QLatin1Char('\n')).left(400)));
        server.close();
        QCOMPARE(server.connectionCount(), 0);
    }

    // A request must come whole within its time, however it trickles in; a connection without a
    // request is closed after its time; a WebSocket client is pinged and dropped when it does not
    // answer, one that answers stays however long nothing happens.
    void clocksCloseWhatHangs()
    {
        LiveFixture f;
        LiveServer& server = f.app.liveServer();
        using std::chrono::milliseconds;
        const quint16 port = f.limit({.requestTimeout = milliseconds(300),
                                      .idleTimeout = milliseconds(600),
                                      .pingInterval = milliseconds(100),
                                      .pongTimeout = milliseconds(200)});
        Client answering(f.url("/ws", "ws"));
        auto trickle = connectFrom(1, port), silent = connectFrom(1, port), kept = connectFrom(1, port);
        auto deaf = connectFrom(1, port); // a WebSocket that never reads again
        QVERIFY(trickle && silent && kept && deaf);
        kept->write("GET /api/heat.json HTTP/1.1\r\nHost: a\r\n\r\n");
        deaf->write("GET /ws HTTP/1.1\r\nHost: a\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
        QTRY_COMPARE(server.webSocketCount(), 2);
        QTRY_VERIFY(kept->bytesAvailable() > 0);
        const QByteArray request("GET /api/heat.json HTTP/1.1\r\nHost: a\r\n");
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; trickle->state() == QAbstractSocket::ConnectedState && clock.elapsed() < 10000; ++i) {
            trickle->write(request.mid(i % request.size(), 1)); // one byte now and then, never the end
            QTest::qWait(20);
        }
        QCOMPARE(trickle->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(silent->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(kept->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(server.webSocketCount(), 1);
        QTest::qWait(500);
        QVERIFY(answering.socket.state() == QAbstractSocket::ConnectedState && server.webSocketCount() == 1);
    }

    // One connection beyond the limit is closed at once, an open WebSocket counted, a closed one no
    // longer; an upgrade to a WebSocket elsewhere than /ws is closed; a client whose unsent data
    // passes the backlog limit is dropped instead of holding up the others.
    void surplusAndSlowClientsAreLetGo()
    {
        LiveFixture f;
        LiveServer& server = f.app.liveServer();
        // a request whose body never ends, sent on in pieces, and requests on and on without reading
        // the answers: both are cut off (a write after that fails)
        const QByteArray asking =
            QByteArray("GET /api/tables.json HTTP/1.1\r\nHost: a\r\n\r\n").repeated(100);
        for (const auto& [first, more] :
             {std::pair<QByteArray, QByteArray>("POST / HTTP/1.1\r\nContent-Length: 999999\r\n\r\n",
                                                QByteArray(4000, 'x')),
              {asking, asking}}) {
            QTcpSocket greedy;
            greedy.setProxy(QNetworkProxy::NoProxy);
            greedy.setReadBufferSize(1);
            greedy.connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(greedy.waitForConnected(5000) && greedy.write(first) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(
                (greedy.write(more), greedy.state() == QAbstractSocket::UnconnectedState), 20000);
        }
        for (const QString& path : {QStringLiteral("/anders"), QStringLiteral("/ws")}) {
            server.setLimits(path == "/ws" ? LiveServer::Limits{.clientBacklog = 0} : LiveServer::Limits{});
            Client refused(f.url(path, "ws")); // on /ws: the greeting's second message finds the first unsent
            QSignalSpy closed(&refused.socket, &QWebSocket::disconnected);
            QVERIFY(closed.wait(5000));
            QCOMPARE(server.webSocketCount(), 0);
        }
    }

    void addressAndQrCode()
    {
        // the longest address is a code of 29 modules; a finder pattern in the corner: a dark ring
        // around a light one
        const QrMatrix code = qrMatrix(QStringLiteral("http://255.255.255.255:65535/"));
        QVERIFY(code.size == 29 && int(code.dark.size()) == 29 * 29 && qrMatrix(QString()).isEmpty());
        for (int i = 0; i < 7; ++i) {
            QVERIFY(code.at(i, 0) && code.at(0, i) && code.at(6, i) && code.at(i, 6));
            QVERIFY(i == 0 || i == 6 || (!code.at(i, 1) && !code.at(1, i)));
        }
        QCOMPARE(liveResultsUrl(QHostAddress::LocalHost, 8080), QStringLiteral("http://127.0.0.1:8080/"));
        for (const auto any : {QHostAddress::Any, QHostAddress::AnyIPv4, QHostAddress::AnyIPv6}) {
            const QString url = liveResultsUrl(any, 8081);
            QVERIFY2(url.startsWith("http://") && url.endsWith(":8081/") && !url.contains("0.0.0.0") &&
                         !url.contains("::"),
                     qPrintable(url));
        }
    }

    // Debian's headless Chromium opens the page after a heat: the time and the team are on it, the
    // team's name as text.
    void browserShowsTheRecordedTime()
    {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (apt-get install chromium)");
        LiveFixture f;
        QVERIFY(f.command(ClockCommand::Start));
        f.session.ticks.advance(31410);
        QVERIFY(f.command(ClockCommand::Stop1));

        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                 "--user-data-dir=" + profile.path(), "--virtual-time-budget=5000",
                                 "--dump-dom", f.url("/").toString()});
        // the server answers from this thread's event loop while the browser runs
        QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 90000);
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        const QString sep = f.app.competition().numberFormat().decimalSeparator();
        QVERIFY2(dom.contains("<div class=\"time\">31" + sep + "41</div>"), qPrintable(dom.right(3000)));
        QVERIFY(dom.contains("&lt;img src=x onerror=\"alert(1)\"&gt;&amp;\\") && !dom.contains("<img"));
    }
};

QTEST_GUILESS_MAIN(TestLive)
#include "tst_live.moc"
