#include "keyrepeatfilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

KeyRepeatFilter::KeyRepeatFilter()
{
    QCoreApplication::instance()->installEventFilter(this);
}

KeyRepeatFilter::~KeyRepeatFilter()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool KeyRepeatFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_freshPress)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyRelease) {
        m_repeats.released(*static_cast<QKeyEvent *>(event));
    } else if (event->type() == QEvent::KeyPress) {
        if (m_repeats.repeats(*static_cast<QKeyEvent *>(event)))
            return true;
        m_freshPress = true;
    }
    return QObject::eventFilter(watched, event);
}
