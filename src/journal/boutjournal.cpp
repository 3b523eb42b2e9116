#include "boutjournal.h"

#include "journalaside.h"
#include "journalwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

namespace {

const QString Driver = QStringLiteral("QSQLITE");
// How long a reader waits for another program's lock before it reads a copy instead.
constexpr int BusyMilliseconds = 250;

struct Reading
{
    std::optional<BoutState> state;
    bool closed = false;
    // Why the file cannot be used, for the log; empty when it can.
    QString problem;
    // Whether the file may be whole all the same: another program holds it locked, or SQLite
    // could not make what a reader needs beside it.
    bool heldOrUnopened = false;
    // Whether the disk failed the reader rather than the file: full, or failing to write what
    // a reader makes beside the file.
    bool diskTrouble = false;
};

bool heldOrUnopened(const QSqlError &error)
{
    // SQLite's result codes SQLITE_BUSY, SQLITE_LOCKED and SQLITE_CANTOPEN, in the low byte of
    // their extended codes.
    constexpr int Busy = 5, Locked = 6, CannotOpen = 14;
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number) & 0xff;
    return number && (code == Busy || code == Locked || code == CannotOpen);
}

bool diskTrouble(const QSqlError &error)
{
    // A full disk, and SQLITE_IOERR but for its short read, which is a file cut short.
    constexpr int InputOutput = 10, ShortRead = 10 | (2 << 8);
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return JournalWriter::diskFull(error)
            || (number && code != ShortRead && (code & 0xff) == InputOutput);
}

Reading failed(const QString &problem, const QSqlError &error)
{
    return {std::nullopt, false, problem.arg(error.text()), heldOrUnopened(error),
            diskTrouble(error)};
}

Reading queryProblem(const QSqlQuery &query)
{
    return failed(QStringLiteral("it is damaged or cut short (%1)"), query.lastError());
}

// Where the state was taken on the boot clock; left unknown when the journal does not say.
void readBoot(const QSqlQuery &query, BoutState *state)
{
    const QSqlRecord record = query.record();
    const int id = record.indexOf(QStringLiteral("boot_id"));
    const int ms = record.indexOf(QStringLiteral("boot_ms"));
    if (id < 0 || ms < 0 || query.isNull(id) || query.isNull(ms))
        return;
    state->bootId = query.value(id).toString().toLatin1();
    state->takenAtBootMs = query.value(ms).toLongLong();
}

// Read as it stands: the file alone, with nothing made beside it, which is the whole bout when
// no log beside it holds changes.
Reading readFile(const QString &connection, const QString &path, bool asItStands = false)
{
    const QFileInfo info(path);
    if (!info.isReadable())
        return {std::nullopt, false, QStringLiteral("it cannot be read (permissions)")};

    QSqlDatabase database = QSqlDatabase::addDatabase(Driver, connection);
    // Read-only, so that looking leaves the journal and its log exactly as they are: a
    // read-write connection checkpoints the log into the file, or empties it, when it closes.
    QString options = QStringLiteral("QSQLITE_OPEN_READONLY");
    database.setDatabaseName(path);
    // Where no log can be made beside it (a read-only folder) and none is there, the file is
    // all there is: read it as it stands, without the shared memory a reader otherwise creates.
    if (asItStands
        || (!QFileInfo(info.absolutePath()).isWritable()
            && QFileInfo(path + QLatin1String("-wal")).size() == 0)) {
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        database.setDatabaseName(
                QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                + QStringLiteral("?immutable=1"));
    }
    // A file another program holds is read from a copy rather than waited for.
    options += QStringLiteral(";QSQLITE_BUSY_TIMEOUT=%1").arg(BusyMilliseconds);
    database.setConnectOptions(options);
    if (!database.open())
        return failed(QStringLiteral("it cannot be opened (%1)"), database.lastError());
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return queryProblem(query);
    const int version = query.value(0).toInt();
    if (version > BoutJournal::SchemaVersion)
        return {std::nullopt, false,
                QStringLiteral("it was written by a newer version of Corvanta")};
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return queryProblem(query);
    if (query.value(0).toString() != QLatin1String("ok"))
        return {std::nullopt, false,
                QStringLiteral("it is damaged (%1)").arg(query.value(0).toString())};
    // A file made but never written to, as a run killed at once leaves it, holds no bout.
    if (version == 0 && database.tables().isEmpty())
        return {};
    // Every column: a journal from before the boot clock was kept has no boot columns.
    if (!query.exec(QStringLiteral("SELECT * FROM bout WHERE id = 1")))
        return queryProblem(query);
    if (!query.next())
        return {};
    Reading reading;
    reading.closed = query.value(QStringLiteral("closed")).toInt() != 0;
    reading.state = BoutState::fromJson(query.value(QStringLiteral("state")).toString().toUtf8());
    if (!reading.state)
        reading.problem = QStringLiteral("the bout it holds is incomplete or out of range");
    else
        readBoot(query, &*reading.state);
    return reading;
}

