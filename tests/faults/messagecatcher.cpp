#include "messagecatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

MessageCatcher::MessageCatcher(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &MessageCatcher::look);
    m_timer->start(5);
}

void MessageCatcher::look()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    texts.append(box->text());
    box->done(QMessageBox::Ok);
}
