#include "clocksource.h"
#include "mmcontrol.h"
#include "recordingsound.h"
#include "soundfile.h"
#include "teststore.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <sys/stat.h>

namespace {

QByteArray chunk(const char *id, const QByteArray &body, quint32 declaredSize = 0)
{
    QByteArray size(4, '\0');
    qToLittleEndian(declaredSize ? declaredSize : quint32(body.size()), size.data());
    return id + size + body + QByteArray(body.size() % 2, '\0');
}

// A format chunk: 16-bit stereo PCM at 8000 frames (32000 bytes) a second unless told otherwise.
QByteArray format(quint16 code = 1, quint16 channels = 2, quint16 bits = 16, quint32 rate = 8000)
{
    const quint16 frame = channels * bits / 8;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << code << channels << rate << quint32(rate * frame) << frame << bits;
    return chunk("fmt ", body);
}

// An extensible format chunk (40 bytes) whose sub-format carries the real code.
QByteArray extensible(quint16 subFormat, quint16 channels, quint16 bits, quint32 channelMask)
{
    const quint16 frame = channels * bits / 8;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0xFFFE) << channels << quint32(8000) << quint32(8000 * frame) << frame << bits
        << quint16(22) << bits << channelMask << subFormat;
    body += QByteArray::fromHex("000000001000800000aa00389b71"); // the rest of the GUID
    return chunk("fmt ", body);
}

QByteArray riff(const QByteArray &chunks)
{
    return chunk("RIFF", "WAVE" + chunks);
}