// The journal and its log copied to a folder of the program's own and read there, as SQLite
// reads them after a crash: what was last committed, whatever holds the journal itself, and with
// the log's index made afresh where it could not be made beside the journal (a read-only folder
// the index was cleared from).
Reading readCopy(const QString &connection, const QString &path)
{
    const QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("bout-journal.sqlite"));
    const QString log = path + QLatin1String("-wal");
    // No room for the copy is the disk's trouble, not the file's.
    if (!folder.isValid() || !QFile::copy(path, copy)
        || (QFileInfo::exists(log) && !QFile::copy(log, copy + QLatin1String("-wal"))))
        return {std::nullopt, false, QStringLiteral("it could not be copied to be read"), false,
                true};
    Reading reading = readFile(connection, copy);
    QSqlDatabase::removeDatabase(connection);
    return reading;
}

// Whether the log beside the journal has a header SQLite cannot take: cut short, a write torn or
// a block of the disk lost. SQLite takes such a log for an empty one, reads the journal as
// though the changes in it had never been made, and writes its own over them at the next change.
// An empty log is a log with nothing in it yet.
bool logHeaderDamaged(const QString &path)
{
    constexpr qint64 HeaderBytes = 32;
    QFile log(path + QLatin1String("-wal"));
    if (log.size() == 0 || !log.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = log.read(HeaderBytes);
    if (header.size() != HeaderBytes)
        return true;
    const auto *bytes = reinterpret_cast<const uchar *>(header.constData());
    const quint32 magic = qFromBigEndian<quint32>(bytes);
    constexpr quint32 LittleEndianSums = 0x377f0682, BigEndianSums = 0x377f0683;
    constexpr quint32 Version = 3007000;
    if ((magic != LittleEndianSums && magic != BigEndianSums)
        || qFromBigEndian<quint32>(bytes + 4) != Version)
        return true;
    // SQLite's checksum of the header's first 24 bytes, in 32-bit words of the order the magic
    // number names.
    const auto word = [&](int at) {
        return magic == BigEndianSums ? qFromBigEndian<quint32>(bytes + at)
                                      : qFromLittleEndian<quint32>(bytes + at);
    };
    quint32 first = 0, second = 0;
    for (int at = 0; at < 24; at += 8) {
        first += word(at) + second;
        second += word(at + 4) + first;
    }
    return first != qFromBigEndian<quint32>(bytes + 24)
            || second != qFromBigEndian<quint32>(bytes + 28);
}

// Whether the driver that reads and writes SQLite files is installed and loads.
bool driverLoads(const QString &connection)
{
    const bool loads = QSqlDatabase::addDatabase(Driver, connection).isValid();
    QSqlDatabase::removeDatabase(connection);
    return loads;
}

} // namespace

BoutJournal::BoutJournal(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{ }

BoutJournal::~BoutJournal()
{
    if (m_writer)
        m_writer->finish();
}

QString BoutJournal::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
            .filePath(QStringLiteral("bout-journal.sqlite"));
}

