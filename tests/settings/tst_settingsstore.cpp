#include "commandtable.h"
#include "settingsconversion.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

    void textsRoundTrip()
    {
        const QString texts[] = {"",
                                 "The \"Rollers\"",
                                 "C:\\sounds\\horn.wav",
                                 "a=b; #c",
                                 "  padded  ",
                                 "two\nlines\r\n",
                                 QString::fromUtf8("Göteborg Rollerbabes ✓ ひ"),
                                 "@Variant(bad)"};
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
