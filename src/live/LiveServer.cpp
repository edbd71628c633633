#include "live/LiveServer.h"

#include "competition/Competition.h"
#include "competition/PublicBestResult.h"
#include "live/LiveAddress.h"
#include "timing/RaceClock.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

// the page is a resource of this static library; the program links it in
static void initLiveResources()
{
    Q_INIT_RESOURCE(live);
}

namespace brv {
namespace {

// A request longer than this is no browser's GET.
constexpr qint64 kMaxRequestBytes = 16 * 1024;
// Clients send nothing but the WebSocket's own control frames.
constexpr qint64 kMaxIncomingMessage = 1024;

const QByteArray& livePage()
{
    static const QByteArray page = [] {
        initLiveResources();
        QFile file(QStringLiteral(":/live/index.html"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return page;
}

QString listenError(const QTcpServer& server, quint16 port)
{
    switch (server.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("Port %1 ist schon belegt").arg(port);
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Port %1 darf nicht geöffnet werden").arg(port);
    default:
        return QStringLiteral("Port %1 kann nicht geöffnet werden (%2)").arg(port).arg(server.errorString());
    }
}

bool isWebSocketUpgrade(const QHttpServerRequest& request)
{
    const QList<QPair<QByteArray, QByteArray>> headers = request.headers();
    return std::any_of(headers.begin(), headers.end(), [](const QPair<QByteArray, QByteArray>& header) {
        return header.first.compare("upgrade", Qt::CaseInsensitive) == 0 &&
               header.second.trimmed().compare("websocket", Qt::CaseInsensitive) == 0;
    });
}

// Bytes that came on the connection and wait in the system's buffer, not yet read.
qint64 waitingInSystem(const QTcpSocket& socket)
{
#ifdef Q_OS_UNIX
    int count = 0;
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor >= 0 && ::ioctl(int(descriptor), FIONREAD, &count) == 0)
        return count;
#else
    Q_UNUSED(socket);
#endif
    return 0;
}

} // namespace

// The listening socket and the door: it follows every connection from its opening to its end
// and decides who may stay (see Limits). The sockets are looked at rather than followed by
// their signals to the end, since the HTTP server disconnects every signal of a socket that it
// hands to the WebSockets.
class LiveServer::Doorkeeper final : public QTcpServer
{
public:
    explicit Doorkeeper(const LiveServer& owner) : m_owner(owner) {}

    int openCount()
    {
        forgetClosed();
        return int(m_open.size());
    }
    // An answer went out, or the connection became a WebSocket: nothing is under way on it.
    void answered(QTcpSocket* socket, bool webSocket)
    {
        if (Connection* c = find(socket)) {
            c->since = m_owner.m_since.elapsed();
            c->requestFrom = -1;
            c->unanswered = 0;
            c->webSocket = c->webSocket || webSocket;
        }
    }
    // Closes the HTTP connections past their time.
    void watch(qint64 now)
    {
        forgetClosed();
        const Limits& limits = m_owner.m_limits;
        const std::vector<Connection> open = m_open;
        for (const Connection& c : open) {
            const bool late = c.requestFrom >= 0 && now - c.requestFrom > limits.requestTimeout.count();
            const bool idle = c.requestFrom < 0 && now - c.since > limits.idleTimeout.count();
            if (!c.webSocket && (late || idle))
                shut(c.socket);
        }
        forgetClosed();
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        forgetClosed();
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            socket->deleteLater();
            return;
        }
        const QHostAddress peer = socket->peerAddress();
        const Limits& limits = m_owner.m_limits;
        const bool full = m_countOf.value(peer) >= limits.perAddress ? !makeRoom(&peer)
                          : int(m_open.size()) >= limits.connections ? !makeRoom(nullptr)
                                                                     : false;
        if (full) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        m_open.push_back({socket, peer, m_owner.m_since.elapsed()});
        ++m_countOf[peer];
        // a request that does not end is cut off instead of filling the memory: what arrives is
        // counted until it is answered (the HTTP server reads what came and keeps it meanwhile)
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            Connection* c = find(socket);
            if (!c)
                return;
            if (c->requestFrom < 0)
                c->requestFrom = m_owner.m_since.elapsed();
            c->unanswered += socket->bytesAvailable();
            if (c->unanswered > kMaxRequestBytes)
                shut(socket);
        });
        addPendingConnection(socket);
    }

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QHostAddress peer;
        qint64 since = 0;        // opened, or answered last (milliseconds of the owner's clock)
        qint64 requestFrom = -1; // the first byte of the request under way came; -1: none
        qint64 unanswered = 0;   // bytes that came since the last answer
        bool webSocket = false;
    };

    Connection* find(const QTcpSocket* socket)
    {
        const auto it = std::find_if(m_open.begin(), m_open.end(),
                                     [socket](const Connection& c) { return c.socket == socket; });
        return it == m_open.end() ? nullptr : &*it;
    }
    void forget(std::vector<Connection>::iterator it)
    {
        if (--m_countOf[it->peer] <= 0)
            m_countOf.remove(it->peer);
        m_open.erase(it);
    }
    void forgetClosed()
    {
        for (auto it = m_open.begin(); it != m_open.end();) {
            if (!it->socket || it->socket->state() == QAbstractSocket::UnconnectedState)
                forget(it);
            else
                ++it;
        }
    }
    // Closes one HTTP connection (of `peer`, when given) to make room. It is taken from the
    // address that holds the most connections, so that one who opens many cannot push out one
    // who opens few: there the one that has waited longest for a request, or, when every one
    // has a request on its way, the one whose request began first (a whole request is answered
    // the moment it is read). False when there is none.
    bool makeRoom(const QHostAddress* peer)
    {
        auto before = [this](const Connection& a, const Connection& b) {
            const int aCount = m_countOf.value(a.peer);
            const int bCount = m_countOf.value(b.peer);
            if (aCount != bCount)
                return aCount > bCount;
            const bool aIdle = a.requestFrom < 0;
            if (aIdle != (b.requestFrom < 0))
                return aIdle;
            return aIdle ? a.since < b.since : a.requestFrom < b.requestFrom;
        };
        for (;;) {
            auto victim = m_open.end();
            for (auto it = m_open.begin(); it != m_open.end(); ++it) {
                if (!it->webSocket && (!peer || it->peer == *peer) &&
                    (victim == m_open.end() || before(*it, *victim)))
                    victim = it;
            }
            if (victim == m_open.end())
                return false;
            // a request that came but waits unread while the event loop is busy is no idleness
            if (victim->requestFrom < 0 && waitingInSystem(*victim->socket) > 0) {
                victim->requestFrom = m_owner.m_since.elapsed();
                continue;
            }
            shut(victim->socket);
            forget(victim);
            return true;
        }
    }
    // Closes a connection for good. What the HTTP server would still read of it (a signal
    // already on its way included) is read no more: a read of a closed socket only complains.
    static void shut(QTcpSocket* socket)
    {
        if (!socket)
            return;
        disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        socket->abort();
    }

    const LiveServer& m_owner;
    std::vector<Connection> m_open;
    QHash<QHostAddress, int> m_countOf; // open connections by address
};

