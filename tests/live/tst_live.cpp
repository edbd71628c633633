#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "live/LiveAddress.h"
#include "live/LiveServer.h"
#include "protocol/ProtocolFiles.h"
#include "settings/SettingsStore.h"
#include "timing/RaceClock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

using namespace brv;

namespace {

// A name that is markup, JSON and a line break at once.
const QString kNastyName = QStringLiteral("<img src=x onerror=\"alert(1)\">&\\ \n Team");

// The example competition in a session whose live results listen on a free loopback port, with
// the nasty name on the first team (on lane 1).
struct LiveFixture
{
    test::SessionFixture session;
    AppSession* app = nullptr;
    QNetworkAccessManager net;

    LiveFixture()
    {
        app = &session.newSession();
        // port 0: a free one
        Settings settings = app->settings();
        settings.liveResultsOn = true;
        settings.liveResultsPort = 0;
        app->applySettings(settings);
        app->loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK));
        Competition& c = app->competition();
        c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, kNastyName);
        c.enterRound(CompetitionRound::Vorrunde);
        net.setProxy(QNetworkProxy::NoProxy);
    }
    QUrl url(const QString& path) const { return QUrl(app->liveServer().url()).resolved(QUrl(path)); }
    QUrl webSocketUrl(const QString& path = QStringLiteral("/ws")) const
    {
        QUrl ws = url(path);
        ws.setScheme(QStringLiteral("ws"));
        return ws;
    }
    // verb, path → status, content type, body
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
    QJsonObject lane(int lane) { return json("/api/heat.json")["lanes"][lane - 1].toObject(); }
    RaceClock& clock() { return app->clock(); }
};

} // namespace

class TestLive final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routes_data();
    void routes();
    void tablesAndHeatAsTheProgramShowsThem();
    void recordedTimeReachesWebSocketClients();
    void surplusAndSlowClientsAreLetGo();
    void busyPortAndSwitchingOff();
    void addressAndQrCode_data();
    void addressAndQrCode();
    void browserShowsTheRecordedTime();
};

void TestLive::routes_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("contains"); // empty: the body is empty

    QTest::newRow("page") << QByteArray("GET") << "/" << 200 << QByteArray("text/html; charset=utf-8")
                          << QByteArray("<html lang=\"de\">");
    QTest::newRow("tables") << QByteArray("GET") << "/api/tables.json" << 200
                            << QByteArray("application/json") << QByteArray("\"type\":\"tables\"");
    QTest::newRow("heat with a query") << QByteArray("GET") << "/api/heat.json?x=1" << 200
                                       << QByteArray("application/json") << QByteArray("\"type\":\"heat\"");
    QTest::newRow("HEAD has no body")
        << QByteArray("HEAD") << "/api/heat.json" << 200 << QByteArray("application/json") << QByteArray();
    for (const char* verb : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"})
        QTest::addRow("%s changes nothing", verb)
            << QByteArray(verb) << "/api/tables.json" << 405 << QByteArray("text/plain; charset=utf-8")
            << QByteArray("GET");
    QTest::newRow("POST to an unknown path") << QByteArray("POST") << "/nichts" << 405
                                             << QByteArray("text/plain; charset=utf-8") << QByteArray("GET");
    for (const char* path : {"/index.html", "/api/", "/api/tables.json/", "/ws", "/%2e%2e/etc/passwd"})
        QTest::addRow("unknown %s", path) << QByteArray("GET") << QString::fromLatin1(path) << 404
                                          << QByteArray("text/plain; charset=utf-8") << QByteArray("Nicht");
}

void TestLive::routes()
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

