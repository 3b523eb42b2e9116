#include "boardtrace.h"

#include "clocksource.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

void BoardTrace::watch(QWidget *board, QTimer *refresh)
{
    static const QString fileName = qEnvironmentVariable("CORVANTA_TRACE");
    if (!fileName.isEmpty())
        new BoardTrace(fileName, board, refresh);
}

BoardTrace::BoardTrace(const QString &fileName, QWidget *board, QTimer *refresh)
    : QObject(board)
    , m_board(board)
    , m_refresh(refresh)
    , m_file(fileName)
    , m_origin(ClockSource::current()->nanoseconds())
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        qWarning("The board's trace cannot be written to %s: %s", qPrintable(fileName),
                 qPrintable(m_file.errorString()));
    // Keys are seen as they reach the window, before any widget; ticks and paints are wrapped.
    QCoreApplication::instance()->installEventFilter(this);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &BoardTrace::flush);
}

BoardTrace::~BoardTrace()
{
    flush();
}

void BoardTrace::flush()
{
    if (m_used > 0 && m_file.isOpen())
        m_file.write(m_buffer.data(), qint64(m_used));
    m_used = 0;
}

qint64 BoardTrace::micros() const
{
    return (ClockSource::current()->nanoseconds() - m_origin) / 1000;
}

void BoardTrace::line(const char *format, qint64 a, qint64 b, qint64 c)
{
    constexpr std::size_t longest = 64;
    if (m_buffer.size() - m_used < longest)
        flush();
    const int written = std::snprintf(m_buffer.data() + m_used, longest, format, a, b, c);
    if (written > 0)
        m_used += std::min(std::size_t(written), longest - 1);
}

bool BoardTrace::isModifier(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}

bool BoardTrace::isBoards(QObject *object) const
{
    if (object == m_board->windowHandle())
        return true;
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && widget->window() == m_board;
}

bool BoardTrace::eventFilter(QObject *watched, QEvent *event)
{
    if (m_delivering)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The window's key and the one it hands to the selected display are one key; a modifier
        // on its own is no key.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (m_keyArrived < 0 && !isModifier(key) && isBoards(watched)) {
            m_keyArrived = micros();
            m_key = key;
        }
        return false;
    }
    case QEvent::Timer:
        if (watched != m_refresh)
            return false;
        tick(watched, event);
        return true;
    case QEvent::UpdateRequest:
        if (watched != m_board)
            return false;
        paint(watched, event);
        return true;
    default:
        return false;
    }
}

void BoardTrace::tick(QObject *timer, QEvent *event)
{
    const qint64 start = micros();
    // A key still waiting for its paint when the next tick comes changed nothing to show.
    if (m_keyArrived >= 0) {
        line("n %lld %lld\n", m_keyArrived, m_key);
        m_keyArrived = -1;
    }
    m_delivering = true;
    QCoreApplication::sendEvent(timer, event);
    m_delivering = false;
    const qint64 late = m_lastTick < 0
            ? 0
            : std::max<qint64>(0, start - m_lastTick - m_refresh->interval() * 1000);
    m_lastTick = start;
    line("t %lld %lld %lld\n", start, late, micros() - start);
}

void BoardTrace::paint(QObject *board, QEvent *event)
{
    const qint64 start = micros();
    m_delivering = true;
    QCoreApplication::sendEvent(board, event);
    m_delivering = false;
    line("p %lld %lld\n", start, micros() - start);
    if (m_keyArrived >= 0) {
        line("k %lld %lld %lld\n", m_keyArrived, micros() - m_keyArrived, m_key);
        m_keyArrived = -1;
    }
}
