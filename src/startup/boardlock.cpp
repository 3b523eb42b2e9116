#include "boardlock.h"

#include "notice.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>

#if defined(CORVANTA_HAVE_XCB)
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What a later copy sends to the first.
constexpr char ShowWord[] = "show\n";
constexpr int ConnectMs = 2000;

const QString AlreadyRunning = QStringLiteral("Corvanta is already running.");

QWidget *visibleWindow(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            return window;
    }
    return nullptr;
}

// Qt asks for the keyboard with the time of the last event the board saw; the X server and
// window managers refuse that once another window has had the keyboard since. The operator asked
// for the board by starting Corvanta again, so it is asked for as a taskbar would: at once, in the
// window manager's protocol, or straight from the X server where no window manager runs.
void takeKeyboard(QWidget *window)
{
#if defined(CORVANTA_HAVE_XCB)
    // The offscreen platform answers for X11 too, without a connection.
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !connection)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_intern_atom_cookie_t cookie
            = xcb_intern_atom(connection, 0, 18, "_NET_ACTIVE_WINDOW");
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (atom && screen) {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = atom->atom;
        // From a pager, at the current time, with no window of the board's active.
        message.data.data32[0] = 2;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
    }
    free(atom);
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

} // namespace

BoardLock::BoardLock(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
{ }

BoardLock::~BoardLock()
{
    // The file stays: removing it could let a copy starting now lock a file that is no longer
    // the one the next copy opens.
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_nameFd >= 0)
        ::close(m_nameFd);
}

QString BoardLock::lockFilePath() const
{
    return QDir(m_folder).filePath(QStringLiteral("corvanta.lock"));
}

// A name of its own for each data folder, so that boards of other folders do not answer.
QString BoardLock::serverName() const
{
    const QDir dir(m_folder);
    const QByteArray folder = (dir.exists() ? dir.canonicalPath() : dir.absolutePath()).toUtf8();
    return QStringLiteral("corvanta-board-")
            + QString::fromLatin1(
                    QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16));
}

bool BoardLock::acquire()
{
    QDir().mkpath(m_folder);
    if (!holdName())
        return false;
    if (!lockFile()) {
        ::close(m_nameFd);
        m_nameFd = -1;
        return false;
    }
    listen();
    return true;
}

bool BoardLock::lockFile()
{
    const QByteArray path = QFile::encodeName(lockFilePath());
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        std::fprintf(stderr, "corvanta: %s cannot be made (%s).\n", path.constData(),
                     std::strerror(errno));
        return true;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const int error = errno;
    ::close(m_fd);
    m_fd = -1;
    if (error == EWOULDBLOCK)
        return false;
    std::fprintf(stderr, "corvanta: %s cannot be locked (%s).\n", path.constData(),
                 std::strerror(error));
    return true;
}

// The folder's name bound in the kernel's abstract socket namespace, where it stays bound until
// this process ends however it ends, and no file stands that a clean-up could remove or a
// read-only folder keep from being made. It is only bound: nobody can connect to it.
bool BoardLock::holdName()
{
    const QByteArray name = "corvanta-lock-" + serverName().toLatin1();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.constData(), name.size());
    m_nameFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_nameFd >= 0
        && ::bind(m_nameFd, reinterpret_cast<const sockaddr *>(&address),
                  socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size()))
                == 0)
        return true;
    const int error = errno;
    if (m_nameFd >= 0)
        ::close(m_nameFd);
    m_nameFd = -1;
    if (error == EADDRINUSE)
        return false;
    std::fprintf(stderr, "corvanta: the board's name cannot be held (%s).\n", std::strerror(error));
    return true;
}

void BoardLock::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is held, so a socket of that name is one a killed copy left.
    QLocalServer::removeServer(serverName());
    if (!m_server->listen(serverName())) {
        std::fprintf(stderr, "corvanta: a second start cannot reach this one (%s).\n",
                     qPrintable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &BoardLock::answer);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &BoardLock::stopAnswering);
    // Seen before any filter of the board's own.
    qApp->installEventFilter(this);
}

bool BoardLock::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched->isWidgetType()
        && watched->objectName() == QLatin1String("frmScoreboard"))
        stopAnswering();
    return false;
}

void BoardLock::stopAnswering()
{
    if (m_server)
        m_server->close();
}

bool BoardLock::answers() const
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    return socket.waitForConnected(ConnectMs);
}

bool BoardLock::waitForClosingBoard()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (answers())
            return false;
        if (acquire())
            return true;
        if (waited.hasExpired(ClosingWaitMs))
            return false;
        QThread::msleep(50);
        QCoreApplication::processEvents();
    }
}

void BoardLock::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [socket] {
            if (!socket->canReadLine())
                return;
            const bool show = socket->readLine() == ShowWord;
            socket->disconnectFromServer();
            if (show)
                showBoard();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

void BoardLock::showBoard()
{
    // The scoreboard once it is up, the start-up window before.
    QWidget *window = visibleWindow(QStringLiteral("frmScoreboard"));
    if (window) {
        if (auto *notice = window->findChild<Notice *>())
            notice->showText(AlreadyRunning);
    } else {
        window = visibleWindow(QStringLiteral("frmSplash"));
    }
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    // A window open over it that holds the keys, such as Options, gets them back itself rather
    // than through the board, which the window system would have to hand on.
    if (QWidget *modal = QApplication::activeModalWidget())
        window = modal;
    window->raise();
    window->activateWindow();
    takeKeyboard(window);
}

bool BoardLock::askToShow()
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(ConnectMs))
        return false;
    socket.write(ShowWord);
    if (!socket.waitForBytesWritten(ConnectMs))
        return false;
    // Read by the first copy once it closes its end.
    return socket.state() != QLocalSocket::ConnectedState || socket.waitForDisconnected(ConnectMs);
}

void BoardLock::handOver()
{
    std::fprintf(stderr, "corvanta: %s\n", qPrintable(AlreadyRunning));
    // The running board says it where it covers nothing; a message of this copy's own would
    // cover the board or take its keys.
    if (askToShow() || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("Corvanta"), AlreadyRunning,
                    QMessageBox::Ok);
    QTimer::singleShot(MessageSeconds * 1000, &box, &QMessageBox::accept);
    box.exec();
}
