#pragma once

#include "boutstate.h"

#include <QObject>

class JournalWriter;

// The bout journal: a SQLite file in the program's data folder that always holds the latest state
// of the bout, so that a board that ends in any way (closed, crashed, killed, the power cut)
// starts again where it stopped.
//
// open() reads what the last run left, once, before the board shows anything. A journal that
// cannot be used (damaged, cut short, written by a newer Corvanta, unreadable) is moved aside
// under a new name and the bout starts afresh; the problem text says what happened and where the
// file went. After that, record() hands each new state to a writing thread and returns at once;
// the state is on the disk a few milliseconds later. close() marks a normal end of the program.
class BoutJournal final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoutJournal)

public:
    // A journal whose schema is newer than this was written by a newer Corvanta.
    static constexpr int SchemaVersion = 1;

    // How the last run ended, as far as the journal knows.
    enum class Ending {
        None, // no bout kept: the first run, or the journal could not be used
        Closed, // the program was closed normally
        Abnormal, // the program ended without closing the journal
    };
    struct Opening
    {
        Ending ending = Ending::None;
        BoutState state;
        // For the operator, when the journal could not be used; empty otherwise.
        QString problem;
    };

    explicit BoutJournal(const QString &path, QObject *parent = nullptr);
    ~BoutJournal() override;

    // bout-journal.sqlite in the per-user data folder.
    static QString defaultPath();
    QString path() const { return m_path; }

    Opening open();
    void record(const BoutState &state);
    // The program is ending normally: the last state is written and marked as closed.
    void close(const BoutState &state);
    // Waits for everything recorded so far to reach the disk; false on a failure or timeout.
    bool flush(int timeoutMs);

signals:
    // A write failed: said once until a write succeeds again; the writer keeps trying.
    void writeFailed(const QString &message);
    void writeRecovered();
    // A record is on the disk, this many nanoseconds after it was handed over.
    void written(qint64 nanoseconds);

private:
    QString setAside(const QString &reason);

    const QString m_path;
    JournalWriter *m_writer = nullptr;
};
