#include "feedserver.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const QByteArray kEmptyState = QByteArrayLiteral("{\"format\":1}");

struct Page
{
    const char *path;
    const char *resource;
    const char *type;
};

// The pages are resources built into the program: no request can name a file.
constexpr Page kPages[] = {
        {"/", ":/feed/index.html", "text/html; charset=utf-8"},
        {"/penalties", ":/feed/penalties.html", "text/html; charset=utf-8"},
        {"/overlay", ":/feed/overlay.html", "text/html; charset=utf-8"},
        {"/feed.js", ":/feed/feed.js", "text/javascript; charset=utf-8"},
        {"/feed.css", ":/feed/feed.css", "text/css; charset=utf-8"},
};

const char *reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 414:
        return "URI Too Long";
    case 426:
        return "Upgrade Required";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// A character of a request's method: letters, digits and the few marks HTTP allows in a token.
bool isTokenCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c))
            || (c != 0 && std::strchr("!#$%&'*+-.^_`|~", c));
}

// The values of every header line of that name (given in lower case), as sent.
QList<QByteArray> headerValues(const QByteArray &headers, const QByteArray &name)
{
    QList<QByteArray> values;
    for (const QByteArray &line : headers.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon >= 0 && line.left(colon).trimmed().toLower() == name)
            values << line.mid(colon + 1).trimmed();
    }
    return values;
}

// The value of the last header line of that name, which is the one the WebSocket server reads.
QByteArray lastValue(const QByteArray &headers, const QByteArray &name)
{
    const QList<QByteArray> values = headerValues(headers, name);
    return values.isEmpty() ? QByteArray() : values.last();
}

bool hasToken(const QByteArray &headers, const QByteArray &name, const QByteArray &token)
{
    for (const QByteArray &value : headerValues(headers, name)) {
        for (const QByteArray &part : value.split(','))
            if (part.trimmed().toLower() == token)
                return true;
    }
    return false;
}

// Where the blank line that ends a request's head ends, or -1 while it has not come.
int headEnd(const QByteArray &head)
{
    const int crlf = head.indexOf("\n\r\n");
    const int lf = head.indexOf("\n\n");
    if (crlf < 0 || (lf >= 0 && lf < crlf))
        return lf;
    return crlf;
}

// The path of a request target, also when it is given whole with the scheme and host, as a proxy
// sends it.
QByteArray originForm(const QByteArray &target)
{
    if (!target.toLower().startsWith("http://"))
        return target;
    const int path = target.indexOf('/', 7);
    return path < 0 ? QByteArrayLiteral("/") : target.mid(path);
}

} // namespace

FeedServer::FeedServer(QObject *parent)
    : QObject(parent)
    , m_retry(new QTimer(this))
    , m_keepAlive(new QTimer(this))
    , m_latest(kEmptyState)
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &FeedServer::tryListening);
    m_keepAlive->setInterval(KeepAliveMs);
    connect(m_keepAlive, &QTimer::timeout, this, &FeedServer::keepAlive);
}

FeedServer::~FeedServer()
{
    close();
}

void FeedServer::listen(quint16 port, bool network)
{
    close();
    m_port = port;
    m_network = network;
    tryListening();
}

QString FeedServer::failureReason(const QTcpServer &listener)
{
    // In the words of the board, which goes on after them; the system's own words otherwise.
    switch (listener.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return tr("another program uses it");
    case QAbstractSocket::SocketAccessError:
        return tr("the system does not let this program use it");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return tr("this PC has no such address");
    default: {
        QString why = listener.errorString();
        if (!why.isEmpty())
            why[0] = why[0].toLower();
        return why;
    }
    }
}

void FeedServer::tryListening()
{
    m_listener = new QTcpServer(this);
    // Connections beyond what the server takes wait in the system's queue, not in this program.
    m_listener->setMaxPendingConnections(MaxConnections);
    connect(m_listener, &QTcpServer::newConnection, this, &FeedServer::accept);
    const QHostAddress address
            = m_network ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost);
    if (!m_listener->listen(address, m_port)) {
        const QString why = failureReason(*m_listener);
        delete m_listener;
        m_listener = nullptr;
        // Told once, then tried again quietly until the other program lets the port go.
        if (!m_retrying)
            emit failed(why);
        m_retrying = true;
        m_retry->start();
        return;
    }
    m_retrying = false;
    m_webSockets = new QWebSocketServer(QStringLiteral("Corvanta"), QWebSocketServer::NonSecureMode,
                                        this);
    m_webSockets->setHandshakeTimeout(std::chrono::milliseconds(RequestTimeoutMs));
    connect(m_webSockets, &QWebSocketServer::newConnection, this, &FeedServer::takeClient);
    emit listening(m_listener->serverPort());
}

