#pragma once

#include "boutstate.h"

#include <QMutex>
#include <QSqlDatabase>
#include <QThread>
#include <QWaitCondition>

#include <optional>

class QSqlError;

// The journal's writing thread. It keeps the one row of the journal file equal to the latest
// state handed to it: a state that arrives while the one before is still being written replaces
// it, since the newer state holds every change of the older. A write that fails is tried again
// every RetryMs until one succeeds; failedOnce and recovered tell the start and end of such a
// run of failures, so the board tells the operator once. A journal removed or emptied while the
// board runs is made afresh with the bout as it stands within a second, and so is one replaced by
// a file of another kind, which is kept aside.
class JournalWriter final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalWriter)

public:
    static constexpr int RetryMs = 1000;
    static constexpr int BusyMs = 500;

    // The error is SQLite's for a disk with no room left.
    static bool diskFull(const QSqlError &error);

    JournalWriter(const QString &path, int schemaVersion, QObject *parent = nullptr);
    ~JournalWriter() override;

    // Before start(): the writer starts in a run of failures the operator has been told of
    // already, so that only its end, the first write that succeeds, is told.
    void startFailing() { m_failing = true; }
    // Before start(): what stands in the journal's place could not be used, and is moved aside
    // before anything is written there; writing waits, and is tried again, until it can be.
    void keepAsideFirst() { m_keepAsideFirst = true; }
    // Thread-safe and quick: the state is handed over, not written here.
    void post(const BoutState &state, bool closed);
    // Waits until everything posted so far is on disk, or has failed at least once.
    bool waitUntilSettled(int timeoutMs);
    // Writes what is still pending (once more if it fails) and ends the thread.
    void finish();

signals:
    // diskFull: the disk had no room left for it.
    void failedOnce(const QString &reason, bool diskFull);
    void recovered();
    // Something that is no journal took the journal's place and was moved to this path; the
    // bout is written afresh.
    void keptAside(const QString &path);
    // Nanoseconds from post() to the end of the commit that made it durable.
    void written(qint64 nanoseconds);

protected:
    void run() override;

private:
    struct Record
    {
        BoutState state;
        bool closed = false;
        qint64 postedNs = 0;
        quint64 serial = 0;
    };

    bool write(const QString &connection, const Record &record, QString *reason);
    // Moves what stands in the journal's place aside and tells so; false if it stays.
    bool keepAside(QString *reason);
    // Whether the open file holds tables besides the journal's own: another program's database.
    static bool holdsOtherTables(const QSqlDatabase &database);
    // Whether the file at the journal's path is still the one open, whole, and its log too: not
    // removed, replaced or emptied behind the board's back. True while none is open.
    bool fileStillOurs(const QString &connection) const;
    // Whether the log written last is still in its place at its length; true before it is.
    bool logStillOurs() const;
    // Lets go of a journal that is no longer the board's own, so that the next write makes it
    // afresh with the whole bout.
    void dropLostFile(const QString &connection);
    // Notes the log, and its index file as SQLite has it mapped, after a write.
    void noteLogAndIndex();
    // Puts the log's index file back to its length where it was cut short under SQLite's map.
    void keepIndexWhole() const;

    const QString m_path;
    const int m_schemaVersion;
    QMutex m_mutex;
    QWaitCondition m_wake;
    QWaitCondition m_settled;
    std::optional<Record> m_pending;
    quint64 m_posted = 0;
    // The serial of the last record that is on disk or has failed.
    quint64 m_settledSerial = 0;
    bool m_failing = false;
    // The last write failed for want of room on the disk.
    bool m_diskFull = false;
    bool m_keepAsideFirst = false;
    bool m_finishing = false;
    // The open journal's file, as the system names it.
    quint64 m_device = 0;
    quint64 m_inode = 0;
    // Its write-ahead log, the -wal file, at the length last written, and the log's index, the
    // -shm file, at the length last seen.
    quint64 m_logDevice = 0;
    quint64 m_logInode = 0;
    qint64 m_logSize = 0;
    quint64 m_indexDevice = 0;
    quint64 m_indexInode = 0;
    qint64 m_indexSize = 0;
};