// The HTTP side: every request goes to the owner.
class LiveServer::HttpFrontend final : public QAbstractHttpServer
{
public:
    explicit HttpFrontend(LiveServer& owner) : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        // an upgrade to a WebSocket is asked of this too: true hands the socket to the WebSocket
        // server (one that asked for another path than /ws is closed there: false would cost a
        // line on standard error each time)
        if (isWebSocketUpgrade(request)) {
            if (m_owner.m_doorkeeper)
                m_owner.m_doorkeeper->answered(socket, true);
            return true;
        }
        QHttpServerResponder responder = makeResponder(request, socket);
        m_owner.answer(request, socket, responder);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override { socket->abort(); }

private:
    LiveServer& m_owner;
};

LiveServer::LiveServer(Competition& competition, RaceClock& clock, const PublicBestResult& best,
                       QObject* parent)
    : QObject(parent), m_competition(competition), m_clock(clock), m_best(best)
{
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setInterval(0);
    connect(&m_sendTimer, &QTimer::timeout, this, &LiveServer::sendPending);
    m_since.start();
    connect(&m_watchTimer, &QTimer::timeout, this, &LiveServer::watch);
    updateWatch();

    connect(&clock, &RaceClock::runStateChanged, this, [this](RunState state) {
        if (m_idle && state != RunState::Idle)
            ++m_heat;
        m_idle = state == RunState::Idle;
        heatChanged();
    });
    connect(&clock, &RaceClock::controlsChanged, this, &LiveServer::heatChanged);
    // a recorded time goes out at once, with its row: an action that follows at once (a reset
    // right after the last stop) must not fold it into what comes after
    connect(&clock, &RaceClock::laneStopped, this, [this] {
        heatChanged();
        sendPending();
    });
    connect(&competition, &Competition::lanesChanged, this, &LiveServer::heatChanged);
    connect(&best, &PublicBestResult::changed, this, &LiveServer::heatChanged);
    connect(&competition, &Competition::pageChanged, this, [this] {
        heatChanged();
        tablesChanged({}); // the current page
    });
    const ProtocolTables& tables = competition.tables();
    auto one = [](CompetitionRound round) { return RoundSet().set(std::size_t(roundIndex(round))); };
    connect(&tables, &ProtocolTables::rowsChanged, this,
            [this, one](CompetitionRound round) { tablesChanged(one(round)); });
    connect(&tables, &ProtocolTables::tableChanged, this,
            [this, one](CompetitionRound round) { tablesChanged(one(round)); });
    connect(&tables, &ProtocolTables::captionsChanged, this, [this] { tablesChanged(kEveryRound); });
}

