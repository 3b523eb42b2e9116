#include "mmcontrol.h"

#include <QAudioDevice>
#include <QDir>
#include <QGuiApplication>
#include <QMediaDevices>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The media control on Qt Multimedia itself. Run once with a sound server (scripts/test starts
// one with a null sink when the machine has none) and once with CORVANTA_NO_AUDIO set and no
// server to be found, where every play must still end with its Done.
class TestMMControlAudio : public QObject
{
    Q_OBJECT

private:
    bool m_noAudio = qEnvironmentVariableIsSet("CORVANTA_NO_AUDIO");

    static QString shipped(const QString &name)
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(name);
    }

    static int playingStreams()
    {
        QProcess pactl;
        pactl.start("pactl", {"list", "short", "sink-inputs"});
        if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
            return -1;
        return int(pactl.readAllStandardOutput().count('\n'));
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
        const bool haveOutput = !QMediaDevices::defaultAudioOutput().isNull();
        if (m_noAudio)
            QVERIFY2(!haveOutput, "a sound output was found where none should be");
        else if (!haveOutput)
            QSKIP("No sound server answers; scripts/test starts one with a null sink.");
    }

    void eachPlayEndsOnceWithDone()
    {
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        connect(&control, &MMControl::Done, &control, [&control] {
            control.setProperty("Command", "Stop");
            control.setProperty("Command", "Prev");
        });

        play(control, shipped("buzzer.wav"));
        if (m_noAudio) {
            // Nothing to play on: Done at once, not after the sound's second.
            QCOMPARE(done.count(), 0);
            QCoreApplication::processEvents();
            QCOMPARE(done.count(), 1);
        } else {
            // The sound really reaches the server while it plays.
            QTRY_VERIFY_WITH_TIMEOUT(playingStreams() > 0, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(playingStreams(), 0, 5000);
        }
        QVERIFY(!control.isPlaying());

        // The same file again, from the start, and one Done for it only.
        play(control, shipped("buzzer.wav"));
        QVERIFY(control.isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
        QVERIFY(!control.isPlaying());
        control.setProperty("Command", "Close");
        QCOMPARE(done.count(), 2);
    }

    void aFileThatCannotPlayEndsAtOnce_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("not a wav") << QByteArray("GIF89a and nothing more");
        QTest::newRow("missing") << QByteArray();
    }
    void aFileThatCannotPlayEndsAtOnce()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString path = dir.filePath("sound.wav");
        if (!contents.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        MMControl control;
        QSignalSpy done(&control, &MMControl::Done);
        play(control, path);
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 1);
    }
};

int main(int argc, char **argv)
{
    // scripts/test serves its own sound server on a fixed socket when the machine has none; look
    // there first, since tests run with a settings folder of their own and so cannot find a
    // server through the usual cookie.
    if (!qEnvironmentVariableIsSet("PULSE_SERVER")) {
        const QString socket = QString("/tmp/corvanta-pulse-%1/native").arg(getuid());
        if (QFile::exists(socket))
            qputenv("PULSE_SERVER", "unix:" + socket.toLocal8Bit());
    }
    QGuiApplication app(argc, argv);
    TestMMControlAudio test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mmcontrol_audio.moc"
