#pragma once

#include "boutjournal.h"

#include <QLocale>
#include <QObject>

#include <optional>

class Bout;
class Notice;
class QTimer;
class QWidget;

// Keeps the board's bout in the bout journal for the whole run: puts back at start the bout the
// last run left, records every change once the command that made it is complete, tells the
// operator what the journal could not do, and marks the journal closed when the board closes.
class JournalSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalSession)

public:
    // How long "Bout resumed from ..." or what went wrong with the journal stays on the board.
    static constexpr int ResumedNoticeSeconds = 10;
    // How often the PC's clock is looked at for having been set, and by how much it must have
    // moved against the boot clock to call for the bout to be saved with the new time.
    static constexpr int ClockCheckMilliseconds = 1000;
    static constexpr qint64 ClockSetMilliseconds = 50;

    JournalSession(Bout *bout, BoutJournal *journal, Notice *notice, QWidget *board);

    // Reads the journal and puts its bout on the board, before the board is first shown.
    void resume();
    // Once the board shows: the notice that the way the last run ended calls for. Run when the
    // board is first shown.
    void greet();
    // What the board says at start after that opening, with the New Bout key (0: none) and
    // whether the running clocks came back stopped because the time away is not known; empty
    // when there is nothing to say.
    static QString greeting(const BoutJournal::Opening &opening, int newBoutKey,
                            bool clocksStopped = false);
    // A new bout has started: the words that the last one was resumed go from the board, and
    // what they said of the journal stays.
    void dropGreeting();
    // The board is closing normally. Run when the board closes.
    void close();

    // The wall time in the system's time format, to the second.
    static QString timeText(qint64 msecsSinceEpoch, const QLocale &locale = QLocale::system());

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // "Bout resumed from ...", as the greeting starts, without its stop; empty when the opening
    // resumed no bout.
    static QString resumedText(const BoutJournal::Opening &opening, int newBoutKey,
                               bool clocksStopped);
    // The words for a write that failed, the disk being full or not.
    static QString troubleText(bool diskFull);
    void recordSoon();
    void record();
    // The PC's clock set since the last record: the bout is saved again, stamped with the time
    // as it is now, so that a restart after a power cut counts the time away from that.
    void checkClockSet();
    // The bout as it is now, stamped with the PC's clocks.
    BoutState stateNow() const;

    Bout *const m_bout;
    BoutJournal *const m_journal;
    Notice *const m_notice;
    QWidget *const m_board;
    BoutJournal::Opening m_opening;
    // The time away was not known: running clocks came back stopped.
    bool m_clocksStopped = false;
    bool m_greeted = false;
    // The greeting's words that the bout was resumed, as shown.
    QString m_resumedTold;
    bool m_recordQueued = false;
    bool m_closed = false;
    // The trouble saving told since the last time the bout was saved, if any.
    QString m_troubleTold;
    // The time of day less the boot clock at the last record; unknown without a boot clock.
    std::optional<qint64> m_recordedClockOffset;
    QTimer *m_clockCheck = nullptr;
};
