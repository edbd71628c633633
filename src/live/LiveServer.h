#pragma once

#include "live/LiveState.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

class QHttpServerRequest;
class QHttpServerResponder;
class QTcpSocket;
class QWebSocket;

namespace brv {

class Competition;
class PublicBestResult;
class RaceClock;

// The live results on the local network: a read-only web server for phones and other programs.
//   GET /                  the live page (German, self-contained: the track has no internet)
//   GET /api/tables.json   liveTables() of every round
//   GET /api/heat.json     liveHeat() now
//   /ws                    WebSocket on the same port: the tables and the heat at once, then
//                          every change (a heat message on each start, stop and reset; a tables
//                          message with the rounds that changed)
// HEAD is answered like GET without the body; every other method gets 405, every other path 404.
// Everything runs on the main thread and never waits for a client: writes only fill the
// socket's buffer, and a client whose unsent data grows past the backlog limit is dropped.
//
// What one client may hold is bounded (Limits): a request must arrive whole within
// `requestTimeout`, a connection without a request is closed after `idleTimeout`, one address
// holds at most `perAddress` connections and all together at most `connections`. A new client
// takes the place of an HTTP connection that waits for a request (one of its own address when
// that address is full, else one of the address that holds the most); only when every place
// is a WebSocket is it closed at once. A WebSocket client that has not been heard of for
// `pingInterval` is pinged and dropped when its answer does not come within `pongTimeout`.
class LiveServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveServer)

public:
    struct Limits
    {
        int connections = 256;
        int perAddress = 16;
        qint64 clientBacklog = 1 << 20;
        std::chrono::milliseconds requestTimeout{5000};
        std::chrono::milliseconds idleTimeout{30000};
        std::chrono::milliseconds pingInterval{20000};
        std::chrono::milliseconds pongTimeout{10000};
    };

    LiveServer(Competition& competition, RaceClock& clock, const PublicBestResult& best,
               QObject* parent = nullptr);
    ~LiveServer() override;

    // Listens on `port` (0: a free one); a server that listens already is closed first. False
    // when the port cannot be had; errorString() then says why, in German.
    bool listen(const QHostAddress& address, quint16 port);
    void close();
    bool isListening() const;
    quint16 port() const;
    QString errorString() const { return m_error; }
    // "http://<IP>:<port>/" while listening, else empty.
    QString url() const;

    // The title the page shows.
    void setTitle(const QString& title);

    void setLimits(const Limits& limits);
    const Limits& limits() const { return m_limits; }
    int webSocketCount() const { return int(m_webSockets.size()); }
    // The TCP connections open now, WebSockets included.
    int connectionCount() const;

Q_SIGNALS:
    // A WebSocket client was taken or dropped.
    void webSocketCountChanged(int count);

private:
    class HttpFrontend;
    class Doorkeeper;

    // A WebSocket client and when it was last heard of (milliseconds of m_since); `pinged` is
    // when a ping went out that has not been answered, or -1.
    struct WebSocketClient
    {
        QWebSocket* socket = nullptr;
        qint64 heard = 0;
        qint64 pinged = -1;
    };

    void answer(const QHttpServerRequest& request, QTcpSocket* socket, QHttpServerResponder& responder);
    void takeWebSockets();
    void dropWebSocket(QWebSocket* socket);
    bool hasWebSocket(const QWebSocket* socket) const;
    void send(QWebSocket* socket, const QByteArray& message);
    void heatChanged();
    void tablesChanged(RoundSet rounds);
    void sendPending();
    // The rounds of the clocks: connections past their time closed, quiet WebSockets pinged.
    void watch();
    void updateWatch();
    QByteArray heatMessage() const;
    QByteArray tablesMessage(RoundSet rounds) const;

    Competition& m_competition;
    RaceClock& m_clock;
    const PublicBestResult& m_best;
    QString m_title;
    std::unique_ptr<HttpFrontend> m_http;
    Doorkeeper* m_doorkeeper = nullptr; // owned by m_http
    QHostAddress m_address;
    QString m_error;
    std::vector<WebSocketClient> m_webSockets;
    Limits m_limits;
    QElapsedTimer m_since;
    QTimer m_watchTimer;
    int m_heat = 0;
    bool m_idle = true;
    // changes are gathered until the event loop is free (one operator action, one message); a
    // recorded time is sent at once
    QTimer m_sendTimer;
    bool m_heatPending = false;
    bool m_tablesPending = false;
    RoundSet m_roundsPending;
};

} // namespace brv