// The tables as the main window shows them (the class and lane-3 columns hidden), the team name
// exactly as typed, and a heat from ready to running, stopped and the best result.
void TestLive::tablesAndHeatAsTheProgramShowsThem()
{
    LiveFixture f;
    const QJsonObject tables = f.json("/api/tables.json");
    QCOMPARE(tables["current"].toInt(), 0);
    QCOMPARE(tables["title"].toString(), QStringLiteral("Brenvolutaris"));
    const QJsonArray rounds = tables["rounds"].toArray();
    QCOMPARE(rounds.size(), 6);
    QCOMPARE(rounds[5]["name"].toString(), QStringLiteral("Gesamt-Ergebnis"));
    const QJsonObject vorrunde = rounds[0].toObject();
    QCOMPARE(vorrunde["columns"].toArray().size(), 14 - 1 - 3);
    QCOMPARE(vorrunde["rows"].toArray().size(),
             f.app->competition().grid(CompetitionRound::Vorrunde).dataRowCount());
    QCOMPARE(vorrunde["rows"][0][1].toString(), kNastyName.trimmed());
    const QByteArray escaped = "=\\\"alert(1)\\\">&\\\\ \\n Team"; // quote, backslash, line break
    QVERIFY(std::get<2>(f.request("GET", "/api/tables.json")).contains(escaped));

    QCOMPARE(f.lane(1)["team"].toString(), kNastyName.trimmed());
    QCOMPARE(f.lane(1)["nr"].toString(), QStringLiteral("1"));
    QCOMPARE(f.lane(2)["state"].toString(), QStringLiteral("ready"));
    QVERIFY(f.clock().command(ClockCommand::Start).trigger());
    f.session.ticks.advance(1500);
    QCOMPARE(f.lane(1)["state"].toString(), QStringLiteral("running"));
    QCOMPARE(f.lane(1)["elapsedMs"].toInt(), 1500);
    f.session.ticks.advance(10840);
    QVERIFY(f.clock().command(ClockCommand::Stop1).trigger());
    const QString sep = f.app->competition().numberFormat().decimalSeparator();
    QCOMPARE(f.lane(1)["state"].toString(), QStringLiteral("stopped"));
    QCOMPARE(f.lane(1)["ms"].toInt(), 12340);
    QCOMPARE(f.lane(1)["time"].toString(), "12" + sep + "34");
    QCOMPARE(f.json("/api/heat.json")["state"].toString(), QStringLiteral("finishing"));
    f.session.ticks.advance(1000);
    QVERIFY(f.clock().command(ClockCommand::Stop2).trigger());
    const QJsonObject heat = f.json("/api/heat.json");
    QCOMPARE(heat["heat"].toInt(), 1);
    QCOMPARE(heat["best"]["time"].toString(), "12" + sep + "34");
    QCOMPARE(heat["best"]["team"].toString(), kNastyName.trimmed());
}

// Connected clients get the tables and the heat at once, then each change; a time recorded
// through the session reaches every client.
void TestLive::recordedTimeReachesWebSocketClients()
{
    LiveFixture f;
    std::array<QWebSocket, 2> clients;
    std::array<std::vector<QJsonObject>, 2> received;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        clients[i].setProxy(QNetworkProxy::NoProxy);
        connect(&clients[i], &QWebSocket::textMessageReceived, this, [&received, i](const QString& text) {
            received[i].push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        clients[i].open(f.webSocketUrl());
    }
    QTRY_COMPARE(f.app->liveServer().webSocketCount(), 2);
    QTRY_COMPARE(received[1].size(), std::size_t(2));
    QCOMPARE(received[1][0]["type"].toString(), QStringLiteral("tables"));
    QCOMPARE(received[1][1]["lanes"][0]["state"].toString(), QStringLiteral("ready"));

    // both stops and the reset at once, quicker than any operator: each time still goes out,
    // the first with lane 1 running on
    QVERIFY(f.clock().command(ClockCommand::Start).trigger());
    f.session.ticks.advance(23450);
    QVERIFY(f.clock().command(ClockCommand::Stop2).trigger());
    f.session.ticks.advance(1000);
    QVERIFY(f.clock().command(ClockCommand::Stop1).trigger());
    QVERIFY(f.clock().command(ClockCommand::Reset).trigger());
    auto stopped = [](const std::vector<QJsonObject>& messages, int lane, int ms, const char* other) {
        return std::any_of(messages.begin(), messages.end(), [=](const QJsonObject& m) {
            return m["heat"] == 1 && m["lanes"][lane - 1]["state"] == QStringLiteral("stopped") &&
                   m["lanes"][lane - 1]["ms"] == ms && m["lanes"][2 - lane]["state"] == QLatin1String(other);
        });
    };
    for (const std::vector<QJsonObject>& messages : received) {
        QTRY_VERIFY(stopped(messages, 2, 23450, "running") && stopped(messages, 1, 24450, "stopped"));
        QVERIFY(std::any_of(messages.begin(), messages.end(),
                            [](const QJsonObject& m) { return m["lanes"][0]["elapsedMs"] == 23450; }));
    }
    // the row of the team on lane 2 changed: its round's table came along
    QVERIFY(std::any_of(received[0].begin() + 2, received[0].end(), [](const QJsonObject& m) {
        return m["type"] == QStringLiteral("tables") && m["rounds"].toArray().size() == 1;
    }));

    // only /ws is a WebSocket
    QWebSocket stranger;
    stranger.setProxy(QNetworkProxy::NoProxy);
    QSignalSpy closed(&stranger, &QWebSocket::disconnected);
    stranger.open(f.webSocketUrl(QStringLiteral("/anders")));
    QVERIFY(closed.wait(5000));
    QCOMPARE(f.app->liveServer().webSocketCount(), 2);
}

// One connection beyond the limit is closed at once, an open WebSocket counted, a closed one no
// longer; a client whose unsent data passes the backlog limit is dropped instead of holding up
// the others.
void TestLive::surplusAndSlowClientsAreLetGo()
{
    LiveFixture f;
    LiveServer& server = f.app->liveServer();
    server.setConnectionLimit(2);
    QWebSocket client;
    client.setProxy(QNetworkProxy::NoProxy);
    client.open(f.webSocketUrl());
    QTRY_COMPARE(server.webSocketCount(), 1);
    std::array<QTcpSocket, 2> sockets;
    for (QTcpSocket& socket : sockets) {
        socket.setProxy(QNetworkProxy::NoProxy);
        socket.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(socket.waitForConnected(5000));
    }
    QTRY_COMPARE(sockets[1].state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(sockets[0].state(), QAbstractSocket::ConnectedState);
    client.close();
    QTRY_COMPARE(server.webSocketCount(), 0);
    QTRY_COMPARE(std::get<0>(f.request("GET", "/api/heat.json")), 200); // its place is free again

    server.setConnectionLimit(LiveServer::kDefaultConnectionLimit);
    server.setClientBacklogLimit(0); // the greeting's second message finds the first unsent
    QWebSocket slow;
    slow.setProxy(QNetworkProxy::NoProxy);
    QSignalSpy dropped(&slow, &QWebSocket::disconnected);
    slow.open(f.webSocketUrl());
    QVERIFY(dropped.wait(5000));
    QCOMPARE(server.webSocketCount(), 0);
}

void TestLive::busyPortAndSwitchingOff()
{
    LiveFixture f;
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::LocalHost));
    QSignalSpy changed(f.app, &AppSession::liveResultsChanged);
    Settings s = f.app->settings();
    s.liveResultsPort = occupant.serverPort();
    f.app->applySettings(s);
    const QString busy = QStringLiteral("Port %1 ist schon belegt").arg(occupant.serverPort());
    QCOMPARE(f.app->liveResultsText(), "Live: " + busy);
    QVERIFY(f.app->statusMessage().endsWith(busy));
    QVERIFY(!f.app->liveServer().isListening());
    occupant.close();
    f.app->applySettings(s); // the port is free now
    QCOMPARE(f.app->liveResultsText(), QStringLiteral("http://127.0.0.1:%1/").arg(s.liveResultsPort));
    s.liveResultsOn = false;
    f.app->applySettings(s);
    QCOMPARE(f.app->liveResultsText(), QString());
    QVERIFY(!f.app->liveServer().isListening());
    QCOMPARE(changed.size(), 3);
}

