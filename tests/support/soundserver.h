#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A PulseAudio server of the test's own, playing into a null sink on a private socket, that the
// test may stop and start as it likes without touching any other server on the machine. Streams
// are counted on this server only, so tests running beside it do not upset the count.
class SoundServer final
{
public:
    SoundServer() = default;
    ~SoundServer();
    Q_DISABLE_COPY_MOVE(SoundServer)

    // Starts the server and waits until it answers; false when it cannot be started.
    bool start();
    // Ends the server at once, as a crash would.
    void kill();
    // Freezes the server (SIGSTOP), as a hung one would be, and wakes it again (SIGCONT).
    void freeze();
    void thaw();
    // Takes the server's only output away, as unplugging a USB sound interface does, and puts it
    // back; false when the server would not.
    bool removeSpeaker();
    bool addSpeaker();
    // For PULSE_SERVER: "unix:" and the socket's path.
    QString address() const;
    // Streams playing on this server now, or -1 when it does not answer.
    int streams() const;
    // Runs pactl on this server with the arguments, its output into output; false when it fails.
    bool pactl(const QStringList &arguments, QByteArray *output = nullptr) const;

private:
    QTemporaryDir m_dir;
    QProcess m_server;
};
