#include "clocksource.h"
#include "mmcontrol.h"
#include "recordingsound.h"
#include "soundfile.h"
#include "teststore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <sys/stat.h>

namespace {

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray chunk(const char *id, const QByteArray &body, quint32 declaredSize = 0)
{
    QByteArray padded = body;
    if (padded.size() % 2)
        padded.append('\0');
    return QByteArray(id, 4) + le32(declaredSize ? declaredSize : quint32(body.size())) + padded;
}

// 16-bit stereo PCM unless told otherwise.
QByteArray formatChunk(quint32 byteRate, quint16 code = 1, quint16 channels = 2, quint16 bits = 16)
{
    QByteArray body(16, '\0');
    qToLittleEndian(code, body.data());
    qToLittleEndian(channels, body.data() + 2);
    qToLittleEndian(quint32(byteRate / qMax(1, channels * bits / 8)), body.data() + 4);
    qToLittleEndian(byteRate, body.data() + 8);
    qToLittleEndian(quint16(channels * bits / 8), body.data() + 12);
    qToLittleEndian(bits, body.data() + 14);
    return chunk("fmt ", body);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

// A 16-bit stereo .wav at 8000 frames a second (32000 bytes a second) lasting the given time.
QByteArray wav(int milliseconds)
{
    return riff(formatChunk(32000) + chunk("data", QByteArray(32 * milliseconds, '\0')));
}

} // namespace

class TestMMControl : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock {42};
    QTemporaryDir m_dir;
    RecordingSound *m_backend = nullptr;
    std::unique_ptr<MMControl> m_control;

    QString file(const QString &name, const QByteArray &contents)
    {
        if (!writeFile(m_dir.filePath(name), contents))
            qFatal("cannot write %s", qPrintable(name));
        return m_dir.filePath(name);
    }

    // Lets time pass on the manual clock and gives the control its look at the clock at once,
    // instead of at its next timer tick.
    void elapse(qint64 nanoseconds)
    {
        m_clock.advance(nanoseconds);
        if (auto *timer = m_control->findChild<QTimer *>(); timer && timer->isActive())
            timer->start(0);
        QCoreApplication::processEvents();
    }

    void send(const QString &command) { m_control->setProperty("Command", command); }

    void openAndPlay(const QString &path)
    {
        m_control->setProperty("FileName", path);
        send("Open");
        send("Play");
    }

private slots:
    void init()
    {
        ClockSource::setCurrent(&m_clock);
        auto backend = std::make_unique<RecordingSound>();
        m_backend = backend.get();
        m_control = std::make_unique<MMControl>(std::move(backend));
    }
    void cleanup()
    {
        m_control.reset();
        ClockSource::setCurrent(nullptr);
    }

