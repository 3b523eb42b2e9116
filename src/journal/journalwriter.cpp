#include "journalwriter.h"

#include "journalaside.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// One monotonic origin for the latency of every record.
qint64 nowNs()
{
    static QElapsedTimer origin = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return origin.nsecsElapsed();
}

bool execute(QSqlQuery &query, const QString &statement, QString *reason)
{
    if (query.exec(statement))
        return true;
    *reason = query.lastError().text();
    return false;
}

// A journal from before the boot clock was kept lacks its columns; its rows keep NULL in them,
// a boot that is not known.
bool addBootColumns(QSqlQuery &query, QString *reason)
{
    if (!execute(query, QStringLiteral("PRAGMA table_info(bout)"), reason))
        return false;
    QStringList columns;
    while (query.next())
        columns << query.value(1).toString();
    return (columns.contains(QLatin1String("boot_id"))
            || execute(query, QStringLiteral("ALTER TABLE bout ADD COLUMN boot_id TEXT"), reason))
            && (columns.contains(QLatin1String("boot_ms"))
                || execute(query, QStringLiteral("ALTER TABLE bout ADD COLUMN boot_ms INTEGER"),
                           reason));
}

} // namespace

bool JournalWriter::diskFull(const QSqlError &error)
{
    // SQLITE_FULL, in the low byte of SQLite's extended codes.
    constexpr int Full = 13;
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return number && (code & 0xff) == Full;
}

JournalWriter::JournalWriter(const QString &path, int schemaVersion, QObject *parent)
    : QThread(parent)
    , m_path(path)
    , m_schemaVersion(schemaVersion)
{ }

JournalWriter::~JournalWriter()
{
    finish();
}

void JournalWriter::post(const BoutState &state, bool closed)
{
    const QMutexLocker lock(&m_mutex);
    // Once the journal is closed nothing more goes into it, and no thread is left to write it.
    if (m_finishing)
        return;
    const qint64 postedNs = m_pending ? m_pending->postedNs : nowNs();
    m_pending = Record {state, closed, postedNs, ++m_posted};
    m_wake.wakeOne();
}

bool JournalWriter::waitUntilSettled(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_settledSerial < m_posted) {
        if (!m_settled.wait(&m_mutex, deadline))
            return false;
    }
    return !m_failing;
}

void JournalWriter::finish()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_finishing = true;
        m_wake.wakeOne();
    }
    wait();
}

void JournalWriter::run()
{
    const QString connection
            = QStringLiteral("corvanta-journal-writer-%1").arg(quintptr(this), 0, 16);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(m_path);
        // Another program holding the journal is waited for a moment at each try, not SQLite's
        // usual five seconds: the board's close waits for the try under way, and the tries go
        // on every second all the same.
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyMs));
    }
    // The last record on disk, to write again should the file be lost.
    std::optional<Record> last;
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (!m_pending && !m_finishing) {
            // Looked at every second meanwhile: a journal lost between changes is written
            // again then, not at the next change, which a crash may come before.
            if (m_wake.wait(&m_mutex, RetryMs))
                continue;
            keepIndexWhole();
            if (last && !fileStillOurs(connection)) {
                m_pending = *last;
                m_pending->postedNs = nowNs();
            }
        }
        if (!m_pending)
            break;
        const Record record = *m_pending;
        m_pending.reset();
        lock.unlock();

        QString reason;
        const bool ok = write(connection, record, &reason);
        if (ok) {
            last = record;
            emit written(nowNs() - record.postedNs);
        }

        lock.relock();
        m_settledSerial = qMax(m_settledSerial, record.serial);
        if (!ok && !m_pending)
            m_pending = record;
        const bool failedNow = !ok && !m_failing;
        const bool recoveredNow = ok && m_failing;
        m_failing = !ok;
        m_settled.wakeAll();
        // Told with the lock released: a receiver connected directly may post or wait at once.
        if (failedNow || recoveredNow) {
            lock.unlock();
            if (failedNow)
                emit failedOnce(reason, m_diskFull);
            else
                emit recovered();
            lock.relock();
        }
        if (!ok) {
            if (m_finishing)
                break;
            m_wake.wait(&m_mutex, RetryMs);
        }
    }
    m_settled.wakeAll();
    lock.unlock();
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

