#include "mmcontrol.h"

#include "clocksource.h"
#include "soundbackend.h"
#include "soundeffectbackend.h"
#include "wavlength.h"

#include <QTimer>

namespace {

MMControl::BackendFactory &backendFactory()
{
    static MMControl::BackendFactory factory;
    return factory;
}

std::unique_ptr<SoundBackend> defaultBackend()
{
    if (backendFactory())
        return backendFactory()();
    return std::make_unique<SoundEffectBackend>();
}

} // namespace

MMControl::MMControl(QObject *parent)
    : MMControl(defaultBackend(), parent)
{ }

void MMControl::setBackendFactory(BackendFactory factory)
{
    backendFactory() = std::move(factory);
}

MMControl::MMControl(std::unique_ptr<SoundBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &MMControl::checkClock);
    connect(m_backend.get(), &SoundBackend::finished, this, [this] {
        if (m_playing)
            finishPlay();
    });
}

MMControl::~MMControl()
{
    // No Done while going away: nobody is left to answer it.
    m_playing = false;
    m_backend->disconnect(this);
    m_backend->close();
}

void MMControl::setFileName(const QString &fileName)
{
    m_fileName = fileName;
}

void MMControl::setCommand(const QString &command)
{
    m_command = command;
    const QString word = command.trimmed().toLower();
    if (word == u"open")
        open();
    else if (word == u"play")
        play();
    else if (word == u"stop")
        stop();
    else if (word == u"prev")
        rewind();
    else if (word == u"close")
        close();
}

void MMControl::open()
{
    close();
    if (m_fileName.isEmpty())
        return;
    m_open = true;
    bool complete = false;
    const std::optional<qint64> length = WavLength::nanoseconds(m_fileName, &complete);
    m_lengthNs = length.value_or(0);
    // Only a whole WAV reaches the device: Qt Multimedia's decoder waits for the rest of a file
    // cut short for ever, and the next change of file then waits for that decoder, freezing the
    // window. A cut file plays nothing, like any other file that cannot play.
    m_canPlay = length.has_value() && complete && m_backend->open(m_fileName);
}

void MMControl::play()
{
    // A play over a play under way ends the first one, with its Done.
    if (m_playing)
        stop();
    m_playing = true;
    const quint64 number = ++m_playNumber;
    if (m_open && m_canPlay && m_backend->play()) {
        startPlay();
        return;
    }
    QMetaObject::invokeMethod(
            this,
            [this, number] {
                if (m_playing && m_playNumber == number)
                    finishPlay();
            },
            Qt::QueuedConnection);
}

void MMControl::startPlay()
{
    m_deadlineNs = ClockSource::current()->nanoseconds() + m_lengthNs;
    checkClock();
}

void MMControl::checkClock()
{
    if (!m_playing)
        return;
    const qint64 remainingNs = m_deadlineNs - ClockSource::current()->nanoseconds();
    if (remainingNs <= 0) {
        finishPlay();
        return;
    }
    const qint64 remainingMs = (remainingNs + 999999) / 1000000;
    m_timer->start(int(qMin<qint64>(remainingMs, ClockCheckMilliseconds)));
}

void MMControl::finishPlay()
{
    m_playing = false;
    m_timer->stop();
    m_backend->stop();
    emit Done();
}

void MMControl::stop()
{
    if (m_playing)
        finishPlay();
}

void MMControl::rewind()
{
    // Every play starts at the beginning of the file; rewinding matters only to a play under way,
    // which starts over.
    if (!m_playing)
        return;
    if (m_backend->play())
        startPlay();
    else
        finishPlay();
}

void MMControl::close()
{
    stop();
    if (m_open)
        m_backend->close();
    m_open = false;
    m_canPlay = false;
    m_lengthNs = 0;
}
