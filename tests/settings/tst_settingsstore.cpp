#include "commandtable.h"
#include "settingsconversion.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    static QSettings store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvanta", "Corvanta");
    }
    static void write(const QString &key, const QString &value)
    {
        QSettings s = store();
        s.setValue(key, value);
    }

private slots:
    void init()
    {
        QFile::remove(settingsFileName());
        settings() = SettingsModel();
    }

    void emptyStoreGivesDefaults()
    {
        LoadSettings();
        const SettingsModel &m = settings();
        QCOMPARE(m.TimeColor, 0x000080FF);
        QCOMPARE(m.LEDBack, 0);
        QCOMPARE(m.ScoreColor, 0x000000FF);
        QCOMPARE(m.PeriodColor, 0x0000C000);
        QCOMPARE(m.FormBack, 0x00404040);
        QCOMPARE(m.LEDSelected, 0x00404040);
        QCOMPARE(m.BorderColor, 0x00FFFFFF);
        QCOMPARE(m.HomeColor, 0x00FFFFFF);
        QCOMPARE(m.VisitorColor, 0x00FFFFFF);
        QCOMPARE(m.LEDSelectedWidth, 0);
        // J R S T C B P Delete A I, in the order of the command table, and no audience board key.
        QList<int> keys;
        for (const CommandKey &command : commandTable())
            keys << m.*command.field;
        QCOMPARE(keys, (QList<int> {74, 82, 83, 84, 67, 66, 80, 46, 65, 73, 0}));
        QCOMPARE(m.PenaltyIncrementSec, 90);
        QCOMPARE(m.SuppressPeriodSound, 0);
        QCOMPARE(m.JoinJamPenalty, 1);
        QCOMPARE(m.NumLockForce, 0);
        QCOMPARE(m.IsKeyCode, "No");
        QCOMPARE(m.TitleText, "Home");
        QCOMPARE(m.HomeText, "Home");
        QCOMPARE(m.VisitorText, "Visitor");
        QVERIFY(m.HomePic.isEmpty() && m.VisitorPic.isEmpty() && m.BoardPic.isEmpty());
        QCOMPARE(m.NewBoutKey, qint16(0));
        QCOMPARE(m.LEDType, 0);
        QCOMPARE(m.AudienceScreen, QString());
        QCOMPARE(m.AudienceBoardKey, 0);
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(m.BuzzerFile, folder + "/buzzer.wav");
        QCOMPARE(m.PeriodEndSoundFile, folder + "/periodendsound.wav");
        // Loading writes nothing.
        QVERIFY(!QFileInfo::exists(settingsFileName()));
    }

    void storedValuesAndTheirDefaults()
    {
        write("ColorSettings/FormBack", "255");
        write("KeySettings/BuzzerFile", "");
        write("KeySettings/JoinJamPenalty", "yes");
        write("KeySettings/SuppressPeriodSound", "1st");
        LoadSettings();
        QCOMPARE(settings().LEDSelected, 255);
        // A stored empty path is a value: no buzzer. Only an absent one takes the default.
        QCOMPARE(settings().BuzzerFile, QString());
        QVERIFY(settings().PeriodEndSoundFile.endsWith("/periodendsound.wav"));
        QCOMPARE(settings().JoinJamPenalty, 0);
        QCOMPARE(settings().SuppressPeriodSound, 1);

        write("KeySettings/JoinJamPenalty", "2");
        write("ScreenSettings/AudienceScreen", "HDMI-1");
        write("ScreenSettings/AudienceBoardKey", "119");
        LoadSettings();
        QCOMPARE(settings().JoinJamPenalty, 2);
        QCOMPARE(settings().AudienceScreen, "HDMI-1");
        QCOMPARE(settings().AudienceBoardKey, 119);
    }

    void strictConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // INT_MIN: refused
        const int refused = std::numeric_limits<int>::min();
        QTest::newRow("blanks around") << " 7 " << 7;
        QTest::newRow("half to even, down") << "2.5" << 2;
        QTest::newRow("half to even, up") << "3.5" << 4;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("rounds past the top") << "32767.5" << refused;
        QTest::newRow("too large") << "40000" << refused;
        QTest::newRow("too small") << "-32769" << refused;
        QTest::newRow("word") << "red" << refused;
        QTest::newRow("empty") << "" << refused;
        QTest::newRow("trailing letters") << "7x" << refused;
        QTest::newRow("group separator") << "1,000" << refused;
        QTest::newRow("exponent") << "1e3" << 1000;
    }

    void strictConversion()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        write("ColorSettings/LEDSelectedWidth", text);
        if (expected == std::numeric_limits<int>::min()) {
            QVERIFY_THROWS_EXCEPTION(SettingsConversionError, LoadSettings());
        } else {
            LoadSettings();
            QCOMPARE(settings().LEDSelectedWidth, expected);
        }
    }

    void lenientConversion()
    {
        using SettingsConversion::lenientInteger;
        QCOMPARE(lenientInteger("  1abc", -32768, 32767), 1);
        QCOMPARE(lenientInteger("", -32768, 32767), 0);
        QCOMPARE(lenientInteger("-", -32768, 32767), 0);
        QCOMPARE(lenientInteger("2.5 apples", -32768, 32767), 2);
        QCOMPARE(lenientInteger("99999999", -32768, 32767), 32767);
    }

    void wordInColourEndsStartUp()
    {
        write("ColorSettings/ScoreColor", "crimson");
        try {
            LoadSettings();
            QFAIL("a word in ScoreColor must not load");
        } catch (const SettingsConversionError &error) {
            QCOMPARE(error.section, "ColorSettings");
            QCOMPARE(error.key, "ScoreColor");
            QCOMPARE(error.text, "crimson");
            const QString message = error.message();
            QVERIFY(message.contains("ColorSettings/ScoreColor"));
            QVERIFY(message.contains("\"crimson\""));
            QVERIFY(message.contains(settingsFileName()));
        }
        // Nothing was repaired.
        QCOMPARE(store().value("ColorSettings/ScoreColor").toString(), "crimson");
    }

    void saveWritesEveryKey()
    {
        LoadSettings();
        QVERIFY(SaveSettings());
        QSettings s = store();
        const QMap<QString, int> expected {{"ColorSettings", 10}, {"KeySettings", 17},
                                           {"TextSettings", 3},   {"PicSettings", 4},
                                           {"BoutSettings", 1},   {"ScreenSettings", 2}};
        QCOMPARE(s.childGroups().size(), 6);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            s.beginGroup(it.key());
            QCOMPARE(s.childKeys().size(), it.value());
            s.endGroup();
        }
        // The four first sections keep their 34 keys; the new bout's and the audience board's come
        // apart.
        QCOMPARE(s.allKeys().size(), 34 + 1 + 2);
        QCOMPARE(s.value("BoutSettings/NewBoutKey").toString(), "0");
        QCOMPARE(s.value("ScreenSettings/AudienceScreen").toString(), "");
        QCOMPARE(s.value("ScreenSettings/AudienceBoardKey").toString(), "0");
        QCOMPARE(s.value("KeySettings/IsKeyCode").toString(), "Yes");
        QCOMPARE(s.value("KeySettings/BuzzerFile").toString(),
                 QCoreApplication::applicationDirPath() + "/buzzer.wav");
        QCOMPARE(s.value("KeySettings/PeriodEndSoundFile").toString(),
                 QCoreApplication::applicationDirPath() + "/periodendsound.wav");
        QCOMPARE(s.value("ColorSettings/TimeColor").toString(), "33023");
        QCOMPARE(s.value("KeySettings/JoinJamPenalty").toString(), "1");

        // A check-box value other than 1 is stored as the clear box it shows.
        settings().JoinJamPenalty = 2;
        QVERIFY(SaveSettings());
        QCOMPARE(store().value("KeySettings/JoinJamPenalty").toString(), "0");
    }

    void textsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("commas") << "Home, Sweet, Home";
        QTest::newRow("quotes") << "The \"Rollers\"";
        QTest::newRow("backslashes") << "C:\\sounds\\horn.wav";
        QTest::newRow("equals, semicolon, hash") << "a=b; #c";
        QTest::newRow("outer spaces") << "  padded  ";
        QTest::newRow("line breaks") << "two\nlines\r\n";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Göteborg Rollerbabes ✓ ひ");
        QTest::newRow("long") << QString(10000, QChar(u'x'));
        QTest::newRow("list-like") << "@Variant(bad)";
    }

    void textsRoundTrip()
    {
        QFETCH(QString, text);
        LoadSettings();
        settings().TitleText = text;
        settings().HomePic = text;
        QVERIFY(SaveSettings());
        settings() = SettingsModel();
        LoadSettings();
        QCOMPARE(settings().TitleText, text);
        QCOMPARE(settings().HomePic, text);
    }

    void handEditedListLoadsJoined()
    {
        QDir().mkpath(QFileInfo(settingsFileName()).path());
        QFile file(settingsFileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[TextSettings]\nTitleText=Home, Sweet\n");
        file.close();
        LoadSettings();
        QCOMPARE(settings().TitleText, "Home, Sweet");
    }

    void unwritableStoreIsReported()
    {
        LoadSettings();
        // A folder where the settings file should be cannot be written, even by root.
        QVERIFY(QDir().mkpath(settingsFileName()));
        QString error;
        QVERIFY(!SaveSettings(&error));
        QVERIFY(error.contains(settingsFileName()));
        QDir(settingsFileName()).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