// The journal is one row, replaced whole. Write-ahead logging with full sync makes each commit a
// single append to the log and one flush to the disk: the record is on the disk when the commit
// returns, and a power cut at any moment leaves either the old row or the new one.
bool JournalWriter::write(const QString &connection, const Record &record, QString *reason)
{
    m_diskFull = false;
    keepIndexWhole();
    if (!fileStillOurs(connection))
        dropLostFile(connection);
    QSqlDatabase database = QSqlDatabase::database(connection, false);
    if (!database.isOpen()) {
        // The data folder removed whole by a clean-up program is made again.
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (m_keepAsideFirst && (QFileInfo::exists(m_path) || QFileInfo(m_path).isSymLink())) {
            const QString aside = setJournalAside(m_path);
            if (aside.isEmpty()) {
                *reason = QStringLiteral("the journal that could not be used cannot be moved "
                                         "aside");
                return false;
            }
            qWarning("The bout journal was kept as %s.", qPrintable(aside));
        }
        m_keepAsideFirst = false;
        if (!canHoldJournal(m_path) && !keepAside(reason))
            return false;
        for (const QString &aside : clearCompanions(m_path, false))
            emit keptAside(aside);
        if (!database.open()) {
            *reason = database.lastError().text();
            m_diskFull = diskFull(database.lastError());
            return false;
        }
        // Another program's database is no journal either: its tables are kept as they are.
        if (holdsOtherTables(database)) {
            database.close();
            if (!keepAside(reason))
                return false;
            if (!database.open()) {
                *reason = database.lastError().text();
                m_diskFull = diskFull(database.lastError());
                return false;
            }
        }
        QSqlQuery setup(database);
        if (!execute(setup, QStringLiteral("PRAGMA journal_mode=WAL"), reason)
            || !execute(setup, QStringLiteral("PRAGMA synchronous=FULL"), reason)
            || !execute(setup,
                        QStringLiteral("CREATE TABLE IF NOT EXISTS bout (id INTEGER PRIMARY KEY "
                                       "CHECK (id = 1), saved_at INTEGER NOT NULL, closed INTEGER "
                                       "NOT NULL, state TEXT NOT NULL, boot_id TEXT, boot_ms "
                                       "INTEGER)"),
                        reason)
            || !addBootColumns(setup, reason)
            || !execute(setup, QStringLiteral("PRAGMA user_version=%1").arg(m_schemaVersion),
                        reason)) {
            m_diskFull = diskFull(setup.lastError());
            setup.finish();
            database.close();
            return false;
        }
        struct stat file = {};
        if (::stat(QFile::encodeName(m_path).constData(), &file) == 0) {
            m_device = file.st_dev;
            m_inode = file.st_ino;
        }
    }
    QSqlQuery upsert(database);
    upsert.prepare(QStringLiteral("INSERT OR REPLACE INTO bout (id, saved_at, closed, state, "
                                  "boot_id, boot_ms) VALUES (1, ?, ?, ?, ?, ?)"));
    upsert.addBindValue(record.state.takenAtMs);
    upsert.addBindValue(record.closed ? 1 : 0);
    upsert.addBindValue(QString::fromUtf8(record.state.toJson()));
    // NULL for a boot that is not known.
    const bool bootKnown = !record.state.bootId.isEmpty();
    upsert.addBindValue(bootKnown ? QVariant(QString::fromLatin1(record.state.bootId))
                                  : QVariant(QMetaType::fromType<QString>()));
    upsert.addBindValue(bootKnown ? QVariant(record.state.takenAtBootMs)
                                  : QVariant(QMetaType::fromType<qint64>()));
    if (upsert.exec()) {
        noteLogAndIndex();
        return true;
    }
    *reason = upsert.lastError().text();
    m_diskFull = diskFull(upsert.lastError());
    upsert.finish();
    // Opened afresh for the next try: the file may have been replaced or the disk freed.
    database.close();
    return false;
}

