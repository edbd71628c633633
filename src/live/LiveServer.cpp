#include "live/LiveServer.h"

#include "competition/Competition.h"
#include "live/LiveAddress.h"
#include "timing/RaceClock.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

#include <algorithm>

// the page is a resource of this static library; the program links it in
static void initLiveResources()
{
    Q_INIT_RESOURCE(live);
}

namespace brv {
namespace {

// A request longer than this is no browser's GET.
constexpr qint64 kMaxRequestBytes = 16 * 1024;
// The socket's count of the bytes that came since its last answer.
constexpr const char* kUnanswered = "brvUnanswered";
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

} // namespace

// The HTTP side: every request goes to the owner.
class LiveServer::HttpFrontend final : public QAbstractHttpServer
{
public:
    explicit HttpFrontend(LiveServer& owner) : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        // an upgrade to a WebSocket is asked of this too: taken on /ws (true hands the socket to
        // the WebSocket server), refused anywhere else (false closes it)
        if (isWebSocketUpgrade(request))
            return request.url().path() == QLatin1String("/ws");
        QHttpServerResponder responder = makeResponder(request, socket);
        m_owner.answer(request, socket, responder);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override { socket->abort(); }

private:
    LiveServer& m_owner;
};

// The listening socket: counts the open connections (WebSockets included, whose TCP socket
// lives as long as they do) and closes one beyond the limit at once. The sockets are looked at
// rather than followed by signals, since the HTTP server disconnects every signal of a socket
// that it hands to the WebSockets.
class LiveServer::ConnectionCounter final : public QTcpServer
{
public:
    explicit ConnectionCounter(const LiveServer& owner) : m_owner(owner) {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        std::erase_if(m_open, [](const QPointer<QTcpSocket>& open) {
            return !open || open->state() == QAbstractSocket::UnconnectedState;
        });
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || int(m_open.size()) >= m_owner.connectionLimit()) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        m_open.emplace_back(socket);
        // a request that does not end is cut off instead of filling the memory: what arrives is
        // counted until it is answered (the HTTP server reads what came and keeps it meanwhile)
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            const qint64 unanswered = socket->property(kUnanswered).toLongLong() + socket->bytesAvailable();
            socket->setProperty(kUnanswered, unanswered);
            if (unanswered > kMaxRequestBytes)
                socket->abort();
        });
        addPendingConnection(socket);
    }

private:
    const LiveServer& m_owner;
    std::vector<QPointer<QTcpSocket>> m_open;
};

LiveServer::LiveServer(Competition& competition, RaceClock& clock, QObject* parent)
    : QObject(parent), m_competition(competition), m_clock(clock)
{
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setInterval(0);
    connect(&m_sendTimer, &QTimer::timeout, this, &LiveServer::sendPending);

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
    connect(&competition, &Competition::tvChanged, this, &LiveServer::heatChanged);
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
    auto* tcp = new ConnectionCounter(*this);
    if (!tcp->listen(address, port)) {
        m_error = listenError(*tcp, port);
        delete tcp;
        return false;
    }
    http->bind(tcp);
    connect(http.get(), &QAbstractHttpServer::newWebSocketConnection, this, &LiveServer::takeWebSockets);
    m_http = std::move(http);
    m_address = address;
    m_error.clear();
    return true;
}

void LiveServer::close()
{
    const std::vector<QWebSocket*> sockets = m_webSockets;
    for (QWebSocket* socket : sockets)
        dropWebSocket(socket);
    m_http.reset();
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
    socket->setProperty(kUnanswered, 0);
    // a client that does not take what it asked for gets nothing more
    if (socket->bytesToWrite() > m_backlogLimit) {
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
        socket->setMaxAllowedIncomingFrameSize(kMaxIncomingMessage);
        socket->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropWebSocket(socket); });
        m_webSockets.push_back(socket);
        Q_EMIT webSocketCountChanged(webSocketCount());
        send(socket, tablesMessage(kEveryRound));
        send(socket, heatMessage());
    }
}

void LiveServer::dropWebSocket(QWebSocket* socket)
{
    const auto it = std::find(m_webSockets.begin(), m_webSockets.end(), socket);
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
    if (socket->bytesToWrite() > m_backlogLimit) {
        dropWebSocket(socket);
        return;
    }
    socket->sendTextMessage(QString::fromUtf8(message));
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
    const std::vector<QWebSocket*> sockets = m_webSockets;
    for (const QByteArray& message : messages) {
        for (QWebSocket* socket : sockets) {
            if (std::find(m_webSockets.begin(), m_webSockets.end(), socket) != m_webSockets.end())
                send(socket, message);
        }
    }
}

QByteArray LiveServer::heatMessage() const
{
    return QJsonDocument(liveHeat(m_competition, m_clock, m_clock.now(), m_heat))
        .toJson(QJsonDocument::Compact);
}

QByteArray LiveServer::tablesMessage(RoundSet rounds) const
{
    return QJsonDocument(liveTables(m_competition, m_title, rounds)).toJson(QJsonDocument::Compact);
}

} // namespace brv
