#pragma once

#include "boutstate.h"

#include <QObject>

class JournalWriter;

// The bout journal: a SQLite file in the program's data folder that always holds the latest state
// of the bout, so that a board that ends in any way (closed, crashed, killed, the power cut)
// starts again where it stopped.
//
// open() reads what the last run left, once, before the board shows anything, without changing
// the file. A journal that cannot be used (damaged, cut short, written by a newer Corvanta,
// unreadable, not a file at all) is moved aside under a new name and the bout starts afresh; the
// problem text says what happened and where the file went. A journal in a read-only folder is
// read but not written, and without the SQLite driver nothing is read or written: the problem
// text then says that the bout is not being saved and why. Otherwise record() hands each new
// state to a writing thread and returns at once; the state is on the disk a few milliseconds
// later.
// close() marks a normal end of the program; nothing is recorded after it.
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
    Q_ENUM(Ending)
    struct Opening
    {
        Ending ending = Ending::None;
        BoutState state;
        // For the operator, in a few words, when the journal could not be used or the bout is not
        // being saved; empty otherwise. The details go to the log.
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
    // A write failed: said once until a write succeeds again; the writer keeps trying. diskFull:
    // the disk had no room left for it.
    void writeFailed(const QString &message, bool diskFull);
    void writeRecovered();
    // Something that is no journal took the journal's place while the board ran: it was kept
    // aside and the bout written afresh. Said in a few words for the operator.
    void replacedFileKeptAside(const QString &message);
    // A record is on the disk, this many nanoseconds after it was handed over.
    void written(qint64 nanoseconds);

private:
    // Moves the journal that cannot be used out of the way; false if it stays where it is.
    bool setAside(bool file, QString *problem);
    // What the operator is told of something in the journal's place kept aside there.
    static QString keptAsideText(const QString &aside);

    const QString m_path;
    JournalWriter *m_writer = nullptr;
};