// Something else put in the journal's place while the board runs is kept, as it is at the start,
// and the bout is written afresh, not lost at the next start.
bool JournalWriter::keepAside(QString *reason)
{
    const QString aside = setJournalAside(m_path);
    if (aside.isEmpty()) {
        *reason = QStringLiteral("another file is in its place and cannot be moved");
        return false;
    }
    qWarning("The file in the bout journal's place was kept as %s.", qPrintable(aside));
    emit keptAside(aside);
    return true;
}

bool JournalWriter::holdsOtherTables(const QSqlDatabase &database)
{
    QSqlQuery query(database);
    return query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                     "AND name <> 'bout'"))
            && query.next() && query.value(0).toInt() > 0;
}

// Once set up for write-ahead logging the file holds at least its first page, the header.
bool JournalWriter::fileStillOurs(const QString &connection) const
{
    if (!QSqlDatabase::database(connection, false).isOpen())
        return true;
    struct stat file = {};
    return ::stat(QFile::encodeName(m_path).constData(), &file) == 0 && file.st_dev == m_device
            && file.st_ino == m_inode && file.st_size >= 512 && logStillOurs();
}

// The latest changes are in the log until SQLite copies them into the file. SQLite appends to the
// log by what its index says the log holds, and only grows it while the journal is open: a log
// removed or cut short has lost changes, and what is appended after it is read by no one.
bool JournalWriter::logStillOurs() const
{
    struct stat log = {};
    return m_logInode == 0
            || (::stat(QFile::encodeName(m_path + QLatin1String("-wal")).constData(), &log) == 0
                && log.st_dev == m_logDevice && log.st_ino == m_logInode
                && log.st_size >= m_logSize);
}

// SQLite reads the log's index through a shared map of the -shm file. A file cut short under
// the map (a clean-up program emptying files) would end the program at the next read there, so
// before each write, and every second meanwhile, the file is put back to its length. Its zeros
// are no index, and SQLite builds it again from the log.
void JournalWriter::noteLogAndIndex()
{
    struct stat log = {};
    if (::stat(QFile::encodeName(m_path + QLatin1String("-wal")).constData(), &log) == 0) {
        m_logDevice = log.st_dev;
        m_logInode = log.st_ino;
        m_logSize = log.st_size;
    }
    struct stat file = {};
    if (::stat(QFile::encodeName(m_path + QLatin1String("-shm")).constData(), &file) != 0)
        return;
    const bool same = file.st_dev == m_indexDevice && file.st_ino == m_indexInode;
    m_indexSize = same ? std::max<qint64>(m_indexSize, file.st_size) : file.st_size;
    m_indexDevice = file.st_dev;
    m_indexInode = file.st_ino;
}

void JournalWriter::keepIndexWhole() const
{
    const QByteArray index = QFile::encodeName(m_path + QLatin1String("-shm"));
    struct stat file = {};
    if (m_indexSize > 0 && ::stat(index.constData(), &file) == 0 && file.st_dev == m_indexDevice
        && file.st_ino == m_indexInode && file.st_size < m_indexSize
        && ::truncate(index.constData(), m_indexSize) != 0)
        qWarning("The bout journal's index %s was cut short and cannot be mended.",
                 index.constData());
}

void JournalWriter::dropLostFile(const QString &connection)
{
    qWarning("The bout journal %s or its log was removed, replaced or emptied; it is written "
             "afresh.",
             qPrintable(m_path));
    struct stat file = {};
    // Still in its place, it was emptied, or its log was lost with the latest changes.
    const bool emptied = ::stat(QFile::encodeName(m_path).constData(), &file) == 0
            && file.st_dev == m_device && file.st_ino == m_inode;
    QSqlDatabase::database(connection, false).close();
    m_logInode = 0;
    m_logSize = 0;
    // The log and its index were the lost journal's: beside a file put in its place, SQLite
    // would take them for that file's own and write the lost journal's pages into it. A folder
    // put in the log's place would stop every write.
    bool cleared = false;
    for (const QString &aside : clearCompanions(m_path, true, &cleared))
        emit keptAside(aside);
    // An emptied file is no journal to go on with. Another journal put in its place is written
    // over; anything else is kept aside when the journal is opened again. Where the log cannot
    // go, the file stays as it is, with what was saved in it.
    if (emptied && cleared)
        QFile::remove(m_path);
}
