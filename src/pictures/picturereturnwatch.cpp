#include "picturereturnwatch.h"

#include <QFileInfo>
#include <QTimer>

PictureReturnWatch::PictureReturnWatch(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(LookEveryMs);
    connect(m_timer, &QTimer::timeout, this, &PictureReturnWatch::look);
}

PictureReturnWatch::Sighting PictureReturnWatch::sighting(const QString &path)
{
    const QFileInfo file(path);
    return file.isFile() ? Sighting {file.size(), file.lastModified()} : Sighting {};
}

void PictureReturnWatch::watch(const QStringList &paths)
{
    // A file watched already keeps what the looks found: one board reading it now says nothing
    // of what another read before.
    QHash<QString, Watched> files;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        if (const auto it = m_files.constFind(path); it != m_files.cend()) {
            // Found missing by a board now, it is back for every board when it returns.
            Watched file = it.value();
            if (const Sighting now = sighting(path); now.size < 0)
                file = {now, now};
            files.insert(path, file);
        } else {
            const Sighting now = sighting(path);
            files.insert(path, {now, now});
        }
    }
    m_files = files;
    if (m_files.isEmpty())
        m_timer->stop();
    else if (!m_timer->isActive())
        m_timer->start();
}

void PictureReturnWatch::look()
{
    bool back = false;
    for (auto it = m_files.begin(); it != m_files.end(); ++it) {
        Watched &file = it.value();
        const Sighting now = sighting(it.key());
        // Gone again or not yet whole: a return from now on is one.
        if (now.size < 0 || now != file.seen) {
            if (now.size < 0)
                file.read = now;
            file.seen = now;
            continue;
        }
        if (now != file.read) {
            file.read = now;
            back = true;
        }
    }
    if (back)
        emit returned();
}
