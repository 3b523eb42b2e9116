#include "pulsebackend.h"

#include <QByteArray>
#include <QMetaObject>
#include <QTimer>

#include <chrono>

#include <pulse/pulseaudio.h>

namespace {

pa_sample_format_t sampleFormat(const SoundFile &sound)
{
    switch (sound.encoding()) {
    case SoundFile::Encoding::Float:
        return PA_SAMPLE_FLOAT32LE;
    case SoundFile::Encoding::ALaw:
        return PA_SAMPLE_ALAW;
    case SoundFile::Encoding::MuLaw:
        return PA_SAMPLE_ULAW;
    case SoundFile::Encoding::Integer:
        break;
    }
    switch (sound.bitsPerSample()) {
    case 8:
        return PA_SAMPLE_U8;
    case 16:
        return PA_SAMPLE_S16LE;
    case 24:
        return PA_SAMPLE_S24LE;
    default:
        return PA_SAMPLE_S32LE;
    }
}

bool connecting(pa_context_state_t state)
{
    return state == PA_CONTEXT_UNCONNECTED || state == PA_CONTEXT_CONNECTING
            || state == PA_CONTEXT_AUTHORIZING || state == PA_CONTEXT_SETTING_NAME;
}

// The server's silence is measured in real time, the time it runs on, and not on the board's
// clock.
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class Lock final
{
public:
    explicit Lock(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        if (m_loop)
            pa_threaded_mainloop_lock(m_loop);
    }
    ~Lock()
    {
        if (m_loop)
            pa_threaded_mainloop_unlock(m_loop);
    }
    Q_DISABLE_COPY_MOVE(Lock)

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace

PulseBackend::PulseBackend(QObject *parent)
    : SoundBackend(parent)
    , m_loop(pa_threaded_mainloop_new())
    , m_answerTimer(new QTimer(this))
{
    m_answerTimer->setSingleShot(true);
    connect(m_answerTimer, &QTimer::timeout, this, &PulseBackend::checkServerAnswers);
    if (m_loop && pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

PulseBackend::~PulseBackend()
{
    if (!m_loop)
        return;
    {
        const Lock lock(m_loop);
        dropStream();
        dropContext();
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

bool PulseBackend::open(const SoundFile &sound)
{
    stop();
    m_sound = sound;
    return sound.canPlay();
}

bool PulseBackend::play()
{
    stop();
    if (!m_sound.canPlay())
        return false;
    const Lock lock(m_loop);
    // The file may have been replaced since it was opened; a FIFO put in its place must not
    // hold up the board.
    QString problem;
    if (!SoundFile::openForReading(m_file, m_sound.path(), &problem)
        || !m_file.seek(m_sound.dataOffset()))
        return false;
    m_bytesLeft = m_sound.dataBytes();
    const bool wasWaiting = waitingForServer();
    if (!connectToServer()) {
        report(Outcome::Lost);
        return true;
    }
    if (pa_context_get_state(m_context) == PA_CONTEXT_READY)
        startStream();
    else
        m_waiting = true;
    // A question to a server that had answered everything: its time to answer runs from now.
    if (!wasWaiting)
        m_lastAnswerMs = nowMs();
    if (!m_answerTimer->isActive())
        m_answerTimer->start(ServerAnswerMilliseconds);
    return true;
}

bool PulseBackend::waitingForServer() const
{
    if (!m_strays.isEmpty() || (m_context && connecting(pa_context_get_state(m_context))))
        return true;
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_CREATING;
}

bool PulseBackend::playPending() const
{
    const Lock lock(m_loop);
    return m_waiting || (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_CREATING);
}

void PulseBackend::serverSaidSomething()
{
    m_lastAnswerMs = nowMs();
}

void PulseBackend::checkServerAnswers()
{
    {
        const Lock lock(m_loop);
        if (!waitingForServer())
            return;
        const qint64 left = m_lastAnswerMs + ServerAnswerMilliseconds - nowMs();
        if (left > 0) {
            m_answerTimer->start(int(left));
            return;
        }
        // Dropping the connection is the one way to be sure that the server, when it wakes,
        // keeps none of the streams it was asked for.
        ++m_play;
        m_waiting = false;
        dropStream();
        dropContext();
        m_file.close();
    }
    emit serverAnswered(false);
}

void PulseBackend::stop()
{
    const Lock lock(m_loop);
    ++m_play;
    m_waiting = false;
    dropStream();
    m_file.close();
}

void PulseBackend::close()
{
    stop();
    m_sound = SoundFile();
}

bool PulseBackend::connectToServer()
{
    if (!m_loop)
        return false;
    if (m_context) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY || connecting(state))
            return true;
        // Failed or ended: the server went away. Start again with a new connection.
        dropContext();
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Corvanta");
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, &PulseBackend::contextChanged, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        dropContext();
        return false;
    }
    return true;
}

void PulseBackend::dropContext()
{
    for (pa_stream *stray : std::as_const(m_strays)) {
        pa_stream_set_state_callback(stray, nullptr, nullptr);
        pa_stream_unref(stray);
    }
    m_strays.clear();
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseBackend::dropStream()
{
    if (m_drain) {
        pa_operation_cancel(m_drain);
        pa_operation_unref(m_drain);
        m_drain = nullptr;
    }
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    if (pa_stream_get_state(m_stream) == PA_STREAM_CREATING) {
        // Not made yet, so it cannot be disconnected yet: it is when the server makes it.
        pa_stream_set_state_callback(m_stream, &PulseBackend::strayStreamChanged, this);
        m_strays.append(m_stream);
    } else {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    m_stream = nullptr;
}

void PulseBackend::strayStreamChanged(pa_stream *stream, void *backend)
{
    auto *self = static_cast<PulseBackend *>(backend);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_CREATING || state == PA_STREAM_UNCONNECTED)
        return;
    self->serverSaidSomething();
    self->m_strays.removeOne(stream);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (state == PA_STREAM_READY)
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void PulseBackend::startStream()
{
    m_waiting = false;
    const pa_sample_spec sample {sampleFormat(m_sound), quint32(m_sound.sampleRate()),
                                 quint8(m_sound.channels())};
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sample.channels, PA_CHANNEL_MAP_WAVEEX);
    m_stream = pa_stream_new(m_context, "Corvanta sound", &sample, &map);
    if (!m_stream) {
        report(Outcome::Ended);
        return;
    }
    pa_stream_set_state_callback(m_stream, &PulseBackend::streamChanged, this);
    pa_stream_set_write_callback(m_stream, &PulseBackend::streamWants, this);
    if (pa_stream_connect_playback(m_stream, nullptr, nullptr, pa_stream_flags_t(0), nullptr,
                                   nullptr)
        < 0) {
        dropStream();
        report(Outcome::Lost);
    }
}

void PulseBackend::contextChanged(pa_context *context, void *backend)
{
    auto *self = static_cast<PulseBackend *>(backend);
    const pa_context_state_t state = pa_context_get_state(context);
    self->serverSaidSomething();
    if (state == PA_CONTEXT_READY && self->m_waiting) {
        self->startStream();
    } else if (!PA_CONTEXT_IS_GOOD(state) && (self->m_waiting || self->m_stream)) {
        self->m_waiting = false;
        self->report(Outcome::Lost);
    }
}

void PulseBackend::streamChanged(pa_stream *stream, void *backend)
{
    auto *self = static_cast<PulseBackend *>(backend);
    if (stream != self->m_stream)
        return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    self->serverSaidSomething();
    if (state == PA_STREAM_READY) {
        self->report(Outcome::Answered);
    } else if (state == PA_STREAM_FAILED) {
        // A server that still answers has refused the stream, or ended it, for want of an
        // output: there is none, or the one it played on is gone.
        const int error = pa_context_errno(self->m_context);
        const bool noOutput = pa_context_get_state(self->m_context) == PA_CONTEXT_READY
                && (error == PA_ERR_NOENTITY || error == PA_ERR_KILLED);
        self->report(noOutput ? Outcome::NoOutput : Outcome::Lost);
    }
}

void PulseBackend::streamWants(pa_stream *stream, size_t bytes, void *backend)
{
    auto *self = static_cast<PulseBackend *>(backend);
    if (stream != self->m_stream || self->m_drain)
        return;
    QByteArray samples(qsizetype(qMin<qint64>(qint64(bytes), self->m_bytesLeft)),
                       Qt::Uninitialized);
    const qint64 read = samples.isEmpty() ? 0 : self->m_file.read(samples.data(), samples.size());
    // A file cut short or gone unreadable while it plays ends where its last whole frame ends;
    // the server takes whole frames only.
    const qint64 frame = qint64(self->m_sound.channels()) * self->m_sound.bitsPerSample() / 8;
    const qint64 whole = read > 0 ? read - read % frame : 0;
    self->m_bytesLeft = whole > 0 && whole == read ? self->m_bytesLeft - read : 0;
    if (whole > 0
        && pa_stream_write(stream, samples.constData(), size_t(whole), nullptr, 0, PA_SEEK_RELATIVE)
                < 0) {
        // The server would not take the samples: the play has failed, and ends here.
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        self->report(Outcome::Lost);
        return;
    }
    if (self->m_bytesLeft == 0)
        self->m_drain = pa_stream_drain(stream, &PulseBackend::streamDrained, self);
}

void PulseBackend::streamDrained(pa_stream *stream, int success, void *backend)
{
    auto *self = static_cast<PulseBackend *>(backend);
    if (stream != self->m_stream)
        return;
    if (success)
        self->report(Outcome::Ended);
}

void PulseBackend::report(Outcome outcome)
{
    // Told to the window's thread later, never inside a call that the control made.
    const quint64 play = m_play;
    QMetaObject::invokeMethod(
            this,
            [this, play, outcome] {
                if (play != m_play)
                    return;
                if (outcome == Outcome::Ended)
                    emit finished();
                else if (outcome == Outcome::NoOutput)
                    emit noOutput();
                else
                    emit serverAnswered(outcome == Outcome::Answered);
            },
            Qt::QueuedConnection);
}
