#include "livefeed.h"

#include "bout.h"
#include "boutreadout.h"
#include "feedserver.h"
#include "feedstate.h"
#include "settings.h"
#include "timekeeper.h"

#include <QDateTime>

namespace {

constexpr qint64 kRunningResendMs = 1000;

bool anyRunning(const Bout &bout)
{
    if (bout.periodEngine()->isRunning() || bout.jamEngine()->isRunning())
        return true;
    for (int i = 0; i < Bout::PenaltyCount; ++i)
        if (!bout.isPenaltyBlank(i) && bout.penaltyEngine(i)->isRunning())
            return true;
    return false;
}

} // namespace

LiveFeed::LiveFeed(const Bout *bout, QObject *parent)
    : QObject(parent)
    , m_bout(bout)
    , m_server(new FeedServer)
    , m_now([] { return QTime::currentTime(); })
{
    m_thread.setObjectName(QStringLiteral("feed"));
    m_server->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &FeedServer::listening, this, &LiveFeed::listening);
    connect(m_server, &FeedServer::failed, this, [this](const QString &why) {
        emit problem(QStringLiteral("The live feed cannot use port %1: %2").arg(m_port).arg(why));
    });
    m_thread.start();
}

LiveFeed::~LiveFeed()
{
    m_thread.quit();
    m_thread.wait();
}

void LiveFeed::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_now = std::move(now);
    m_timeLocale = locale;
}

void LiveFeed::apply(const SettingsModel &s)
{
    const bool network = s.FeedListen == QLatin1String("network");
    if (s.FeedPort == m_port && network == m_network)
        return;
    m_port = s.FeedPort;
    m_network = network;
    FeedServer *server = m_server;
    if (m_port == 0) {
        QMetaObject::invokeMethod(server, &FeedServer::close, Qt::QueuedConnection);
        return;
    }
    const quint16 port = m_port;
    QMetaObject::invokeMethod(
            server, [server, port, network] { server->listen(port, network); },
            Qt::QueuedConnection);
    // The new server starts from the bout as it stands.
    m_sent = {};
    refresh();
}

void LiveFeed::refresh()
{
    if (m_port == 0)
        return;
    const QJsonObject shown = FeedState::shown(*m_bout, settings(),
                                               BoutReadout::texts(*m_bout, m_now(), m_timeLocale));
    // /state.json gets the bout of every refresh, its clocks' values at most a tick old; the
    // clients only a change, or a running clock's values once a second.
    const bool running = anyRunning(*m_bout);
    const bool toClients
            = shown != m_sent || (running && m_sinceSent.elapsed() >= kRunningResendMs);
    // A bout at rest that shows nothing new: the server already holds it whole.
    if (!toClients && !running)
        return;
    if (toClients) {
        m_sent = shown;
        m_sinceSent.start();
    }
    const QByteArray message
            = FeedState::message(*m_bout, shown, QDateTime::currentMSecsSinceEpoch());
    FeedServer *server = m_server;
    QMetaObject::invokeMethod(
            server, [server, message, toClients] { server->publish(message, toClients); },
            Qt::QueuedConnection);
}