LiveServer::~LiveServer()
{
    close();
}

bool LiveServer::listen(const QHostAddress& address, quint16 port)
{
    close();
    auto http = std::make_unique<HttpFrontend>(*this);
    auto* tcp = new Doorkeeper(*this);
    // connections beyond the places wait in the system's queue for their turn rather than be
    // refused there (the system caps the queue at its own maximum)
    tcp->setListenBacklogSize(4096);
    if (!tcp->listen(address, port)) {
        m_error = listenError(*tcp, port);
        delete tcp;
        return false;
    }
    http->bind(tcp);
    connect(http.get(), &QAbstractHttpServer::newWebSocketConnection, this, &LiveServer::takeWebSockets);
    m_http = std::move(http);
    m_doorkeeper = tcp;
    m_address = address;
    m_error.clear();
    m_watchTimer.start();
    return true;
}

void LiveServer::close()
{
    while (!m_webSockets.empty())
        dropWebSocket(m_webSockets.back().socket);
    m_watchTimer.stop();
    m_doorkeeper = nullptr;
    m_http.reset();
}

void LiveServer::setLimits(const Limits& limits)
{
    m_limits = limits;
    updateWatch();
}

// The clocks are looked at a few times within the shortest of the times: the work is a walk
// over the open connections, small beside what a heat asks of the main thread.
void LiveServer::updateWatch()
{
    using namespace std::chrono;
    const milliseconds shortest = std::min(
        {m_limits.requestTimeout, m_limits.idleTimeout, m_limits.pingInterval, m_limits.pongTimeout});
    m_watchTimer.setInterval(std::clamp(shortest / 4, milliseconds(20), milliseconds(1000)));
}

int LiveServer::connectionCount() const
{
    return m_doorkeeper ? m_doorkeeper->openCount() : 0;
}

bool LiveServer::isListening() const
{
    return m_http != nullptr;
}

quint16 LiveServer::port() const
{
    const QList<QTcpServer*> servers = m_http ? m_http->servers() : QList<QTcpServer*>();
    return servers.isEmpty() ? 0 : servers.first()->serverPort();
}

QString LiveServer::url() const
{
    return isListening() ? liveResultsUrl(m_address, port()) : QString();
}

void LiveServer::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    tablesChanged(kEveryRound);
}

// ---------------------------------------------------------------- HTTP

