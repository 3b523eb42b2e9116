#pragma once

#include <QFile>
#include <QObject>

#include <array>

class QTimer;
class QWidget;

// The board's timing for benchmarks, written to a file while the board runs: each refresh tick's
// lateness against its interval and the time its handler took, each paint's time, and each key's
// time from its arrival in the program to the end of the board's paint that shows it. Lines go to
// a buffer that is written out only when full and when the board goes, never a write per tick.
// With CORVANTA_TRACE unset the board is not watched at all.
//
// The lines, times in microseconds from the start of the trace:
//   t START LATE TOOK   a refresh tick: when it started, how late, how long its handler ran
//   p START TOOK        a paint of the board, up to the end of its flush to the window system
//   k ARRIVED SHOWN KEY  a key (its Qt key code), and the time from its arrival to the end of the
//                        paint that shows it; keys that come before that paint are not timed
//   n ARRIVED KEY        a key that painted nothing of its own before the next tick
class BoardTrace final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardTrace)

public:
    // Watches board and its refresh timer when CORVANTA_TRACE, read once, names a file.
    static void watch(QWidget *board, QTimer *refresh);

    // Traces into fileName (made anew) until destroyed; a child of board.
    BoardTrace(const QString &fileName, QWidget *board, QTimer *refresh);
    ~BoardTrace() override;

    // Writes out what the buffer holds.
    void flush();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    qint64 micros() const;
    void line(const char *format, qint64 a, qint64 b = 0, qint64 c = 0);
    static bool isModifier(int key);
    bool isBoards(QObject *object) const;
    void tick(QObject *timer, QEvent *event);
    void paint(QObject *board, QEvent *event);

    QWidget *m_board;
    QTimer *m_refresh;
    QFile m_file;
    qint64 m_origin;
    std::array<char, 64 * 1024> m_buffer {};
    std::size_t m_used = 0;
    qint64 m_lastTick = -1;
    qint64 m_keyArrived = -1;
    int m_key = 0;
    // Set while the tick or the paint it wraps is delivered, to let that event through.
    bool m_delivering = false;
};
