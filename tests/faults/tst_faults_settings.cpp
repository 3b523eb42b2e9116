#include "messagecatcher.h"

#include "frmoptions.h"
#include "frmsplash.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <unistd.h>

// A damaged or unwritable settings store. A strict key holding something that is not a number of
// its width ends start-up with a message that names it, and leaves the file as it was; a store
// that cannot be written at OK of the Options window is reported there, and the new settings hold
// for the rest of the run.
class TestFaultsSettings : public QObject
{
    Q_OBJECT

private:
    static QByteArray storeBytes()
    {
        QFile file(settingsFileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QWidget *scoreboard()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmScoreboard")
                return w;
        }
        return nullptr;
    }
    static void removeStore()
    {
        const QFileInfo file(settingsFileName());
        QDir(file.absoluteFilePath()).removeRecursively();
        QFile::remove(file.absoluteFilePath());
        QDir(file.absolutePath()).removeRecursively();
        QFile::remove(file.absolutePath());
    }

private slots:
    void cleanup()
    {
        QFile::setPermissions(QFileInfo(settingsFileName()).absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        removeStore();
        for (QWidget *w : QApplication::topLevelWidgets())
            delete w;
    }

    void corruptStrictKeyEndsStartUp_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        // A word, numbers beyond 32 and 16 bits, a letter for a key code, nothing.
        const char *rows[][2] = {{"ColorSettings/ScoreColor", "crimson"},
                                 {"ColorSettings/TimeColor", "2147483648"},
                                 {"KeySettings/PenaltyIncrementSec", "32768"},
                                 {"KeySettings/StartStopJamClockKey", "J"},
                                 {"PicSettings/LEDType", ""}};
        for (const auto &[key, text] : rows)
            QTest::addRow("%s \"%s\"", key, text) << QString(key) << QString(text);
    }

    void corruptStrictKeyEndsStartUp()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        {
            QSettings s = testStore();
            s.setValue("TextSettings/TitleText", "Final");
            s.setValue(key, text);
        }
        const QByteArray before = storeBytes();

        MessageCatcher catcher;
        frmSplash splash;
        QVERIFY(!splash.Form_Load("bypass"));
        QVERIFY(!scoreboard());
        QCOMPARE(catcher.texts.size(), 1);
        const QString told = catcher.texts.first();
        QVERIFY2(told.contains(key) && told.contains('"' + text + '"')
                         && told.contains(settingsFileName()),
                 qPrintable(told));
        // Nothing repaired or rewritten: the operator's other settings are all still there.
        QCOMPARE(storeBytes(), before);
    }

    void unwritableStoreAtOk_data()
    {
        QTest::addColumn<QString>("reason"); // what the message says, from the system
        QTest::newRow("file is a folder") << QString("refers to a directory");
        QTest::newRow("folder is a file") << QString("is a file, not a folder");
        QTest::newRow("read-only folder") << QString("Permission denied");
        // Random bytes: replaced by a good file at OK, and nothing says otherwise.
        QTest::newRow("damaged file") << QString();
    }

    void unwritableStoreAtOk()
    {
        QFETCH(QString, reason);
        const QString fault = QTest::currentDataTag();
        const QFileInfo file(settingsFileName());
        if (fault == "file is a folder") {
            // Root writes through any permission, but not a file over a folder.
            QVERIFY(QDir().mkpath(file.absoluteFilePath() + "/kept"));
        } else if (fault == "folder is a file") {
            QDir().mkpath(QFileInfo(file.absolutePath()).absolutePath());
            QVERIFY(writeFile(file.absolutePath(), {}));
        } else if (fault == "damaged file") {
            QVERIFY(QDir().mkpath(file.absolutePath()));
            QByteArray garbage(4 << 20, '\0');
            QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(garbage.data()),
                                           garbage.size() / 4);
            QVERIFY(writeFile(settingsFileName(), garbage));
            QCOMPARE(testStore().status(), QSettings::FormatError);
        } else {
            if (geteuid() == 0)
                QSKIP("root writes into read-only folders; the other rows stand for this");
            QVERIFY(QDir().mkpath(file.absolutePath()));
            QVERIFY(QFile::setPermissions(file.absolutePath(), QFile::ReadOwner | QFile::ExeOwner));
        }

        // Start-up reads nothing from such a store and goes on with the defaults.
        MessageCatcher catcher;
        auto *splash = new frmSplash;
        QVERIFY(splash->Form_Load(QString()));
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(settings().TitleText, "Home");

        frmOptions options;
        options.show();
        options.chooseColor = [](QWidget *) { return std::optional<qint32>(0x00123456); };
        options.findChild<QPushButton *>("cmdBackC")->click();
        options.findChild<QPushButton *>("cmdOk")->click();
        if (reason.isEmpty()) {
            QVERIFY2(catcher.texts.isEmpty(), qPrintable(catcher.texts.value(0)));
            QCOMPARE(testStore().status(), QSettings::NoError);
            QCOMPARE(testStore().value("ColorSettings/FormBack").toString(), "1193046");
        } else {
            QCOMPARE(catcher.texts.size(), 1);
            QVERIFY2(catcher.texts.first().contains(settingsFileName())
                             && catcher.texts.first().contains(reason),
                     qPrintable(catcher.texts.first()));
        }
        QCOMPARE(options.result(), int(QDialog::Accepted));
        // Nothing the run can keep is lost: the scoreboard opened now shows the choice.
        splash->GoScore();
        QVERIFY(scoreboard());
        QCOMPARE(scoreboard()->palette().color(QPalette::Window), QColor(0x56, 0x34, 0x12));
        if (fault == "file is a folder")
            QVERIFY(QFileInfo(file.absoluteFilePath() + "/kept").isDir());
    }
};

QTEST_MAIN(TestFaultsSettings)
#include "tst_faults_settings.moc"