void FeedServer::close()
{
    m_retry->stop();
    m_retrying = false;
    // The requests first: the listener owns their sockets and takes them with it.
    for (QTcpSocket *socket : std::as_const(m_requests)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_requests.clear();
    delete m_listener;
    m_listener = nullptr;
    for (QWebSocket *client : std::as_const(m_clients)) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    m_clients.clear();
    countConnections();
    delete m_webSockets;
    m_webSockets = nullptr;
}

void FeedServer::publish(const QByteArray &message)
{
    m_latest = message;
    // A copy: a client dropped while sending leaves the set.
    const QSet<QWebSocket *> clients = m_clients;
    for (QWebSocket *client : clients)
        send(client, message);
    if (!m_clients.isEmpty())
        m_keepAlive->start();
}

// Not a bout (it has no "format"), so a page that does not know it ignores it. The timer stops
// once no client is left to tell.
void FeedServer::keepAlive()
{
    if (m_clients.isEmpty())
        m_keepAlive->stop();
    const QByteArray message(KeepAliveMessage);
    const QSet<QWebSocket *> clients = m_clients;
    for (QWebSocket *client : clients)
        send(client, message);
}

void FeedServer::accept()
{
    while (m_listener && m_listener->hasPendingConnections()) {
        QTcpSocket *socket = m_listener->nextPendingConnection();
        if (connectionCount() >= MaxConnections) {
            socket->write(QByteArray("HTTP/1.1 503 ") + reason(503)
                          + "\r\nContent-Length: 0\r\nConnection: close\r\nRetry-After: 5\r\n\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // One that does not even take its answer goes too.
            QTimer::singleShot(RequestTimeoutMs, socket, &QTcpSocket::abort);
            continue;
        }
        m_requests.insert(socket);
        countConnections();
        // The whole request must arrive within the time allowed, however slowly it trickles.
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
        deadline->start(RequestTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_requests.remove(socket);
            countConnections();
            socket->deleteLater();
        });
    }
}

// The request is looked at without being taken from the socket, so that a WebSocket handshake
// can go to the WebSocket server whole. Lines end in CRLF; a bare LF, as in a request typed by
// hand, is taken as well, for every path but the WebSocket's.
void FeedServer::readRequest(QTcpSocket *socket)
{
    const QByteArray head = socket->peek(MaxRequestBytes + 1);
    const int lineEnd = head.indexOf('\n');
    if (lineEnd < 0 ? head.size() > MaxRequestLineBytes : lineEnd > MaxRequestLineBytes)
        return respond(socket, 414);
    // What cannot begin a request line, such as the TLS hello of an https:// address or binary
    // junk, is answered at once rather than when the request's time is up.
    const int methodEnd = head.indexOf(' ');
    const QByteArray begun = methodEnd < 0 ? head : head.left(methodEnd);
    if (methodEnd == 0 || !std::all_of(begun.begin(), begun.end(), isTokenCharacter))
        return respond(socket, 400);
    const int end = headEnd(head);
    if (end < 0) {
        if (head.size() > MaxRequestBytes)
            return respond(socket, 431);
        return; // more to come
    }
    // The blank line that ends the headers counts too.
    if (end + (head.mid(end, 3) == "\n\r\n" ? 3 : 2) > MaxRequestBytes)
        return respond(socket, 431);
    QByteArray line = head.left(lineEnd);
    const bool crlf = line.endsWith('\r');
    if (crlf)
        line.chop(1);
    const QList<QByteArray> request = line.split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1."))
        return respond(socket, 400);
    const QByteArray &method = request[0];
    QByteArray path = originForm(request[1]);
    if (!path.startsWith('/'))
        return respond(socket, 400);
    if (const int query = path.indexOf('?'); query >= 0)
        path.truncate(query);
    const QByteArray headers = head.mid(lineEnd + 1, std::max(0, end - lineEnd - 1));

    const bool known = path == "/state.json" || path == "/feed"
            || std::any_of(std::begin(kPages), std::end(kPages),
                           [&path](const Page &page) { return path == page.path; });
    if (!known)
        return respond(socket, 404);
    if (path == "/feed") {
        if (method != "GET")
            return respond(socket, 405, {}, {}, "Allow: GET\r\n");
        // The upgrade is asked for only as HTTP/1.1 asks for it: not over HTTP/1.0, and named in
        // Connection too; else the request is a plain GET of the feed.
        if (!hasToken(headers, "upgrade", "websocket")
            || !hasToken(headers, "connection", "upgrade") || request[2] == "HTTP/1.0")
            return respond(socket, 426, {}, {}, "Upgrade: websocket\r\n");
        // What the WebSocket server would close without a word is refused here with a status.
        const QList<QByteArray> lines = headers.split('\n');
        if (!crlf || lastValue(headers, "sec-websocket-key").isEmpty()
            || lastValue(headers, "host").isEmpty()
            || lastValue(headers, "upgrade").toLower() != "websocket"
            || std::any_of(lines.begin(), lines.end(),
                           [](const QByteArray &line) { return !line.contains(':'); }))
            return respond(socket, 400);
        if (!hasToken(headers, "sec-websocket-version", "13"))
            return respond(socket, 426, {}, {}, "Sec-WebSocket-Version: 13\r\n");
        m_requests.remove(socket);
        countConnections();
        socket->disconnect(this);
        delete socket->findChild<QTimer *>();
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, SendBufferBytes);
        m_webSockets->handleConnection(socket);
        // Qt answers a client's pings by itself, which no message of ours goes with: a client
        // that sends them and reads nothing is dropped as the answers pile up, once the client's
        // data has been taken in, not at the next message.
        connect(
                socket, &QIODevice::readyRead, this,
                [this] {
                    for (QWebSocket *client : QSet<QWebSocket *>(m_clients))
                        dropIfBehind(client);
                },
                Qt::QueuedConnection);
        return;
    }
    // HEAD is answered as GET, without the body.
    if (method != "GET" && method != "HEAD")
        return respond(socket, 405, {}, {}, "Allow: GET, HEAD\r\n");
    const bool withBody = method == "GET";
    if (path == "/state.json")
        return respond(socket, 200, "application/json", latest(), {}, withBody);
    for (const Page &page : kPages) {
        if (path == page.path) {
            QFile file(QLatin1String(page.resource));
            if (!file.open(QIODevice::ReadOnly))
                return respond(socket, 404);
            return respond(socket, 200, page.type, file.readAll(), {}, withBody);
        }
    }
}

