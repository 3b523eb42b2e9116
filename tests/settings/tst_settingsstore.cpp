#include "commandtable.h"
#include "settingsconversion.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

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
        // J R S T C B P Delete A I, in the order of the command table, and no audience board key.
        QList<int> keys;
        for (const CommandKey &command : commandTable())
            keys << m.*command.field;
        QCOMPARE(keys, (QList<int> {74, 82, 83, 84, 67, 66, 80, 46, 65, 73, 0}));
        QCOMPARE(m.PenaltyIncrementSec, 90);
        QCOMPARE(m.JoinJamPenalty, 1);
        QCOMPARE(m.BuzzerFile, QCoreApplication::applicationDirPath() + "/buzzer.wav");
        // Loading writes nothing.
        QVERIFY(!QFileInfo::exists(settingsFileName()));
    }

    void storedValuesAndTheirDefaults()
    {
        testStore().setValue("ColorSettings/FormBack", "255");
        testStore().setValue("KeySettings/BuzzerFile", "");
        testStore().setValue("KeySettings/JoinJamPenalty", "yes");
        testStore().setValue("KeySettings/SuppressPeriodSound", "1st");
        LoadSettings();
        QCOMPARE(settings().LEDSelected, 255);
        // A stored empty path is a value: no buzzer. Only an absent one takes the default.
        QCOMPARE(settings().BuzzerFile, QString());
        QVERIFY(settings().PeriodEndSoundFile.endsWith("/periodendsound.wav"));
        QCOMPARE(settings().JoinJamPenalty, 0);
        QCOMPARE(settings().SuppressPeriodSound, 1);

        testStore().setValue("KeySettings/JoinJamPenalty", "2");
        testStore().setValue("ScreenSettings/AudienceBoardKey", "119");
        LoadSettings();
        QCOMPARE(settings().JoinJamPenalty, 2);
        QCOMPARE(settings().AudienceBoardKey, 119);

        // A check-box value other than 1 is stored as the clear box it shows.
        settings().SuppressPeriodSound = 2;
        QVERIFY(SaveSettings());
        QCOMPARE(testStore().value("KeySettings/SuppressPeriodSound").toString(), "0");
        QCOMPARE(testStore().value("KeySettings/JoinJamPenalty").toString(), "0");
    }

    void conversions()
    {
        const int refused = std::numeric_limits<int>::min();
        const std::pair<const char *, int> rows[] = {
                {" 7 ", 7},       {"2.5", 2},           {"3.5", 4},          {"-2.5", -2},
                {"32767", 32767}, {"32767.5", refused}, {"-32769", refused}, {"red", refused},
                {"", refused},    {"7x", refused},      {"1,000", refused},  {"1e3", 1000},
        };
        for (const auto &[text, expected] : rows) {
            testStore().setValue("ColorSettings/LEDSelectedWidth", text);
            if (expected == refused) {
                QVERIFY_THROWS_EXCEPTION(SettingsConversionError, LoadSettings());
            } else {
                LoadSettings();
                QCOMPARE(settings().LEDSelectedWidth, expected);
            }
        }

        using SettingsConversion::lenientInteger;
        QCOMPARE(lenientInteger("  1abc", -32768, 32767), 1);
        QCOMPARE(lenientInteger("-", -32768, 32767), 0);
        QCOMPARE(lenientInteger("2.5 apples", -32768, 32767), 2);
        QCOMPARE(lenientInteger("99999999", -32768, 32767), 32767);
    }

    // Keys a hand edit or an older version left where the board cannot use them are taken from
    // their commands for this run; the file is left as it is.
    void tangledKeysAreFreed_data()
    {
        QTest::addColumn<QStringList>("stored"); // key=code, in the file
        QTest::addColumn<QStringList>("loaded"); // key=code, in the model
        QTest::newRow("F2 on the new bout")
                << QStringList {"BoutSettings/NewBoutKey=113"} << QStringList {"NewBoutKey=0"};
        QTest::newRow("F1 on the audience board")
                << QStringList {"ScreenSettings/AudienceBoardKey=112"}
                << QStringList {"AudienceBoardKey=0"};
        QTest::newRow("typing keys")
                << QStringList {"KeySettings/ClearKey=190",
                                "KeySettings/StartStopJamClockKey=13",
                                "KeySettings/ResetJamClockKey=50",
                                "KeySettings/BuzzerKey=32",
                                "KeySettings/SepTimeKey=107",
                                "KeySettings/PeriodEndSoundKey=99"}
                << QStringList {"ClearKey=0",  "StartStopJamClockKey=0", "ResetJamClockKey=0",
                                "BuzzerKey=0", "SepTimeKey=0",           "PeriodEndSoundKey=0"};
        QTest::newRow("one key, two commands")
                << QStringList {"KeySettings/StartStopJamClockKey=66",
                                "ScreenSettings/AudienceBoardKey=82", "BoutSettings/NewBoutKey=88",
                                "KeySettings/PenaltyIncrementSecKey=88"}
                << QStringList {"StartStopJamClockKey=66",   "BuzzerKey=0",
                                "ResetJamClockKey=82",       "AudienceBoardKey=0",
                                "PenaltyIncrementSecKey=88", "NewBoutKey=0"};
        QTest::newRow("keys next to the kept ones stay")
                << QStringList {"KeySettings/ClearKey=111", "BoutSettings/NewBoutKey=114",
                                "ScreenSettings/AudienceBoardKey=106", "KeySettings/BuzzerKey=8"}
                << QStringList {"ClearKey=111", "NewBoutKey=114", "AudienceBoardKey=106",
                                "BuzzerKey=8"};
    }

    void tangledKeysAreFreed()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, loaded);
        {
            QSettings store = testStore();
            for (const QString &entry : stored)
                store.setValue(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        }
        const QByteArray file = [] {
            QFile f(settingsFileName());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        LoadSettings();
        const SettingsModel &m = settings();
        for (const QString &entry : loaded) {
            const QString key = entry.section(u'=', 0, 0);
            int value = -1;
            for (const CommandKey &command : commandTable()) {
                if (key == QLatin1String(command.settingsKey))
                    value = m.*command.field;
            }
            if (key == "NewBoutKey")
                value = m.NewBoutKey;
            QCOMPARE(key + u'=' + QString::number(value), entry);
        }
        QFile f(settingsFileName());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), file);
    }

    void textsRoundTrip()
    {
        const QString texts[] = {"",
                                 "The \"Rollers\"",
                                 "C:\\sounds\\horn.wav",
                                 "a=b; #c",
                                 "  padded  ",
                                 "two\nlines\r\n",
                                 QString::fromUtf8("Göteborg Rollerbabes ✓ ひ 🛼"),
                                 "@Variant(bad)",
                                 "@@",
                                 "bell\x07"
                                 "beef\x7f"
                                 "0",
                                 "a,b;c=d \\\"e\" "};
        for (const QString &text : texts) {
            LoadSettings();
            settings().TitleText = text;
            settings().HomePic = text;
            QVERIFY(SaveSettings());
            settings() = SettingsModel();
            LoadSettings();
            QCOMPARE(settings().TitleText, text);
            QCOMPARE(settings().HomePic, text);
        }

        // A hand-edited text with a comma is read whole, not as a list.
        QVERIFY(writeFile(settingsFileName(), "[TextSettings]\nTitleText=Home, Sweet\n"));
        LoadSettings();
        QCOMPARE(settings().TitleText, "Home, Sweet");
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
