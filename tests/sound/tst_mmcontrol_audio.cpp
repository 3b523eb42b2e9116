#include "clocksource.h"
#include "mmcontrol.h"
#include "pulsebackend.h"
#include "soundfile.h"
#include "soundserver.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The media control on a real PulseAudio server of the test's own, which the test stops and
// starts. Run once more with CORVANTA_NO_AUDIO set and no server to be found, where every play
// must still end with its Done.
class TestMMControlAudio : public QObject
{
    Q_OBJECT

private:
    bool m_noAudio = qEnvironmentVariableIsSet("CORVANTA_NO_AUDIO");
    SoundServer m_server;
    QTemporaryDir m_dir;

    const QString m_buzzer = QDir(QCoreApplication::applicationDirPath()).filePath("buzzer.wav");

    // A silent WAV of the given format lasting the given seconds; the file is sparse, so
    // twenty minutes cost nothing.
    QString wav(const QString &name, quint16 code, quint16 channels, quint16 bits, int seconds)
    {
        const quint16 frame = channels * qMax<quint16>(bits, 8) / 8;
        const quint32 rate = 8000, bytes = rate * frame * quint32(seconds);
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file.fileName()));
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + bytes);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << code << channels << rate << rate * frame << frame << bits;
        out.writeRawData("data", 4);
        out << bytes;
        file.resize(44 + bytes);
        return file.fileName();
    }

    // Starts recording what the server's speaker gives out, as 16-bit mono samples, and waits
    // until the recording runs.
    bool startRecording(QProcess &recorder)
    {
        recorder.start("parec",
                       {"--server=" + m_server.address(), "--device=test_null.monitor",
                        "--format=s16le", "--channels=1", "--rate=8000", "--latency-msec=20",
                        "--raw"});
        return recorder.waitForStarted(5000) && recorder.waitForReadyRead(5000);
    }

    static int loudest(const QByteArray &samples)
    {
        int most = 0;
        for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
            most = qMax(most, qAbs(int(qint16(quint8(samples[i]) | quint8(samples[i + 1]) << 8))));
        return most;
    }

    static void play(MMControl &control, const QString &path)
    {
        if (control.fileName() != path) {
            control.setProperty("Command", "Close");
            control.setProperty("FileName", path);
            control.setProperty("Command", "Open");
        }
        control.setProperty("Command", "Play");
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(m_buzzer), "the default sounds are not in bin/");
        if (m_noAudio)
            return;
        if (!m_server.start())
            QSKIP("Cannot start a PulseAudio server (is pulseaudio installed?)");
        qputenv("PULSE_SERVER", m_server.address().toLocal8Bit());
    }

    void eachPlayEndsOnceWithDone()
    {
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        connect(&control, &MMControl::Done, &control, [&control] {
            control.setProperty("Command", "Stop");
            control.setProperty("Command", "Prev");
        });

        QProcess recorder;
        QVERIFY(m_noAudio || startRecording(recorder));
        play(control, m_buzzer);
        QCOMPARE(done.count(), 0);
        // With a server the sound really reaches it while it plays, and its speaker; with none,
        // a word is said.
        QTRY_VERIFY_WITH_TIMEOUT(m_noAudio || m_server.streams() > 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT(m_noAudio || loudest(heard += recorder.readAll()) > 10000, 5000);
        recorder.kill();
        recorder.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(m_noAudio ? 0 : m_server.streams(), 0, 5000);
        QVERIFY(!control.isPlaying());

        // The same file again, from the start, and one Done for it only; a silent server is
        // not told again.
        play(control, m_buzzer);
        QVERIFY(control.isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
        QVERIFY(!control.isPlaying());

        // Plays stopped at once, before the server can have made their streams, leave none
        // behind on it.
        for (int play = 0; play < 3; ++play) {
            control.setProperty("Command", "Play");
            control.setProperty("Command", "Stop");
        }
        QCOMPARE(done.count(), 5);
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 6, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_noAudio ? 0 : m_server.streams(), 0, 5000);
        control.setProperty("Command", "Close");
        QCOMPARE(done.count(), 6);
        QCOMPARE(problems.count(), m_noAudio ? 1 : 0);
    }

    // A frozen server is told of a few seconds after the last question put to it, also when the
    // board asks again meanwhile; and once awake it keeps none of the streams asked for.
    void aServerFrozenWhileAskedAgainIsTold()
    {
        if (m_noAudio)
            QSKIP("needs a sound server");
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        m_server.freeze();
        const QString minute = wav("minute.wav", 1, 2, 16, 60);
        play(control, minute);
        QTest::qWait(PulseBackend::ServerAnswerMilliseconds / 2);
        play(control, minute);
        QTRY_COMPARE_WITH_TIMEOUT(problems.count(), 1, 4 * PulseBackend::ServerAnswerMilliseconds);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 4 * PulseBackend::ServerAnswerMilliseconds);
        m_server.thaw();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);

        // Held up for less than that, it plays the sound whole once it wakes: the play lasts
        // the sound's length from then, and nothing is said.
        problems.clear();
        play(control, m_buzzer);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 4, 5000);
        m_server.freeze();
        QElapsedTimer held;
        held.start();
        play(control, m_buzzer);
        QTest::qWait(PulseBackend::ServerAnswerMilliseconds / 2);
        m_server.thaw();
        const qint64 thawed = held.elapsed();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 5, 5000);
        QVERIFY2(held.elapsed()
                         >= thawed + SoundFile::inspect(m_buzzer).nanoseconds() / 1000000 * 9 / 10,
                 qPrintable(QString::number(held.elapsed() - thawed)));
        QCOMPARE(problems.count(), 0);
    }

    // An output taken from a server that still runs (a USB sound interface unplugged) is told
    // as that, once, whether a sound was playing on it or the next one finds none; and taken
    // back when sound plays again.
    void anOutputUnpluggedIsToldAsSuch()
    {
        if (m_noAudio)
            QSKIP("needs a sound server");
        const QString noOutput = "Sound unavailable: the sound server has no output device.";
        const QString silent = "Sound unavailable: no sound server answers.";
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        QSignalSpy gone(&control, &MMControl::ProblemGone);
        const auto told = [](const QSignalSpy &spy) {
            QStringList texts;
            for (const QList<QVariant> &signal : spy)
                texts << signal.first().toString();
            return texts;
        };
        play(control, wav("ten seconds.wav", 1, 2, 16, 10));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        QVERIFY(m_server.removeSpeaker());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QCOMPARE(told(problems), QStringList {noOutput});
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
        QCOMPARE(problems.count(), 1);
        QCOMPARE(gone.count(), 0);

        QVERIFY(m_server.addSpeaker());
        play(control, m_buzzer);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 5000);
        QCOMPARE(told(gone), QStringList {noOutput});

        // Taken away with nothing playing, it is told at the next sound; the server then gone
        // altogether is told as that instead.
        QVERIFY(m_server.removeSpeaker());
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 4, 5000);
        QCOMPARE(told(problems), (QStringList {noOutput, noOutput}));
        m_server.kill();
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 5, 5000);
        QCOMPARE(told(problems), (QStringList {noOutput, noOutput, silent}));
        QCOMPARE(told(gone), (QStringList {noOutput, noOutput}));
        QVERIFY(m_server.start());
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 6, 5000);
        QCOMPARE(told(gone), (QStringList {noOutput, noOutput, silent}));
        QCOMPARE(problems.count(), 3);
    }

    // Sounds the server is not given as they are stored play all the same, no play holds the
    // device longer than thirty seconds, and sound comes back after the server restarts.
    void otherFormatsLongSoundsAndARestartedServer()
    {
        if (m_noAudio)
            QSKIP("needs a sound server");
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        // Played in the file's own sample format, as the server's stream says.
        const auto playToTheEnd = [&](const QString &path, const QByteArray &format = {}) {
            done.clear();
            play(control, path);
            QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
            QByteArray streams;
            QVERIFY(m_server.pactl({"list", "short", "sink-inputs"}, &streams));
            QVERIFY2(format.isEmpty() || streams.contains('\t' + format + ' '),
                     streams.constData());
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
        };
        playToTheEnd(wav("six.wav", 3, 6, 32, 1), "float32le 6ch");
        playToTheEnd(wav("mono24.wav", 1, 1, 24, 1), "s24le 1ch");
        playToTheEnd(wav("eight.wav", 1, 2, 8, 1), "u8 2ch");
        playToTheEnd(wav("thirty-two.wav", 1, 1, 32, 1), "s32le 1ch");
        ManualClockSource clock;
        ClockSource::setCurrent(&clock);
        play(control, wav("twenty minutes.wav", 1, 2, 16, 20 * 60));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        // The play's time runs from the server's answer, which follows the stream it made.
        QTest::qWait(200);
        clock.advance(MMControl::LongestPlayNanoseconds);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
        ClockSource::setCurrent(nullptr);
        QCOMPARE(problems.count(), 0);

        // The server dies during a play: the play ends, and the board is told once.
        play(control, m_buzzer);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        m_server.kill();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 5000);
        play(control, m_buzzer);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 4, 5000);
        QCOMPARE(problems.count(), 1);
        QCOMPARE(problems.first().first().toString(),
                 "Sound unavailable: no sound server answers.");

        // Back again: the next play reaches the new server, with no restart of the control.
        QVERIFY(m_server.start());
        playToTheEnd(m_buzzer);
        QCOMPARE(problems.count(), 1);
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestMMControlAudio test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mmcontrol_audio.moc"
