#pragma once

#include <QObject>
#include <QStringList>

class QTimer;

// Answers every message box that comes up while it lives, as an operator would read and close it,
// and keeps the texts. It looks for one every few milliseconds of the event loop that the box's
// own exec() runs.
class MessageCatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageCatcher)

public:
    explicit MessageCatcher(QObject *parent = nullptr);

    QStringList texts;

private:
    void look();

    QTimer *m_timer = nullptr;
};
