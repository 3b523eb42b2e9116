#include "mmcontrol.h"

#include "clocksource.h"
#include "pulsebackend.h"
#include "soundbackend.h"
#include "soundfile.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <utility>

#include <sys/stat.h>

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
    return std::make_unique<PulseBackend>();
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
    connect(m_backend.get(), &SoundBackend::serverAnswered, this, &MMControl::serverAnswered);
    connect(m_backend.get(), &SoundBackend::noOutput, this, &MMControl::serverHasNoOutput);
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
    m_openedStamp = fileStamp(m_fileName);
    const SoundFile sound = SoundFile::inspect(m_fileName);
    m_lengthNs = qMin(sound.nanoseconds(), LongestPlayNanoseconds);
    m_fileProblem = sound.problem();
    // A file found whole again is told of anew when it goes bad again.
    if (m_fileProblem.isEmpty())
        m_toldFiles.removeIf(
                [this](const QString &told) { return told.startsWith(m_fileName + u'\n'); });
    m_canPlay = m_backend->open(sound);
}

MMControl::FileStamp MMControl::fileStamp(const QString &fileName)
{
    struct stat file;
    if (::stat(QFile::encodeName(fileName).constData(), &file) != 0)
        return {};
    // Another file put in its place by a rename has another inode; one copied over it keeps the
    // inode, but not its size or its times.
    const auto ns = [](const timespec &time) {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    return {quint64(file.st_dev), quint64(file.st_ino), ns(file.st_ctim), ns(file.st_mtim),
            qint64(file.st_size)};
}

void MMControl::play()
{
    // A play over a play under way ends the first one, with its Done.
    if (m_playing)
        stop();
    // The device stays open on a file between plays, with its format and length as they were
    // read then. A file written or replaced since (a sound edited and saved under its name) is
    // read again, so that its new length and format play, or its problem is told, rather than
    // the new bytes being played as the old sound.
    if (m_open && fileStamp(m_fileName) != m_openedStamp)
        open();
    m_playing = true;
    const quint64 number = ++m_playNumber;
    if (m_open && m_canPlay && m_backend->play()) {
        startPlay();
        return;
    }
    // A file that played when it was opened may have been replaced since by something that
    // cannot play.
    if (m_open && m_canPlay)
        m_fileProblem = SoundFile::inspect(m_fileName).problem();
    if (m_open && !m_fileProblem.isEmpty())
        tellFileProblem();
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
    // A server held up before it took the play has not begun the sound: its length runs from
    // the answer, unless the server is given up on first.
    if (remainingNs <= 0 && m_backend->playPending()) {
        m_timer->start(ClockCheckMilliseconds);
        return;
    }
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

void MMControl::serverAnswered(bool answers)
{
    if (answers) {
        takeBackServerProblem();
        // The sound starts now, not when it was asked for: a server that took its time (busy,
        // or held up for a moment) plays it whole all the same.
        if (m_playing)
            startPlay();
        return;
    }
    tellServer(QStringLiteral("Sound unavailable: no sound server answers."));
    if (m_playing)
        finishPlay();
}

void MMControl::serverHasNoOutput()
{
    tellServer(QStringLiteral("Sound unavailable: the sound server has no output device."));
    if (m_playing)
        finishPlay();
}

void MMControl::tellServer(const QString &problem)
{
    if (m_toldServerProblem == problem)
        return;
    takeBackServerProblem();
    m_toldServerProblem = problem;
    emit Problem(problem);
}

void MMControl::takeBackServerProblem()
{
    const QString told = std::exchange(m_toldServerProblem, QString());
    if (!told.isEmpty())
        emit ProblemGone(told);
}

void MMControl::tellFileProblem()
{
    const QString told = m_fileName + u'\n' + m_fileProblem;
    if (m_toldFiles.contains(told))
        return;
    m_toldFiles.insert(told);
    emit Problem(QStringLiteral("Cannot play %1: %2.")
                         .arg(QFileInfo(m_fileName).fileName(), m_fileProblem));
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
    m_fileProblem.clear();
    m_lengthNs = 0;
}
