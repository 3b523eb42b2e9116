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
    return file.isFile() ? Sighting {file.size(), file.lastModified(), file.metadataChangeTime()}
                         : Sighting {};
}

void PictureReturnWatch::watch(const QStringList &paths)
{
    // What a board reads now is what the boards last read: missing, it is back for every board
    // when it returns. Found otherwise than the others last read it (written since, or put back
    // as it was after they read it damaged), every board reads it again, so that none keeps a
    // picture, or an empty frame, that the others no longer show.
    QHash<QString, Watched> files;
    bool readOtherwise = false;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const Sighting now = sighting(path);
        if (const auto it = m_files.constFind(path);
            it != m_files.cend() && now.size >= 0 && now != it->read)
            readOtherwise = true;
        files.insert(path, {now, now});
    }
    m_files = files;
    if (readOtherwise)
        QTimer::singleShot(0, this, &PictureReturnWatch::returned);
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