BoutJournal::Opening BoutJournal::open()
{
    Opening opening;
    const QString connection
            = QStringLiteral("corvanta-journal-reader-%1").arg(quintptr(this), 0, 16);
    if (!driverLoads(connection)) {
        qWarning("Qt's SQLite driver (QSQLITE) cannot be loaded: no bout is being saved.");
        opening.problem = tr("Bouts are not being saved: the package libqt6sql6-sqlite is "
                             "missing.");
        return opening;
    }
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    // A folder where the log or its index goes holds nothing of the bout's, and would keep the
    // journal from being read or written.
    const QStringList companionsAside = clearCompanions(m_path, false);
    if (!companionsAside.isEmpty())
        opening.problem = keptAsideText(companionsAside.first());
    // A journal that could not be used, nor moved aside, is kept as it is until it can be.
    bool asideFirst = false;
    if (info.exists() || info.isSymLink()) {
        // A folder, a device or a pipe is no place to keep a bout; a pipe is not even opened,
        // since opening one waits for a writer.
        const bool file = info.isFile() || !info.exists();
        // With its log's header damaged, the file alone holds the bout as it was when the log
        // last went into it: all of it, where the header was torn as the log started afresh.
        const bool logDamaged = file && logHeaderDamaged(m_path);
        if (logDamaged)
            qWarning("The header of the bout journal's log %s-wal is damaged.", qPrintable(m_path));
        Reading reading = file ? readFile(connection, m_path, logDamaged)
                               : Reading {std::nullopt, false, QStringLiteral("it is not a file")};
        QSqlDatabase::removeDatabase(connection);
        if (logDamaged && reading.problem.isEmpty() && !reading.state)
            reading.problem = QStringLiteral("the header of its log is damaged");
        if (reading.heldOrUnopened || reading.diskTrouble) {
            Reading copied = readCopy(connection, m_path);
            if (copied.problem.isEmpty()) {
                reading = std::move(copied);
            } else if (reading.diskTrouble || copied.diskTrouble) {
                // A full disk leaves no room for a copy, nor for what a reader makes beside
                // the file: a file another program holds as well is no more damaged for it.
                reading.diskTrouble = true;
                // With no log, the file alone is the bout. Read so, a file damaged or cut short
                // tells so, and goes aside.
                if (QFileInfo(m_path + QLatin1String("-wal")).size() == 0) {
                    Reading standing = readFile(connection, m_path, true);
                    QSqlDatabase::removeDatabase(connection);
                    if (standing.problem.isEmpty() || !standing.diskTrouble)
                        reading = std::move(standing);
                }
            }
        }
        if (!reading.problem.isEmpty() && reading.diskTrouble) {
            // The file is most likely whole: it is left as it is, and nothing is written over
            // it until the board starts again with room on the disk.
            qWarning("The bout journal %s could not be read for a disk error: %s.",
                     qPrintable(m_path), qPrintable(reading.problem));
            opening.problem = tr("The bout could not be read: the disk is full or failing. It "
                                 "is kept as it is, and this bout is not being saved. Make room "
                                 "on the disk and start Corvanta again.");
            return opening;
        }
        if (!reading.problem.isEmpty()) {
            qWarning("The bout journal %s could not be used: %s.", qPrintable(m_path),
                     qPrintable(reading.problem));
            // One that could not be moved aside is left as it is: nothing is written over it
            // until it can be moved.
            asideFirst = !setAside(file, &opening.problem);
        } else if (reading.state) {
            opening.state = *reading.state;
            opening.ending = reading.closed ? Ending::Closed : Ending::Abnormal;
            // Both kept for what the log may still hold; the bout goes on in a journal of its
            // own, as the file alone has it. So too where the file's own start is damaged and
            // the log held the whole bout: SQLite would write no more to that file.
            const bool fileDamaged = !logDamaged && file && !canHoldJournal(m_path);
            if (logDamaged || fileDamaged) {
                const QString aside = setJournalAside(m_path);
                asideFirst = aside.isEmpty();
                if (asideFirst) {
                    opening.problem = fileDamaged
                            ? tr("The bout's journal is damaged and could not be kept aside: "
                                 "the bout is not being saved; still trying.")
                            : tr("The bout's latest changes could not be read, and the journal "
                                 "could not be kept aside: the bout is not being saved; still "
                                 "trying.");
                } else {
                    qWarning("The bout journal was kept as %s.", qPrintable(aside));
                    const QString name = QFileInfo(aside).fileName();
                    opening.problem = fileDamaged
                            ? tr("The bout's journal was damaged; the bout was read whole from "
                                 "its log, and the journal was kept aside as %1.")
                                      .arg(name)
                            : tr("The bout's latest changes could not be read; the journal was "
                                 "kept aside as %1.")
                                      .arg(name);
                }
            }
        }
    }
    m_writer = new JournalWriter(m_path, SchemaVersion, this);
    if (asideFirst) {
        // Tried again every second: once the folder can be written, or the other program lets
        // go, the journal is moved aside and the bout saved from then on, and the board says so.
        m_writer->keepAsideFirst();
        m_writer->startFailing();
    }
    const QFileInfo folder(info.absolutePath());
    // A folder made read-only after a crash still lets the journal be written where the file,
    // its log and the log's index are all there and writable: nothing new is made beside them.
    const auto writable = [this](const char *companion) {
        const QFileInfo file(m_path + QLatin1String(companion));
        return file.isFile() && file.isWritable();
    };
    const bool writtenInPlace = writable("") && writable("-wal") && writable("-shm");
    if ((!folder.isWritable() && !writtenInPlace)
        || (QFileInfo::exists(m_path) && !QFileInfo(m_path).isWritable())) {
        const QString readOnly = folder.isWritable() ? QDir::toNativeSeparators(m_path)
                                                     : QDir::toNativeSeparators(folder.filePath());
        qWarning("The bout journal cannot be written: %s is read-only.", qPrintable(readOnly));
        // The journal that could not be moved aside has been told of.
        if (!asideFirst) {
            opening.problem = folder.isWritable()
                    ? tr("The bout is not being saved: its file is read-only.")
                    : tr("The bout is not being saved: its folder is read-only.");
        }
        // Tried again every second all the same, as a full disk is: once the folder or file
        // can be written, the bout is saved from then on, and the board says so.
        m_writer->startFailing();
    }
    connect(m_writer, &JournalWriter::failedOnce, this,
            [this](const QString &reason, bool diskFull) {
                emit writeFailed(tr("The bout could not be saved to %1 (%2). The board keeps "
                                    "running and tries again.")
                                         .arg(QDir::toNativeSeparators(m_path), reason),
                                 diskFull);
            });
    connect(m_writer, &JournalWriter::recovered, this, &BoutJournal::writeRecovered);
    connect(m_writer, &JournalWriter::keptAside, this,
            [this](const QString &aside) { emit replacedFileKeptAside(keptAsideText(aside)); });
    connect(m_writer, &JournalWriter::written, this, &BoutJournal::written);
    m_writer->start();
    return opening;
}

