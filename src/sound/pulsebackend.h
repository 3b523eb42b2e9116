#pragma once

#include "soundbackend.h"
#include "soundfile.h"

#include <QFile>
#include <QList>

struct pa_context;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;
class QTimer;

// Plays through the PulseAudio server (or PipeWire's PulseAudio service) with a connection of its
// own. When the server goes away the connection is dropped, and the next play connects anew, so
// sound comes back by itself once a server answers again. The samples are read from the file as
// the server asks for them, on the connection's own thread; the window's thread never waits for
// the server.
//
// A server that stops answering (frozen, or swamped) would otherwise keep every stream asked of
// it, to create them all when it wakes and hold them until the program ends. So a stream stopped
// before the server has made it is disconnected as soon as the server makes it, and when the
// server leaves a question unanswered for ServerAnswerMilliseconds the whole connection is
// dropped, which takes every stream on it away, and the play is reported lost; the next play
// connects anew.
class PulseBackend final : public SoundBackend
{
    Q_OBJECT

public:
    explicit PulseBackend(QObject *parent = nullptr);
    ~PulseBackend() override;

    bool open(const SoundFile &sound) override;
    bool play() override;
    void stop() override;
    void close() override;
    bool playPending() const override;

    static constexpr int ServerAnswerMilliseconds = 3000;

private:
    enum class Outcome { Answered, Ended, Lost, NoOutput };

    // These run on the connection's thread with its lock held.
    static void contextChanged(pa_context *context, void *backend);
    static void streamChanged(pa_stream *stream, void *backend);
    static void streamWants(pa_stream *stream, size_t bytes, void *backend);
    static void streamDrained(pa_stream *stream, int success, void *backend);
    static void strayStreamChanged(pa_stream *stream, void *backend);
    void startStream();
    void report(Outcome outcome);
    void serverSaidSomething();
    bool waitingForServer() const;

    // These take the lock first.
    bool connectToServer();
    void dropStream();
    void dropContext();

    // On the window's thread: gives up on a server that has not answered in time.
    void checkServerAnswers();

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    pa_operation *m_drain = nullptr;
    // Streams stopped before the server had made them, waiting to be disconnected when it does.
    QList<pa_stream *> m_strays;
    QTimer *m_answerTimer = nullptr;
    // Monotonic milliseconds at which the server last answered, or was first asked something
    // after it had answered everything.
    qint64 m_lastAnswerMs = 0;
    SoundFile m_sound;
    QFile m_file;
    qint64 m_bytesLeft = 0;
    // A play waits here for a connection still being made.
    bool m_waiting = false;
    // Counts plays, so that news of a play already stopped is not taken for news of the next.
    quint64 m_play = 0;
};
