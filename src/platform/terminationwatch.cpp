#include "terminationwatch.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler's end of the pair and the loop's end.
int s_pair[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void noteSignal(int)
{
    const char byte = 1;
    // Only what is safe in a signal handler; a full pair means a close is noted already.
    [[maybe_unused]] const ssize_t written = ::write(s_pair[0], &byte, 1);
}

} // namespace

TerminationWatch::TerminationWatch(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_pair) != 0)
        return;
    m_notifier = new QSocketNotifier(s_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatch::closeWindows);
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationWatch::~TerminationWatch()
{
    if (!m_notifier)
        return;
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    ::close(s_pair[0]);
    ::close(s_pair[1]);
    s_pair[0] = s_pair[1] = -1;
}

void TerminationWatch::closeWindows()
{
    char bytes[16];
    while (::read(s_pair[1], bytes, sizeof bytes) > 0) { }
    // Each window closes as the operator would close it: the scoreboard keeps the bout as
    // closed, and the program ends with its last window.
    QApplication::closeAllWindows();
}
