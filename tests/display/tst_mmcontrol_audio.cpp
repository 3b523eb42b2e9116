#include "clocksource.h"
#include "mmcontrol.h"
#include "soundserver.h"

#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

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

    static QString shipped(const QString &name)
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(name);
    }

    // A WAV of the given format whose samples, all silence, last the given seconds; the file
    // is sparse, so twenty minutes cost nothing.
    QString wav(const QString &name, quint16 code, quint16 channels, quint16 bits, int seconds)
    {
        const quint32 rate = 8000;
        const quint32 frame = channels * qMax<quint16>(bits, 8) / 8;
        const quint32 bytes = rate * frame * quint32(seconds);
        QByteArray header(44, '\0');
        char *h = header.data();
        memcpy(h, "RIFF", 4);
        qToLittleEndian<quint32>(36 + bytes, h + 4);
        memcpy(h + 8, "WAVEfmt ", 8);
        qToLittleEndian<quint32>(16, h + 16);
        qToLittleEndian<quint16>(code, h + 20);
        qToLittleEndian<quint16>(channels, h + 22);
        qToLittleEndian<quint32>(rate, h + 24);
        qToLittleEndian<quint32>(rate * frame, h + 28);
        qToLittleEndian<quint16>(quint16(frame), h + 32);
        qToLittleEndian<quint16>(bits, h + 34);
        memcpy(h + 36, "data", 4);
        qToLittleEndian<quint32>(bytes, h + 40);
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(header) != 44
            || !file.resize(44 + bytes))
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
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
        QVERIFY2(QFile::exists(shipped("buzzer.wav")), "the default sounds are not in bin/");
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

        play(control, shipped("buzzer.wav"));
        if (m_noAudio) {
            // Nothing to play on: Done at once, not after the sound's second, and a word.
            QCOMPARE(done.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
            QCOMPARE(problems.count(), 1);
        } else {
            // The sound really reaches the server while it plays.
            QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
            QCOMPARE(problems.count(), 0);
        }
        QVERIFY(!control.isPlaying());

        // The same file again, from the start, and one Done for it only; a silent server is
        // not told again.
        play(control, shipped("buzzer.wav"));
        QVERIFY(control.isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
        QVERIFY(!control.isPlaying());
        control.setProperty("Command", "Close");
        QCOMPARE(done.count(), 2);
        QCOMPARE(problems.count(), m_noAudio ? 1 : 0);
    }

    void soundComesBackAfterTheServerRestarts()
    {
        if (m_noAudio)
            QSKIP("needs a sound server");
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        const QString buzzer = shipped("buzzer.wav");
        play(control, buzzer);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);

        // The server dies during the play: the play ends, and the board is told once.
        m_server.kill();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QCOMPARE(problems.count(), 1);
        QCOMPARE(problems.first().first().toString(),
                 "Sound unavailable: no sound server answers.");
        for (int press = 2; press <= 3; ++press) {
            play(control, buzzer);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), press, 5000);
        }
        QCOMPARE(problems.count(), 1);

        // Back again: the next play reaches the new server, with no restart of the control.
        QVERIFY(m_server.start());
        play(control, buzzer);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 4, 5000);
        QCOMPARE(problems.count(), 1);
    }

    // Sounds the server is not given as they are stored play all the same, and no play holds
    // the device longer than thirty seconds.
    void otherFormatsPlayAndLongOnesAreCut()
    {
        if (m_noAudio)
            QSKIP("needs a sound server");
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        QSignalSpy problems(&control, &MMControl::Problem);
        int plays = 0;
        for (const QString &path : {wav("six.wav", 3, 6, 32, 1), wav("mono24.wav", 1, 1, 24, 1)}) {
            play(control, path);
            ++plays;
            QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), plays, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
        }
        QCOMPARE(problems.count(), 0);

        ManualClockSource clock;
        ClockSource::setCurrent(&clock);
        play(control, wav("twenty minutes.wav", 1, 2, 16, 20 * 60));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
        clock.advance(MMControl::LongestPlayNanoseconds);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
        ClockSource::setCurrent(nullptr);
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
