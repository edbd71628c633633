#pragma once

#include "live/LiveState.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class QHttpServerRequest;
class QHttpServerResponder;
class QTcpSocket;
class QWebSocket;

namespace brv {

class Competition;
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
// socket's buffer, and a client whose unsent data grows past clientBacklogLimit() is dropped.
// At most connectionLimit() connections are open; one more is closed at once.
class LiveServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveServer)

public:
    static constexpr int kDefaultConnectionLimit = 256;
    static constexpr qint64 kDefaultClientBacklog = 1 << 20;

    LiveServer(Competition& competition, RaceClock& clock, QObject* parent = nullptr);
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

    void setConnectionLimit(int limit) { m_connectionLimit = limit; }
    int connectionLimit() const { return m_connectionLimit; }
    void setClientBacklogLimit(qint64 bytes) { m_backlogLimit = bytes; }
    qint64 clientBacklogLimit() const { return m_backlogLimit; }
    int webSocketCount() const { return int(m_webSockets.size()); }

Q_SIGNALS:
    // A WebSocket client was taken or dropped.
    void webSocketCountChanged(int count);

private:
    class HttpFrontend;
    class ConnectionCounter;

    void answer(const QHttpServerRequest& request, QTcpSocket* socket, QHttpServerResponder& responder);
    void takeWebSockets();
    void dropWebSocket(QWebSocket* socket);
    void send(QWebSocket* socket, const QByteArray& message);
    void heatChanged();
    void tablesChanged(RoundSet rounds);
    void sendPending();
    QByteArray heatMessage() const;
    QByteArray tablesMessage(RoundSet rounds) const;

    Competition& m_competition;
    RaceClock& m_clock;
    QString m_title;
    std::unique_ptr<HttpFrontend> m_http;
    QHostAddress m_address;
    QString m_error;
    std::vector<QWebSocket*> m_webSockets;
    int m_connectionLimit = kDefaultConnectionLimit;
    qint64 m_backlogLimit = kDefaultClientBacklog;
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