QByteArray wav(int milliseconds)
{
    return riff(format() + chunk("data", QByteArray(32 * milliseconds, '\0')));
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
        writeFile(m_dir.filePath(name), contents);
        return m_dir.filePath(name);
    }

    // Lets time pass and has the control look at the clock at once, not at its next tick.
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

    void readsTheHeader()
    {
        const auto inspect = [](QByteArray contents) {
            QBuffer buffer(&contents);
            buffer.open(QIODevice::ReadOnly);
            const SoundFile sound = SoundFile::inspect(&buffer);
            return sound.problem().isEmpty() ? QString::number(sound.nanoseconds())
                                             : sound.problem();
        };
        const QByteArray data = chunk("data", QByteArray(16, 0));
        const QString damaged = "the WAV file is damaged or cut short";
        QCOMPARE(inspect(wav(1000)), "1000000000");
        QCOMPARE(inspect(riff(format() + chunk("LIST", "abc") + data)), "500000");
        // Rounded up, never early.
        QCOMPARE(inspect(riff(format(1, 1, 8, 3) + chunk("data", "x"))), "333333334");
        QCOMPARE(inspect(riff(format(1, 1, 8, 1) + chunk("data", "x"))), "1000000000");
        // A size left unset by a streaming writer.
        QCOMPARE(inspect(riff(format() + chunk("data", QByteArray(3200, 0), 0xFFFFFFFF))),
                 "100000000");
        QCOMPARE(inspect(riff(format() + "data" + QByteArray(4, '\0') + QByteArray(3200, 0))),
                 "100000000");
        // ... also where the first samples look like a chunk's name and size.
        QCOMPARE(inspect(riff(format() + "data" + QByteArray(4, '\0') + "LIST"
                              + QByteArray(3196, 0))),
                 "100000000");
        QCOMPARE(inspect(riff(format() + chunk("data", {}))), "the WAV file holds no sound");
        // An empty one before another chunk holds none: that chunk is no sound.
        QCOMPARE(inspect(riff(format() + chunk("data", {}) + chunk("LIST", QByteArray(3200, 0)))),
                 "the WAV file holds no sound");
        QCOMPARE(inspect(riff(format() + chunk("data", {}) + chunk("LIST", "abc")
                              + chunk("id3 ", QByteArray(99, 0)))),
                 "the WAV file holds no sound");
        // One cut short plays what it holds, and is known for cut short, though a single byte
        // is missing; one with a streaming writer's size, or without the pad byte after its odd
        // size, is whole.
        const auto cutShort = [](QByteArray contents) {
            QBuffer buffer(&contents);
            buffer.open(QIODevice::ReadOnly);
            return SoundFile::inspect(&buffer).cutShort();
        };
        const QByteArray broken = riff(format() + chunk("data", QByteArray(3200, 0), 6400));
        QCOMPARE(inspect(broken), "100000000");
        QVERIFY(cutShort(broken));
        QVERIFY(cutShort(riff(format() + chunk("data", QByteArray(3200, 0), 3201))));
        QVERIFY(!cutShort(riff(format(1, 1, 8) + chunk("data", QByteArray(3201, 0))).chopped(1)));
        for (const quint32 streamed : {0x7FFF0000u, 0xFFFFFFFFu})
            QVERIFY(!cutShort(riff(format() + chunk("data", QByteArray(3200, 0), streamed))));
        QVERIFY(!cutShort(wav(100)));
        QCOMPARE(inspect(riff(data + format())), damaged);
        QCOMPARE(inspect(wav(10).left(30)), damaged);
        QCOMPARE(inspect(riff(format(2, 2, 4) + data)),
                 "it is compressed (WAV format 0x0002); save it as uncompressed PCM");
        // The extensible format, read by its sub-format, whatever the speakers.
        QCOMPARE(inspect(riff(extensible(1, 2, 24, 0x3) + chunk("data", QByteArray(4800, 0)))),
                 "100000000");
        QCOMPARE(inspect(riff(extensible(3, 1, 32, 0xFF000000) + data)), "500000");
        // A plain format chunk a writer padded to the extensible one's size keeps its own code.
        QCOMPARE(inspect(riff(chunk("fmt ", format().mid(8) + QByteArray(24, '\0')) + data)),
                 "500000");
        QCOMPARE(inspect(riff(extensible(6, 1, 8, 0x4) + data)), "2000000");
        // One cut short of its sub-format's last byte is damaged, not read by it.
        QCOMPARE(inspect(riff(chunk("fmt ", extensible(1, 1, 16, 0x4).mid(8, 39)) + data)),
                 "the WAV file is damaged or cut short");
        QCOMPARE(inspect(riff(extensible(1, 1, 12, 0x4) + data)),
                 "its 12-bit samples cannot be played; save it with 16-bit samples");
        QCOMPARE(inspect(riff(extensible(0x55, 2, 16, 0x3) + data)),
                 "it is compressed (WAV format 0x0055); save it as uncompressed PCM");
        // What the sound server takes: up to 32 channels, up to 384 kHz.
        const QByteArray frames = chunk("data", QByteArray(66, 0));
        QCOMPARE(inspect(riff(format(1, 32, 8) + frames)), "250000"); // whole frames only
        QCOMPARE(inspect(riff(format(1, 33, 8) + frames)),
                 "it has 33 channels; a sound has 1 to 32");
        QCOMPARE(inspect(riff(format(1, 1, 8, 384000) + data)), "41667");
        QCOMPARE(inspect(riff(format(1, 1, 8, 384001) + data)),
                 "its rate of 384001 samples a second cannot be played");
        QCOMPARE(inspect(riff(format(1, 1, 8, 4000000000u) + data)),
                 "its rate of 4000000000 samples a second cannot be played");
    }

    void doneOnceWhenThePlayEnds()
    {
        QSignalSpy done(m_control.get(), &MMControl::Done);
        openAndPlay(file("short.wav", wav(250)));
        QCOMPARE(m_backend->calls, (QStringList {"open short.wav", "play"}));
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

        // An end the backend reports early, or twice, gives one Done.
        send("Play");
        elapse(1500000000);
        m_backend->reportEnd();
        m_backend->reportEnd();
        elapse(MMControl::LongestPlayNanoseconds);
        QCOMPARE(done.count(), 3);

        // A silent server is told of once until it answers again; each of those plays ends.
        QSignalSpy problems(m_control.get(), &MMControl::Problem);
        send("Play");
        m_backend->answer(false);
        send("Play");
        m_backend->answer(false);
        send("Play");
        m_backend->answer(true);
        m_backend->answer(false);
        QCOMPARE(problems.count(), 2);
        QCOMPARE(done.count(), 6);

        // A server that takes its time over a play (busy, or held up for a moment) plays it whole:
        // its length runs from when the server took it. That it answers again is told too.
        QSignalSpy gone(m_control.get(), &MMControl::ProblemGone);
        send("Play");
        elapse(2500000000);
        QCOMPARE(done.count(), 6);
        m_backend->answer(true);
        QCOMPARE(gone.count(), 1);
        QCOMPARE(gone.first().first(), problems.last().first());
        elapse(MMControl::LongestPlayNanoseconds - 1);
        QCOMPARE(done.count(), 6);
        elapse(1);
        QCOMPARE(done.count(), 7);
        m_backend->answer(true);
        QCOMPARE(gone.count(), 1);
    }

    // The device stays open on a file between plays. A file saved again under its name, or
    // another put in its place, is read again before it plays: its own length, or its problem,
    // not the new bytes played as the old sound.
    void aFileChangedSinceOpenedIsReadAgain()
    {
        QSignalSpy done(m_control.get(), &MMControl::Done);
        QSignalSpy problems(m_control.get(), &MMControl::Problem);
        const QString horn = file("horn.wav", wav(250));
        // The same bytes as mono: as many of them, twice as long.
        const QString mono
                = file("mono.wav", riff(format(1, 1) + chunk("data", QByteArray(32 * 250, '\0'))));
        openAndPlay(horn);
        elapse(250000000);
        QCOMPARE(done.count(), 1);
        // Unchanged, it is not opened again.
        send("Play");
        elapse(250000000);
        QCOMPARE(done.count(), 2);
        QCOMPARE(m_backend->calls.count("open horn.wav"), 1);

        file("horn.wav", wav(1000));
        send("Play");
        elapse(999000000);
        QCOMPARE(done.count(), 2);
        elapse(1000000);
        QCOMPARE(done.count(), 3);
        QCOMPARE(m_backend->calls.count("open horn.wav"), 2);

        QVERIFY(::rename(qPrintable(mono), qPrintable(horn)) == 0);
        send("Play");
        elapse(499000000);
        QCOMPARE(done.count(), 3);
        elapse(1000000);
        QCOMPARE(done.count(), 4);

        file("horn.wav", "\x89PNG\r\n\x1a\n a picture saved over the sound");
        send("Play");
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 5);
        QCOMPARE(problems.count(), 1);
        QCOMPARE(problems.first().first().toString(),
                 "Cannot play horn.wav: it is not a WAV sound file.");
        QCOMPARE(m_backend->calls.count("open horn.wav"), 4);

        // The good sound put back plays again, though its name never changed.
        file("horn.wav", wav(250));
        m_backend->calls.clear();
        send("Play");
        QCOMPARE(m_backend->calls, (QStringList {"close", "open horn.wav", "play"}));
        elapse(250000000);
        QCOMPARE(done.count(), 6);
        QCOMPARE(problems.count(), 1);
        // Gone bad again after that, it is told again, once.
        file("horn.wav", "\x89PNG\r\n\x1a\n a picture saved over the sound");
        send("Play");
        send("Play");
        QCOMPARE(problems.count(), 2);
        // Saved over with another file that is no sound either, it is read again, and not told
        // again: nothing has changed for the operator.
        file("horn.wav", "\x89PNG\r\n\x1a\n another picture");
        send("Play");
        QCOMPARE(m_backend->calls.count("open horn.wav"), 3);
        QCOMPARE(problems.count(), 2);
    }

    void stopCloseOrReplayEndAPlayWithItsDone()
    {
        const QString path = file("a.wav", wav(1000));
        QSignalSpy done(m_control.get(), &MMControl::Done);
        openAndPlay(path);
        send("Stop");
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
        elapse(5000000000);
        QCOMPARE(done.count(), 4);

        // The Done queued for a failed play that was stopped is not taken for the next play's.
        m_backend->canPlay = false;
        openAndPlay(path);
        send("Stop");
        m_backend->canPlay = true;
        send("Play");
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 5);
        QVERIFY(m_control->isPlaying());

        // A file name set while one is open takes effect at the next Open.
        m_control->setProperty("FileName", file("b.wav", wav(10)));
        send("Rewind please"); // not a command: ignored
        QVERIFY(!m_backend->calls.contains("open b.wav"));
        send("Close");
        send("open");
        QCOMPARE(m_backend->calls.last(), "open b.wav");

        send("Play");
        m_control.reset();
        QCOMPARE(done.count(), 6); // none when destroyed during a play
    }

    // A play that cannot start ends at once, but after the caller has finished what it was
    // doing; a problem with the file is told once, however often it is played.
    void aPlayThatCannotStartIsDoneAtOnce()
    {
        QVERIFY(QDir(m_dir.path()).mkpath("folder.wav"));
        QVERIFY(mkfifo(qPrintable(m_dir.filePath("fifo.wav")), 0600) == 0);
        file("text.wav", "MZ this is no sound");
        file("sound.wav", wav(1000));
        const QList<std::pair<QString, QString>> cases {
                {"", ""}, // nothing open
                {"sound.wav", ""}, // no output device
                {"text.wav", "it is not a WAV sound file"},
                {"gone.wav", "the file cannot be found"},
                {"folder.wav", "it is a folder, not a sound file"},
                {"fifo.wav", "it is not a sound file"}};
        for (const auto &[name, problem] : cases) {
            init();
            m_backend->canPlay = name != "sound.wav";
            QSignalSpy done(m_control.get(), &MMControl::Done);
            QSignalSpy problems(m_control.get(), &MMControl::Problem);
            if (!name.isEmpty())
                openAndPlay(m_dir.filePath(name));
            else
                send("Play");
            QCOMPARE(done.count(), 0);
            QCoreApplication::processEvents();
            send("Play");
            QCOMPARE(done.count(), 1);
            QCoreApplication::processEvents();
            QCOMPARE(done.count(), 2);
            QVERIFY(!m_control->isPlaying());
            QCOMPARE(problems.count(), problem.isEmpty() ? 0 : 1);
            if (!problem.isEmpty())
                QCOMPARE(problems.first().first().toString(),
                         QString("Cannot play %1: %2.").arg(name, problem));
        }

        // What the sound device opens to play, when the file has been replaced since it was
        // looked at: a FIFO is refused without waiting for a writer, a regular file is read.
        QFile opened;
        QString problem;
        QVERIFY(!SoundFile::openForReading(opened, m_dir.filePath("fifo.wav"), &problem));
        QCOMPARE(problem, "it is not a sound file");
        QVERIFY(!opened.isOpen());
        QVERIFY(SoundFile::openForReading(opened, m_dir.filePath("sound.wav"), &problem));
        QCOMPARE(opened.read(4), "RIFF");
    }
};

QTEST_GUILESS_MAIN(TestMMControl)
#include "tst_mmcontrol.moc"
