#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>

#include <atomic>
#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;
class QWebSocket;
class QWebSocketServer;

// The live feed's server, read-only, on a thread of its own: GET /state.json gives the latest
// message, a WebSocket at /feed gets it on connecting and then every message published, and the
// pages built into the program are served at their fixed paths. Nothing a client sends is obeyed
// and nothing is read from disk. A client is held to small limits so that none can make the server
// keep more than a few hundred kilobytes for it or hold a connection open without asking.
class FeedServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FeedServer)

public:
    static constexpr int MaxConnections = 200;
    static constexpr int MaxRequestBytes = 8192; // request line and headers together
    static constexpr int MaxRequestLineBytes = 2048;
    static constexpr int RequestTimeoutMs = 10000; // to send a whole request
    static constexpr qint64 MaxUnsentBytes = 256 * 1024; // per WebSocket client
    // The system's send buffer of a WebSocket client, kept small so that what a client does not
    // read waits in this program, where MaxUnsentBytes sees it, not in megabytes of the system's.
    static constexpr int SendBufferBytes = 64 * 1024;
    static constexpr int MaxIncomingFrameBytes = 1024;
    // After this long without a message the clients get a keep-alive, so that a page can tell a
    // quiet bout (between jams, in a timeout) from a link that died without closing.
    static constexpr int KeepAliveMs = 2000;
    static constexpr char KeepAliveMessage[] = "{\"keepAlive\":true}";
    // How often a port that could not be listened on is tried again.
    static constexpr int RetryMs = 2000;

    explicit FeedServer(QObject *parent = nullptr);
    ~FeedServer() override;

    // Listens on port, on every interface when network, else on the loopback address only; what
    // was listening is closed first, and its clients with it. Emits listening() or failed(); a
    // port that cannot be listened on (taken by another program) is tried again every RetryMs
    // until close() or another listen(), and listening() emitted when it can be.
    Q_INVOKABLE void listen(quint16 port, bool network);
    Q_INVOKABLE void close();
    // Keeps the message for /state.json and new clients, and sends it to every WebSocket client.
    Q_INVOKABLE void publish(const QByteArray &message);
    // Where /state.json and a new client get the bout as it stands, called on the server's
    // thread; an empty answer means the message last published. Set before the thread runs.
    void setStateSource(std::function<QByteArray()> source) { m_stateSource = std::move(source); }

    // The connections held, requests and WebSocket clients; readable from any thread.
    int connectionCount() const { return m_connections; }

signals:
    void listening(quint16 port);
    void failed(const QString &reason);
    // For tests: a client was dropped for not reading.
    void clientDropped();

private:
    // Why listener could not listen, to go in the board's words between brackets.
    static QString failureReason(const QTcpServer &listener);
    void tryListening();
    void accept();
    void readRequest(QTcpSocket *socket);
    void respond(QTcpSocket *socket, int status, const QByteArray &type = {},
                 const QByteArray &body = {}, const QByteArray &extraHeaders = {},
                 bool withBody = true);
    void takeClient();
    void send(QWebSocket *client, const QByteArray &message);
    void dropIfBehind(QWebSocket *client);
    void keepAlive();
    QByteArray latest() const;
    void countConnections() { m_connections = int(m_requests.size() + m_clients.size()); }

    QTimer *m_retry;
    // One for all clients, started again by every message, so a quiet feed costs one wake-up
    // every KeepAliveMs and a busy one none.
    QTimer *m_keepAlive;
    quint16 m_port = 0;
    bool m_network = false;
    bool m_retrying = false;
    QTcpServer *m_listener = nullptr;
    QWebSocketServer *m_webSockets = nullptr;
    QSet<QTcpSocket *> m_requests;
    QSet<QWebSocket *> m_clients;
    QByteArray m_latest;
    std::function<QByteArray()> m_stateSource;
    std::atomic<int> m_connections = 0;
};
