#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the program as when the operator closes its windows, on a request to end from outside: a
// shutdown or logout (SIGTERM), a terminal's Ctrl+C (SIGINT) or its closing (SIGHUP). The bout is
// then kept as closed normally, not as after a crash. The signal is only noted in its handler;
// the windows are closed from the event loop. One watch per program.
class TerminationWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationWatch)

public:
    explicit TerminationWatch(QObject *parent = nullptr);
    ~TerminationWatch() override;

private:
    void closeWindows();

    QSocketNotifier *m_notifier = nullptr;
};
