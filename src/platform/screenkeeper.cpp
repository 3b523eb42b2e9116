#include "screenkeeper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

#if defined(CORVANTA_HAVE_X11)
#include "x11display.h"
#endif

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// The desktop's bus, when there is one: without an address nothing is started to find one.
std::optional<QDBusConnection> sessionBus()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    return bus;
}

// Lets go of the desktop's hold cookie.
void release(uint cookie)
{
    if (const std::optional<QDBusConnection> bus = sessionBus()) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                              QStringLiteral("UnInhibit"));
        message << cookie;
        bus->send(message);
    }
}

// The hold the desktop gave, if it gave one. A desktop without the service (a bare X server, some
// window managers) is common and needs no word; any other failure goes to the log.
std::optional<uint> grantedHold(const QDBusPendingReply<uint> &reply)
{
    if (!reply.isError())
        return reply.value();
    const QDBusError::ErrorType type = reply.error().type();
    if (type != QDBusError::ServiceUnknown && type != QDBusError::UnknownObject
        && type != QDBusError::UnknownMethod && type != QDBusError::UnknownInterface)
        std::fprintf(stderr, "Corvanta: the desktop was not asked to keep the screen on: %s\n",
                     qPrintable(reply.error().message()));
    return std::nullopt;
}

} // namespace

ScreenKeeper::ScreenKeeper(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_reset(new QTimer(this))
{
    m_reset->setSingleShot(true);
    connect(m_reset, &QTimer::timeout, this, &ScreenKeeper::resetIdle);
    window->installEventFilter(this);
    setHeld(window->isVisible());
}

ScreenKeeper::~ScreenKeeper()
{
    letDesktopGo();
}

bool ScreenKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // Minimised, the board is still open, and an audience board may stand on the projector:
    // only a window hidden or closed by the program lets the screens go.
    if (watched == m_window && event->type() == QEvent::Show)
        setHeld(true);
    else if (watched == m_window && event->type() == QEvent::Hide)
        setHeld(event->spontaneous() && m_window->isMinimized());
    return QObject::eventFilter(watched, event);
}

void ScreenKeeper::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    if (held) {
        // Well after the window's first frame: neither the bus nor a round trip to the X server
        // is any business of the start-up.
        m_reset->start(AskAfterMilliseconds);
        QTimer::singleShot(AskAfterMilliseconds, this, &ScreenKeeper::askDesktop);
    } else {
        m_reset->stop();
        letDesktopGo();
    }
}

void ScreenKeeper::askDesktop()
{
    if (!m_held || m_asking || m_cookie)
        return;
    const std::optional<QDBusConnection> bus = sessionBus();
    if (!bus)
        return;
    QDBusMessage inhibit = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                          QStringLiteral("Inhibit"));
    inhibit << QGuiApplication::applicationDisplayName() << QStringLiteral("A scoreboard is shown");
    // Asked without waiting: a desktop slow to answer never holds up the board. A hold granted
    // after the keeper has gone is let go at once.
    m_asking = true;
    auto *call = new QDBusPendingCallWatcher(bus->asyncCall(inhibit));
    connect(call, &QDBusPendingCallWatcher::finished, call,
            [keeper = QPointer<ScreenKeeper>(this)](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const std::optional<uint> cookie = grantedHold(*call);
                if (keeper)
                    keeper->desktopAnswered(cookie);
                else if (cookie)
                    release(*cookie);
            });
}

void ScreenKeeper::desktopAnswered(std::optional<uint> cookie)
{
    m_asking = false;
    m_cookie = cookie;
    // Hidden while the desktop answered: let go at once.
    if (!m_held)
        letDesktopGo();
}

void ScreenKeeper::letDesktopGo()
{
    if (!m_cookie)
        return;
    const uint cookie = *m_cookie;
    m_cookie.reset();
    release(cookie);
}

void ScreenKeeper::resetIdle()
{
#if defined(CORVANTA_HAVE_X11)
    Display *display = x11Display();
    if (!display)
        return;
    int timeout = 0;
    int interval = 0;
    int blanking = 0;
    int exposures = 0;
    XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
    XResetScreenSaver(display);
    XFlush(display);
    const int wait = timeout > 0 ? std::clamp(timeout * 1000 / 3, 250, LongestResetMilliseconds)
                                 : LongestResetMilliseconds;
    m_reset->start(wait);
#endif
}
