#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up while it lives, as an operator would read and close it,
// and keeps the texts. It looks for one every few milliseconds of the event loop that the box's
// own exec() runs.
class MessageCatcher final
{
public:
    MessageCatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                texts.append(box->text());
                box->done(QMessageBox::Ok);
            }
        });
        m_timer.start(5);
    }

    QStringList texts;

private:
    QTimer m_timer;
};
