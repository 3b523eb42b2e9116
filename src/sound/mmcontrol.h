#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <tuple>

class QTimer;
class SoundBackend;

// The board's media control: plays one .wav file at a time in the background, driven by writing
// command words to Command ("Open", "Play", "Stop", "Prev", "Close"), and raises Done when a play
// has finished.
//
// No play holds the device longer than LongestPlayNanoseconds, so that a long file chosen by
// mistake cannot keep the next sound from the board. A file that cannot play, a sound server
// that does not answer and a server with no output to play on are told through Problem, once
// each: again for a server only after it has played in between.
//
// The window counts on Done ending every play, and an audio backend cannot be trusted with that:
// some report the end late or never, and with no sound server they "play" forever. So the control
// keeps the time itself: it reads the file's length from its header and raises Done when that
// time has passed on the monotonic ClockSource, or when the backend reports the end, whichever
// comes first. A play that cannot start (nothing open, not a playable .wav, no sound server) gets
// its Done straight after the command returns. Every play gets exactly one Done.
class MMControl final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QString FileName READ fileName WRITE setFileName)
    Q_PROPERTY(QString Command READ command WRITE setCommand)

public:
    // Plays through the PulseAudio server, or through what the backend factory makes.
    explicit MMControl(QObject *parent = nullptr);
    explicit MMControl(std::unique_ptr<SoundBackend> backend, QObject *parent = nullptr);
    ~MMControl() override;
    Q_DISABLE_COPY_MOVE(MMControl)

    QString fileName() const { return m_fileName; }
    // Takes effect at the next "Open".
    void setFileName(const QString &fileName);

    // The last command written.
    QString command() const { return m_command; }
    // Runs the command; command words are case-insensitive and unknown ones are ignored.
    void setCommand(const QString &command);

    // Where controls made without a backend get theirs; tests put a fake sound device here. An
    // empty factory puts the PulseAudio server back.
    using BackendFactory = std::function<std::unique_ptr<SoundBackend>()>;
    static void setBackendFactory(BackendFactory factory);

    bool isOpen() const { return m_open; }
    bool isPlaying() const { return m_playing; }

    // Longest wait between two looks at the clock while a play is under way, so that a replaced
    // clock is noticed soon.
    static constexpr int ClockCheckMilliseconds = 100;
    static constexpr qint64 LongestPlayNanoseconds = 30'000'000'000;

signals:
    void Done();
    // A sentence for the operator, e.g. "Sound unavailable: no sound server answers."
    void Problem(const QString &message);
    // The sound server plays again after a Problem said it did not answer or had no output, or
    // answers after a Problem said it had no output: that message is no longer true.
    void ProblemGone(const QString &message);

private:
    void open();
    void play();
    void stop();
    void close();
    void rewind();
    void startPlay();
    void checkClock();
    void finishPlay();
    void serverAnswered(bool answers);
    void serverHasNoOutput();
    void tellServer(const QString &problem);
    void takeBackServerProblem();
    void tellFileProblem();

    std::unique_ptr<SoundBackend> m_backend;
    QTimer *m_timer = nullptr;
    QString m_fileName;
    QString m_command;
    bool m_open = false;
    bool m_canPlay = false;
    QString m_fileProblem;
    qint64 m_lengthNs = 0;
    // The open file as it was when opened: its device and inode, its entry's change time, its
    // contents' and its size. A play of a file written or replaced since opens it again.
    using FileStamp = std::tuple<quint64, quint64, qint64, qint64, qint64>;
    static FileStamp fileStamp(const QString &fileName);
    FileStamp m_openedStamp;
    bool m_playing = false;
    // Counts plays, so that a Done queued for a play that cannot start is dropped when that play
    // has already ended another way.
    quint64 m_playNumber = 0;
    qint64 m_deadlineNs = 0;
    // Files whose problem has been told, with the problem, and the server's problem told last.
    QSet<QString> m_toldFiles;
    QString m_toldServerProblem;
};
