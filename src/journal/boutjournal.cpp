#include "boutjournal.h"

#include "journalwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>

namespace {

struct Reading
{
    std::optional<BoutState> state;
    bool closed = false;
    // Why the file cannot be used; empty when it can.
    QString problem;
};

QString queryProblem(const QSqlQuery &query)
{
    return QStringLiteral("it is damaged or cut short (%1)").arg(query.lastError().text());
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

Reading readFile(const QString &connection, const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {std::nullopt, false, QStringLiteral("a folder stands in its place")};
    if (!info.isReadable())
        return {std::nullopt, false, QStringLiteral("it cannot be read (permissions)")};

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    database.setDatabaseName(path);
    if (!database.open())
        return {std::nullopt, false,
                QStringLiteral("it cannot be opened (%1)").arg(database.lastError().text())};
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return {std::nullopt, false, queryProblem(query)};
    const int version = query.value(0).toInt();
    if (version > BoutJournal::SchemaVersion)
        return {std::nullopt, false,
                QStringLiteral("it was written by a newer version of Corvanta")};
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return {std::nullopt, false, queryProblem(query)};
    if (query.value(0).toString() != QLatin1String("ok"))
        return {std::nullopt, false,
                QStringLiteral("it is damaged (%1)").arg(query.value(0).toString())};
    // A file made but never written to, as a run killed at once leaves it, holds no bout.
    if (version == 0 && database.tables().isEmpty())
        return {};
    // Every column: a journal from before the boot clock was kept has no boot columns.
    if (!query.exec(QStringLiteral("SELECT * FROM bout WHERE id = 1")))
        return {std::nullopt, false, queryProblem(query)};
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
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    if (info.exists() || info.isSymLink()) {
        const QString connection
                = QStringLiteral("corvanta-journal-reader-%1").arg(quintptr(this), 0, 16);
        const Reading reading = readFile(connection, m_path);
        QSqlDatabase::removeDatabase(connection);
        if (!reading.problem.isEmpty()) {
            opening.problem = setAside(reading.problem);
            // One that could not be moved aside is left as it is: nothing is written over it.
            if (QFileInfo::exists(m_path) || QFileInfo(m_path).isSymLink())
                return opening;
        } else if (reading.state) {
            opening.state = *reading.state;
            opening.ending = reading.closed ? Ending::Closed : Ending::Abnormal;
        }
    }

    m_writer = new JournalWriter(m_path, SchemaVersion, this);
    connect(m_writer, &JournalWriter::failedOnce, this, [this](const QString &reason) {
        emit writeFailed(tr("The bout could not be saved to %1 (%2). The board keeps running "
                            "and tries again.")
                                 .arg(QDir::toNativeSeparators(m_path), reason));
    });
    connect(m_writer, &JournalWriter::recovered, this, &BoutJournal::writeRecovered);
    connect(m_writer, &JournalWriter::written, this, &BoutJournal::written);
    m_writer->start();
    return opening;
}

// The companion files of write-ahead logging go with the journal, under the same new name.
QString BoutJournal::setAside(const QString &reason)
{
    const QFileInfo info(m_path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 1; aside.isEmpty() || QFileInfo::exists(aside) || QFileInfo(aside).isSymLink();
         ++n) {
        aside = info.dir().filePath(QStringLiteral("%1.unusable-%2%3.%4")
                                            .arg(info.completeBaseName(), stamp,
                                                 n > 1 ? QStringLiteral("-%1").arg(n) : QString(),
                                                 info.suffix()));
    }
    QDir dir;
    const bool moved = dir.rename(m_path, aside);
    for (const char *companion : {"-wal", "-shm"}) {
        const QString file = m_path + QLatin1String(companion);
        if (moved && QFileInfo::exists(file) && !dir.rename(file, aside + QLatin1String(companion)))
            QFile::remove(file);
    }
    const QString where = QDir::toNativeSeparators(m_path);
    if (!moved)
        return tr("The bout journal %1 could not be used: %2. It could not be moved aside "
                  "either, so this bout is not being saved. A new bout was started.")
                .arg(where, reason);
    return tr("The bout journal %1 could not be used: %2. A new bout was started; the old "
              "journal was kept as %3.")
            .arg(where, reason, QDir::toNativeSeparators(aside));
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
