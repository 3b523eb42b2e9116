#include "livefeed.h"

#include "bout.h"
#include "boutreadout.h"
#include "feedserver.h"
#include "feedstate.h"
#include "settings.h"
#include "timekeeper.h"

#include <QDateTime>
#include <QMutexLocker>

#include <utility>

namespace {

constexpr qint64 kRunningResendMs = 1000;

bool anyRunning(const Bout &bout)
{
    if (bout.periodEngine()->isRunning() || bout.jamEngine()->isRunning())
        return true;
    // The lineup, a timeout, a review or the halftime.
    if (bout.gameFlow() && bout.flowEngine()->isRunning())
        return true;
    for (int i = 0; i < Bout::PenaltyCount; ++i)
        if (FeedState::penaltyCounts(bout, i))
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
    // The bout as of the last refresh, written out on the server's thread when asked for: the
    // board's thread neither writes JSON nor wakes the server at a refresh that sends nothing.
    m_server->setStateSource([this] {
        FeedState::Values state;
        {
            const QMutexLocker lock(&m_stateLock);
            if (!m_hasState)
                return QByteArray();
            state = m_state;
        }
        return FeedState::message(state);
    });
    m_server->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &FeedServer::listening, this, [this](quint16 port) {
        if (!m_toldFailure.isEmpty())
            emit problemOver(std::exchange(m_toldFailure, QString()),
                             tr("The live feed is on at port %1 now.").arg(port));
        emit listening(port);
    });
    connect(m_server, &FeedServer::failed, this, [this](const QString &why) {
        m_toldFailure = tr("The live feed cannot use port %1 (%2); it keeps trying.")
                                .arg(m_port)
                                .arg(why);
        emit problem(m_toldFailure);
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
    m_toldFailure.clear();
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
    FeedState::Values state
            = FeedState::values(*m_bout, shown, QDateTime::currentMSecsSinceEpoch());
    // At rest a clock can be set without its display showing it: the period clock under the
    // time of day, the jam clock in a lineup.
    const bool setAtRest = !running && !state.sameTimes(m_sentAtRest);
    const bool toClients = shown != m_sent || setAtRest
            || (running && m_sinceSent.elapsed() >= kRunningResendMs);
    // A bout at rest that shows nothing new: the state already held is the bout as it stands.
    if (!toClients && !running)
        return;
    if (toClients) {
        m_sent = shown;
        m_sinceSent.start();
        if (!running)
            m_sentAtRest = state;
        const QByteArray message = FeedState::message(state);
        FeedServer *server = m_server;
        QMetaObject::invokeMethod(
                server, [server, message] { server->publish(message); }, Qt::QueuedConnection);
    }
    const QMutexLocker lock(&m_stateLock);
    m_state = std::move(state);
    m_hasState = true;
}