void FeedServer::respond(QTcpSocket *socket, int status, const QByteArray &type,
                         const QByteArray &body, const QByteArray &extraHeaders, bool withBody)
{
    // Answered once; whatever else the client sends is read and dropped.
    m_requests.remove(socket);
    countConnections();
    socket->disconnect(this);
    socket->readAll();
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    if (!type.isEmpty())
        answer += "Content-Type: " + type + "\r\nCache-Control: no-store\r\n";
    answer += extraHeaders;
    answer += "Content-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n";
    socket->write(withBody ? answer + body : answer);
    socket->disconnectFromHost();
}

void FeedServer::takeClient()
{
    while (m_webSockets && m_webSockets->hasPendingConnections()) {
        QWebSocket *client = m_webSockets->nextPendingConnection();
        // Whatever a client sends is read and dropped; a large frame ends its connection.
        client->setMaxAllowedIncomingFrameSize(MaxIncomingFrameBytes);
        client->setMaxAllowedIncomingMessageSize(MaxIncomingFrameBytes);
        client->setReadBufferSize(MaxIncomingFrameBytes);
        m_clients.insert(client);
        countConnections();
        connect(client, &QWebSocket::disconnected, this, [this, client] {
            m_clients.remove(client);
            countConnections();
            client->deleteLater();
        });
        send(client, latest());
    }
    if (!m_clients.isEmpty() && !m_keepAlive->isActive())
        m_keepAlive->start();
}

QByteArray FeedServer::latest() const
{
    const QByteArray now = m_stateSource ? m_stateSource() : QByteArray();
    return now.isEmpty() ? m_latest : now;
}

// A client that does not read is dropped once what waits for it passes the limit, rather than
// kept with every message since.
void FeedServer::send(QWebSocket *client, const QByteArray &message)
{
    client->sendTextMessage(QString::fromUtf8(message));
    dropIfBehind(client);
}

void FeedServer::dropIfBehind(QWebSocket *client)
{
    if (client->bytesToWrite() > MaxUnsentBytes) {
        m_clients.remove(client);
        countConnections();
        client->disconnect(this);
        client->abort();
        client->deleteLater();
        emit clientDropped();
    }
}
