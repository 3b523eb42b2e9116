#pragma once

#include "feedstate.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QTime>

#include <functional>

class Bout;
class FeedServer;
struct SettingsModel;

// The live feed of a bout, on the board's side: it follows the feed settings (starting, moving or
// stopping the server, which runs on a thread of its own) and, at each refresh of the board, hands
// the server the bout, to be sent to the clients when anything shown has changed, and at least
// once a second while a clock runs, and held for /state.json and new clients.
class LiveFeed final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveFeed)

public:
    LiveFeed(const Bout *bout, QObject *parent);
    ~LiveFeed() override;

    // Listens as the settings say, on a change of port or of where; port 0 stops the feed.
    void apply(const SettingsModel &settings);
    // The board's refresh: the bout as it stands goes to the server.
    void refresh();
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

    // The thread the server runs on, apart from the board's.
    const QThread *serverThread() const { return &m_thread; }
    FeedServer *server() const { return m_server; }
    // The words problem() told that the feed cannot use its port, while it still cannot; empty
    // otherwise.
    QString trouble() const { return m_toldFailure; }

signals:
    void listening(quint16 port);
    // The server could not listen, and tries again: the text to tell the operator.
    void problem(const QString &text);
    // It can now, after all: the text to tell in the place of what problem() told.
    void problemOver(const QString &told, const QString &text);

private:
    const Bout *m_bout;
    QThread m_thread;
    FeedServer *m_server;
    quint16 m_port = 0;
    bool m_network = false;
    // What was told when the port could not be listened on, while it has not been since.
    QString m_toldFailure;
    QJsonObject m_sent;
    // The clocks' values last sent while none ran.
    FeedState::Values m_sentAtRest;
    // The bout as of the last refresh, for the server's thread.
    QMutex m_stateLock;
    FeedState::Values m_state;
    bool m_hasState = false;
    QElapsedTimer m_sinceSent;
    std::function<QTime()> m_now;
    QLocale m_timeLocale = QLocale::system();
};