    void readsTheHeader_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("nanoseconds");
        QTest::addColumn<QString>("problem");
        QTest::newRow("one second") << wav(1000) << qint64(1000000000) << "";
        QTest::newRow("odd chunk before the data") << riff(formatChunk(32000) + chunk("LIST", "abc")
                                                           + chunk("data", QByteArray(16, 0)))
                                                   << qint64(500000) << "";
        QTest::newRow("rounds up, never early")
                << riff(formatChunk(3, 1, 1, 8) + chunk("data", QByteArray(1, 0)))
                << qint64(333333334) << "";
        QTest::newRow("size left unset by a streaming writer")
                << riff(formatChunk(32000) + chunk("data", QByteArray(3200, 0), 0xFFFFFFFF))
                << qint64(100000000) << "";
        const QString damaged = "the WAV file is damaged or cut short";
        QTest::newRow("empty data") << riff(formatChunk(32000) + chunk("data", {})) << qint64(0)
                                    << "the WAV file holds no sound";
        QTest::newRow("data before format")
                << riff(chunk("data", QByteArray(32, 0)) + formatChunk(32000)) << qint64(0)
                << damaged;
        QTest::newRow("ADPCM")
                << riff(formatChunk(32000, 2, 2, 4) + chunk("data", QByteArray(32, 0))) << qint64(0)
                << "it is compressed (WAV format 0x0002); save it as uncompressed PCM";
        QTest::newRow("cut inside the header") << wav(10).left(30) << qint64(0) << damaged;
    }
    void readsTheHeader()
    {
        QFETCH(QByteArray, contents);
        QFETCH(qint64, nanoseconds);
        QFETCH(QString, problem);
        QBuffer buffer(&contents);
        buffer.open(QIODevice::ReadOnly);
        const SoundFile sound = SoundFile::inspect(&buffer);
        QCOMPARE(sound.problem(), problem);
        QCOMPARE(sound.nanoseconds(), nanoseconds);
    }

    void doneOnceWhenThePlayEnds()
    {
        QSignalSpy done(m_control.get(), &MMControl::Done);
        openAndPlay(file("short.wav", wav(250)));
        QCOMPARE(m_backend->calls, (QStringList {"open short.wav", "play"}));
        QVERIFY(m_control->isPlaying());
        elapse(250000000 - 1);
        QCOMPARE(done.count(), 0);
        elapse(1);
        QCOMPARE(done.count(), 1);
        QVERIFY(!m_control->isPlaying());
        // A backend that would play for ever is stopped when the time is up.
        QCOMPARE(m_backend->calls.last(), "stop");
        elapse(10000000000);
        QCOMPARE(done.count(), 1);

        // No play holds the device longer than thirty seconds.
        send("Close");
        openAndPlay(file("long.wav", wav(40000)));
        elapse(MMControl::LongestPlayNanoseconds - 1);
        QCOMPARE(done.count(), 1);
        elapse(1);
        QCOMPARE(done.count(), 2);
        QCOMPARE(m_backend->calls.last(), "stop");

        // The backend may report the end earlier; neither the deadline nor a repeated report
        // gives a second Done.
        send("Play");
        elapse(1500000000);
        m_backend->reportEnd();
        QCOMPARE(done.count(), 3);
        m_backend->reportEnd();
        elapse(MMControl::LongestPlayNanoseconds);
        QCOMPARE(done.count(), 3);
    }

    void aSilentServerIsToldOnceUntilItAnswers()
    {
        QSignalSpy done(m_control.get(), &MMControl::Done);
        QSignalSpy problems(m_control.get(), &MMControl::Problem);
        openAndPlay(file("a.wav", wav(1000)));
        m_backend->answer(false);
        QCOMPARE(done.count(), 1);
        send("Play");
        m_backend->answer(false);
        QCOMPARE(problems.count(), 1);
        send("Play");
        m_backend->answer(true);
        m_backend->answer(false);
        QCOMPARE(problems.count(), 2);
        QCOMPARE(done.count(), 3);
    }

    void stopCloseOrReplayEndAPlayWithItsDone()
    {
        const QString path = file("a.wav", wav(1000));
        QSignalSpy done(m_control.get(), &MMControl::Done);

        openAndPlay(path);
        send("Stop");
        QCOMPARE(done.count(), 1);
        send("Stop");
        QCOMPARE(done.count(), 1);

        send("Play");
        send("Play"); // the first play ends, the second starts over
        QCOMPARE(done.count(), 2);
        elapse(600000000);
        // Prev during a play starts it over: the time is counted again from here.
        send("Prev");
        elapse(600000000);
        QCOMPARE(done.count(), 2);
        elapse(400000000);
        QCOMPARE(done.count(), 3);

        send("Play");
        send("Close");
        QCOMPARE(done.count(), 4);
        QVERIFY(!m_control->isOpen());
        QCOMPARE(m_backend->calls.last(), "close");
        elapse(5000000000);
        QCOMPARE(done.count(), 4);
    }

    void openingAnotherFileClosesTheFirst()
    {
        m_control->setProperty("FileName", file("a.wav", wav(10)));
        send("open");
        m_control->setProperty("FileName", file("b.wav", wav(10)));
        QCOMPARE(m_control->property("FileName").toString(), m_dir.filePath("b.wav"));
        send("Close");
        send("Open");
        QCOMPARE(m_backend->calls, (QStringList {"open a.wav", "close", "open b.wav"}));
        QCOMPARE(m_control->property("Command").toString(), "Open");
        send("Rewind please"); // not a command: ignored
        QCOMPARE(m_backend->calls.size(), 3);
    }

    void aPlayThatCannotStartIsDoneAtOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("deviceCanPlay");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("problem"); // told once, however often it is played
        const QString sound = file("sound.wav", wav(1000));
        QTest::newRow("no output device") << sound << false << true << "";
        QTest::newRow("nothing open") << sound << true << false << "";
        QTest::newRow("text") << file("text.wav", "MZ this is no sound") << true << true
                              << "Cannot play text.wav: it is not a WAV sound file.";
        QTest::newRow("empty") << file("empty.wav", {}) << true << true
                               << "Cannot play empty.wav: the file is empty.";
        QTest::newRow("gone") << m_dir.filePath("gone.wav") << true << true
                              << "Cannot play gone.wav: the file cannot be found.";
        QVERIFY(QDir(m_dir.path()).mkpath("folder.wav"));
        QTest::newRow("folder") << m_dir.filePath("folder.wav") << true << true
                                << "Cannot play folder.wav: it is a folder, not a sound file.";
        QVERIFY(mkfifo(qPrintable(m_dir.filePath("fifo.wav")), 0600) == 0);
        QTest::newRow("FIFO") << m_dir.filePath("fifo.wav") << true << true
                              << "Cannot play fifo.wav: it is not an ordinary file.";
    }
    void aPlayThatCannotStartIsDoneAtOnce()
    {
        QFETCH(QString, path);
        QFETCH(bool, deviceCanPlay);
        QFETCH(bool, open);
        QFETCH(QString, problem);
        m_backend->canPlay = deviceCanPlay;
        QSignalSpy done(m_control.get(), &MMControl::Done);
        QSignalSpy problems(m_control.get(), &MMControl::Problem);
        m_control->setProperty("FileName", path);
        if (open)
            send("Open");
        for (int press = 1; press <= 2; ++press) {
            send("Play");
            // Not inside the command itself: the caller finishes what it was doing first.
            QCOMPARE(done.count(), press - 1);
            QVERIFY(m_control->isPlaying());
            QCoreApplication::processEvents();
            QCOMPARE(done.count(), press);
            QVERIFY(!m_control->isPlaying());
        }
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 2);
        QCOMPARE(problems.count(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QCOMPARE(problems.first().first().toString(), problem);
    }

    void aFailedPlayStoppedBeforeItsDoneArrivesEndsOnce()
    {
        m_backend->canPlay = false;
        QSignalSpy done(m_control.get(), &MMControl::Done);
        openAndPlay(file("x.wav", wav(100)));
        send("Stop");
        QCOMPARE(done.count(), 1);
        m_backend->canPlay = true;
        send("Play");
        QCoreApplication::processEvents();
        // The Done queued for the failed play is not taken for the end of the new one.
        QCOMPARE(done.count(), 1);
        QVERIFY(m_control->isPlaying());
    }

    void noDoneWhenDestroyedDuringAPlay()
    {
        openAndPlay(file("x.wav", wav(100)));
        QSignalSpy done(m_control.get(), &MMControl::Done);
        m_control.reset();
        QCOMPARE(done.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMMControl)
#include "tst_mmcontrol.moc"
