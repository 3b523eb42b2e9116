#include "journalaside.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool taken(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// A name beside the journal that neither it nor its companion with that ending has yet.
QString asideName(const QString &path, const QString &ending = QString())
{
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 1; aside.isEmpty() || taken(aside) || taken(aside + ending); ++n) {
        aside = info.dir().filePath(QStringLiteral("%1.unusable-%2%3.%4")
                                            .arg(info.completeBaseName(), stamp,
                                                 n > 1 ? QStringLiteral("-%1").arg(n) : QString(),
                                                 info.suffix()));
    }
    return aside;
}

} // namespace

QString setJournalAside(const QString &path)
{
    const QString aside = asideName(path);
    QDir dir;
    const QString log = path + QLatin1String("-wal");
    const bool hasLog = QFileInfo::exists(log) || QFileInfo(log).isSymLink();
    if (!dir.rename(path, aside))
        return QString();
    if (hasLog && !dir.rename(log, aside + QLatin1String("-wal"))) {
        // Back where it was, beside its log. Should even that fail, the log stays where a new
        // journal would take it for its own: nothing is written there either.
        dir.rename(aside, path);
        return QString();
    }
    const QString index = path + QLatin1String("-shm");
    if (QFileInfo::exists(index) && !dir.rename(index, aside + QLatin1String("-shm")))
        QFile::remove(index);
    return aside;
}

namespace {

bool clearCompanion(const QString &path, const QString &ending, bool lost, QString *aside)
{
    const QString companion = path + ending;
    const QFileInfo info(companion);
    if (!taken(companion))
        return true;
    if (info.isFile() || info.isSymLink())
        return !lost || QFile::remove(companion);
    const QString name = asideName(path, ending) + ending;
    if (!QDir().rename(companion, name))
        return false;
    *aside = name;
    return true;
}

} // namespace

QStringList clearCompanions(const QString &path, bool lost, bool *cleared)
{
    QStringList aside;
    bool clear = true;
    for (const QLatin1String ending : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        QString name;
        clear = clearCompanion(path, ending, lost, &name) && clear;
        if (!name.isEmpty()) {
            qWarning("What stood in the place of the bout journal's log or its index was kept as "
                     "%s.",
                     qPrintable(name));
            aside << name;
        }
    }
    if (cleared)
        *cleared = clear;
    return aside;
}

bool canHoldJournal(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    // Only a plain file is read: opening a pipe waits for a writer.
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // Told when SQLite cannot open it either.
    const QByteArray start = file.read(16);
    return start.isEmpty() || start == QByteArrayLiteral("SQLite format 3\0");
}