QString BoutJournal::keptAsideText(const QString &aside)
{
    return tr("Another file took the place of the bout's; it was kept aside as %1, and the bout "
              "is saved as before.")
            .arg(QFileInfo(aside).fileName());
}

bool BoutJournal::setAside(bool file, QString *problem)
{
    const QFileInfo info(m_path);
    const QString aside = setJournalAside(m_path);
    const bool moved = !aside.isEmpty();
    if (!moved) {
        qWarning("The bout journal %s could not be moved aside.", qPrintable(m_path));
        *problem = file ? tr("The bout could not be read, nor kept aside: it is not being "
                             "saved; still trying.")
                        : tr("%1 is not a file and could not be moved: the bout is not being "
                             "saved; still trying.")
                                  .arg(info.fileName());
        return false;
    }
    qWarning("The bout journal was kept as %s.", qPrintable(aside));
    const QString name = QFileInfo(aside).fileName();
    *problem = file ? tr("The bout could not be read; it was kept aside as %1. A new bout has "
                         "started.")
                              .arg(name)
                    : tr("%1 was not a file; it was kept aside as %2. A new bout has started.")
                              .arg(info.fileName(), name);
    return true;
}

void BoutJournal::record(const BoutState &state)
{
    if (m_writer)
        m_writer->post(state, false);
}

void BoutJournal::close(const BoutState &state)
{
    if (!m_writer)
        return;
    m_writer->post(state, true);
    m_writer->finish();
}

bool BoutJournal::flush(int timeoutMs)
{
    return m_writer && m_writer->waitUntilSettled(timeoutMs);
}