void LiveServer::answer(const QHttpServerRequest& request, QTcpSocket* socket,
                        QHttpServerResponder& responder)
{
    using Status = QHttpServerResponder::StatusCode;
    if (m_doorkeeper)
        m_doorkeeper->answered(socket, false);
    // a client that does not take what it asked for gets nothing more
    if (socket->bytesToWrite() > m_limits.clientBacklog) {
        socket->abort();
        return;
    }
    const QByteArray text("text/plain; charset=utf-8");
    const QHttpServerRequest::Method method = request.method();
    const bool head = method == QHttpServerRequest::Method::Head;
    if (method != QHttpServerRequest::Method::Get && !head) {
        responder.write(QByteArrayLiteral("Nur Lesen: GET oder HEAD\n"),
                        {{"Content-Type", text}, {"Allow", "GET, HEAD"}}, Status::MethodNotAllowed);
        return;
    }
    const QString path = request.url().path();
    QByteArray body;
    QByteArray type("application/json");
    if (path == QLatin1String("/")) {
        body = livePage();
        type = "text/html; charset=utf-8";
    } else if (path == QLatin1String("/api/tables.json")) {
        body = tablesMessage(kEveryRound);
    } else if (path == QLatin1String("/api/heat.json")) {
        body = heatMessage();
    } else {
        responder.write(QByteArrayLiteral("Nicht gefunden\n"), {{"Content-Type", text}}, Status::NotFound);
        return;
    }
    if (!head) {
        responder.write(
            body,
            {{"Content-Type", type}, {"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}},
            Status::Ok);
        return;
    }
    responder.writeStatusLine(Status::Ok);
    responder.writeHeaders({{"Content-Type", type},
                            {"Cache-Control", "no-store"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Content-Length", QByteArray::number(body.size())}});
    responder.writeBody(QByteArray());
}

// ---------------------------------------------------------------- WebSockets

void LiveServer::takeWebSockets()
{
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        if (!socket)
            break;
        socket->setParent(this);
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(kMaxIncomingMessage);
        socket->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropWebSocket(socket); });
        // whatever comes from the client shows that it is there
        auto heard = [this, socket] {
            const auto it = std::find_if(m_webSockets.begin(), m_webSockets.end(),
                                         [socket](const WebSocketClient& c) { return c.socket == socket; });
            if (it != m_webSockets.end()) {
                it->heard = m_since.elapsed();
                it->pinged = -1;
            }
        };
        connect(socket, &QWebSocket::pong, this, heard);
        connect(socket, &QWebSocket::textMessageReceived, this, heard);
        connect(socket, &QWebSocket::binaryMessageReceived, this, heard);
        m_webSockets.push_back({socket, m_since.elapsed()});
        Q_EMIT webSocketCountChanged(webSocketCount());
        send(socket, tablesMessage(kEveryRound));
        if (hasWebSocket(socket))
            send(socket, heatMessage());
    }
}

bool LiveServer::hasWebSocket(const QWebSocket* socket) const
{
    return std::any_of(m_webSockets.begin(), m_webSockets.end(),
                       [socket](const WebSocketClient& c) { return c.socket == socket; });
}

void LiveServer::dropWebSocket(QWebSocket* socket)
{
    const auto it = std::find_if(m_webSockets.begin(), m_webSockets.end(),
                                 [socket](const WebSocketClient& c) { return c.socket == socket; });
    if (it == m_webSockets.end())
        return;
    m_webSockets.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    Q_EMIT webSocketCountChanged(webSocketCount());
}

void LiveServer::send(QWebSocket* socket, const QByteArray& message)
{
    // a client that does not read (a phone gone to sleep, a broken network) is let go before
    // its unsent data takes the memory
    if (socket->bytesToWrite() > m_limits.clientBacklog) {
        dropWebSocket(socket);
        return;
    }
    socket->sendTextMessage(QString::fromUtf8(message));
}

void LiveServer::watch()
{
    const qint64 now = m_since.elapsed();
    if (m_doorkeeper)
        m_doorkeeper->watch(now);
    std::vector<QWebSocket*> silent;
    for (WebSocketClient& client : m_webSockets) {
        if (client.pinged >= 0 && now - client.pinged > m_limits.pongTimeout.count()) {
            silent.push_back(client.socket);
        } else if (client.pinged < 0 && now - client.heard >= m_limits.pingInterval.count()) {
            client.pinged = now;
            client.socket->ping();
        }
    }
    for (QWebSocket* socket : silent)
        dropWebSocket(socket);
}

void LiveServer::heatChanged()
{
    m_heatPending = true;
    m_sendTimer.start();
}

void LiveServer::tablesChanged(RoundSet rounds)
{
    // an empty set still sends which page is current
    m_roundsPending |= rounds;
    m_tablesPending = true;
    m_sendTimer.start();
}

void LiveServer::sendPending()
{
    m_sendTimer.stop();
    std::vector<QByteArray> messages;
    if (!m_webSockets.empty() && m_tablesPending)
        messages.push_back(tablesMessage(m_roundsPending));
    if (!m_webSockets.empty() && m_heatPending)
        messages.push_back(heatMessage());
    m_tablesPending = false;
    m_heatPending = false;
    m_roundsPending.reset();
    std::vector<QWebSocket*> sockets;
    for (const WebSocketClient& client : m_webSockets)
        sockets.push_back(client.socket);
    for (const QByteArray& message : messages) {
        for (QWebSocket* socket : sockets) {
            if (hasWebSocket(socket))
                send(socket, message);
        }
    }
}

QByteArray LiveServer::heatMessage() const
{
    return QJsonDocument(liveHeat(m_competition, m_clock, m_best.value(), m_clock.now(), m_heat))
        .toJson(QJsonDocument::Compact);
}

QByteArray LiveServer::tablesMessage(RoundSet rounds) const
{
    return QJsonDocument(liveTables(m_competition, m_title, rounds)).toJson(QJsonDocument::Compact);
}

} // namespace brv
