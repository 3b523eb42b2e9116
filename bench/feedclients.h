#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <atomic>

// WebSocket clients of a board's live feed, on the thread they were made on. The first one
// watches the jam clock, for the time a jam key takes to reach a client; each counts its
// messages, and a client the server drops is counted too.
class FeedClients final : public QObject
{
public:
    explicit FeedClients(const QElapsedTimer *clock)
        : m_clock(clock)
    { }

    std::atomic<int> ready = 0;
    std::atomic<int> dropped = 0;
    std::atomic<int> jamRunning = -1;
    std::atomic<qint64> arrivedNs = 0;
    // Each client's messages so far; read on the clients' thread.
    QList<qint64> messages;

    void open(quint16 port, int count);

private:
    const QElapsedTimer *m_clock;
};
