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

void PictureReturnWatch::watch(const QStringList &paths)
{
    m_missing.clear();
    for (const QString &path : paths) {
        if (!path.isEmpty() && !QFileInfo(path).isFile())
            m_missing.insert(path, {});
    }
    if (m_missing.isEmpty())
        m_timer->stop();
    else if (!m_timer->isActive())
        m_timer->start();
}

void PictureReturnWatch::look()
{
    bool back = false;
    for (auto it = m_missing.begin(); it != m_missing.end();) {
        const QFileInfo file(it.key());
        const Sighting now
                = file.isFile() ? Sighting {file.size(), file.lastModified()} : Sighting {};
        if (now.size >= 0 && now == it.value()) {
            it = m_missing.erase(it);
            back = true;
            continue;
        }
        it.value() = now;
        ++it;
    }
    if (m_missing.isEmpty())
        m_timer->stop();
    if (back)
        emit returned();
}
