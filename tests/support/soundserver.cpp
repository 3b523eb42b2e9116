#include "soundserver.h"

#include <QFile>

#include <csignal>
#include <sys/prctl.h>

SoundServer::~SoundServer()
{
    kill();
}

bool SoundServer::start()
{
    kill();
    QFile::remove(m_dir.filePath("native"));
    // No pid file, so that it runs beside any other server of the same user; -n: no default
    // set-up, which would look for sound cards and a session bus.
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Ends with the test even when the test crashes.
    m_server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_server.start("pulseaudio",
                   {"--daemonize=no", "--system=false", "-n", "--use-pid-file=false",
                    "--exit-idle-time=-1", "--disallow-exit", "--log-level=error",
                    "--load=module-null-sink sink_name=test_null",
                    "--load=module-native-protocol-unix auth-anonymous=1 socket="
                            + m_dir.filePath("native")});
    if (!m_server.waitForStarted(5000))
        return false;
    for (int tries = 0; tries < 100; ++tries) {
        if (streams() >= 0)
            return true;
        m_server.waitForFinished(50);
        if (m_server.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

void SoundServer::kill()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.kill();
    m_server.waitForFinished(5000);
}

void SoundServer::freeze()
{
    ::kill(pid_t(m_server.processId()), SIGSTOP);
}

void SoundServer::thaw()
{
    ::kill(pid_t(m_server.processId()), SIGCONT);
}

QString SoundServer::address() const
{
    return "unix:" + m_dir.filePath("native");
}

bool SoundServer::pactl(const QStringList &arguments, QByteArray *output) const
{
    QProcess pactl;
    pactl.start("pactl", QStringList {"--server=" + address()} + arguments);
    if (!pactl.waitForFinished(5000) || pactl.exitStatus() != QProcess::NormalExit
        || pactl.exitCode() != 0)
        return false;
    if (output)
        *output = pactl.readAllStandardOutput();
    return true;
}

int SoundServer::streams() const
{
    QByteArray list;
    return pactl({"list", "short", "sink-inputs"}, &list) ? int(list.count('\n')) : -1;
}

bool SoundServer::removeSpeaker()
{
    return pactl({"unload-module", "module-null-sink"});
}

bool SoundServer::addSpeaker()
{
    return pactl({"load-module", "module-null-sink", "sink_name=test_null"});
}