void TestLive::addressAndQrCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size"); // 0: no code

    QTest::newRow("nothing") << QString() << 0;
    QTest::newRow("14 bytes: version 1") << QStringLiteral("http://1.2.3.4") << 21;
    QTest::newRow("15 bytes: version 2") << QStringLiteral("http://1.2.3.4/") << 25;
    QTest::newRow("the longest address: version 3") << QStringLiteral("http://192.168.100.200:65535/") << 29;
}

void TestLive::addressAndQrCode()
{
    QFETCH(QString, text);
    QFETCH(int, size);
    const QrMatrix code = qrMatrix(text);
    QCOMPARE(code.size, size);
    QCOMPARE(int(code.dark.size()), size * size);
    // the three finder patterns: a dark ring of 7 × 7 with a light one inside it
    for (const auto& [x0, y0] : std::vector<std::pair<int, int>>{{0, 0}, {size - 7, 0}, {0, size - 7}}) {
        for (int i = 0; i < 7 && size > 0; ++i) {
            QVERIFY(code.at(x0 + i, y0) && code.at(x0, y0 + i) && code.at(x0 + 6, y0 + i));
            QVERIFY(i == 0 || i == 6 || !code.at(x0 + i, y0 + 1));
        }
    }
    QCOMPARE(liveResultsUrl(QHostAddress::LocalHost, 8080), QStringLiteral("http://127.0.0.1:8080/"));
    const QString anywhere = liveResultsUrl(QHostAddress::Any, 8080);
    QVERIFY2(anywhere.startsWith("http://") && anywhere.endsWith(":8080/") && !anywhere.contains("0.0.0.0"),
             qPrintable(anywhere));
}

// Debian's headless Chromium opens the page after a heat: the time and the team are on it, the
// team's name as text.
void TestLive::browserShowsTheRecordedTime()
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (apt-get install chromium)");
    LiveFixture f;
    QVERIFY(f.clock().command(ClockCommand::Start).trigger());
    f.session.ticks.advance(31410);
    QVERIFY(f.clock().command(ClockCommand::Stop1).trigger());

    QTemporaryDir profile;
    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--user-data-dir=" + profile.path(), "--virtual-time-budget=5000", "--dump-dom",
                             f.url("/").toString()});
    // the server answers from this thread's event loop while the browser runs
    QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 90000);
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QString sep = f.app->competition().numberFormat().decimalSeparator();
    QVERIFY2(dom.contains("<div class=\"time\">31" + sep + "41</div>"), qPrintable(dom.right(3000)));
    QVERIFY(dom.contains("&lt;img src=x onerror=\"alert(1)\"&gt;&amp;\\"));
    QVERIFY(!dom.contains("<img"));
}

QTEST_GUILESS_MAIN(TestLive)
#include "tst_live.moc"
