#include "commandtable.h"
#include "scalartable.h"
#include "settings.h"
#include "settingsconversion.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <type_traits>
#include <variant>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(settingsFileName());
        Settings::instance().setValue(SettingsModel());
    }

    void emptyStoreGivesDefaults()
    {
        LoadSettings();
        const SettingsModel &m = settings();
        QCOMPARE(m.TimeColor, 0x000080FF);
        // J R S T C B P Delete A I, in the order of the command table, no audience board key,
        // then the game flow's H V O E W U.
        QList<int> keys;
        for (const CommandKey &command : commandTable())
            keys << m.*command.field;
        QCOMPARE(keys,
                 (QList<int> {74, 82, 83, 84, 67, 66, 80, 46, 65, 73, 0, 72, 86, 79, 69, 87, 85}));
        QVERIFY(m.JoinJamPenalty);
        QCOMPARE(m.NumLockForce, NumLockMode::Normal);
        QCOMPARE(m.VisitorText, "Visitor");
        QCOMPARE(m.BuzzerFile, QCoreApplication::applicationDirPath() + "/buzzer.wav");
        QVERIFY(m.PeriodEndSoundFile.endsWith("/periodendsound.wav"));
        // Loading writes nothing.
        QVERIFY(!QFileInfo::exists(settingsFileName()));

        // The live feed is off, and on this PC alone once a port is set.
        QCOMPARE(m.FeedPort, 0);
        QCOMPARE(m.FeedListen, "local");

        // The game flow is off, with the rules of a sanctioned bout ready for it.
        QCOMPARE(gameRules(m), GameRules());
        QVERIFY(!m.GameFlow);

        // The four sections every version reads keep their 34 keys; three more follow them. The
        // game flow's section is left out while all of it is at its defaults.
        QVERIFY(SaveSettings());
        QSettings written = testStore();
        QCOMPARE(written.childGroups(),
                 (QStringList {"BoutSettings", "ColorSettings", "FeedSettings", "KeySettings",
                               "PicSettings", "ScreenSettings", "TextSettings"}));
        const std::pair<const char *, int> sections[]
                = {{"ColorSettings", 10}, {"KeySettings", 17}, {"TextSettings", 3},
                   {"PicSettings", 4},    {"BoutSettings", 1}, {"ScreenSettings", 2},
                   {"FeedSettings", 2}};
        for (const auto &[section, count] : sections) {
            written.beginGroup(section);
            QCOMPARE(written.childKeys().size(), count);
            written.endGroup();
        }
    }

    // The game flow's section is written whole once any of it differs from its defaults (the
    // flow, a rule or one of its keys), and left out again when all of it is back at them.
    void gameSectionOnlyWhenUsed_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("flow on") << "GameFlow"
                                 << "1";
        QTest::newRow("lineup") << "LineupSeconds"
                                << "31";
        QTest::newRow("periods") << "Periods"
                                 << "1";
        QTest::newRow("undo key") << "UndoKey"
                                  << "90";
        QTest::newRow("no undo key") << "UndoKey"
                                     << "0";
    }

    void gameSectionOnlyWhenUsed()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        testStore().setValue("GameSettings/" + key, stored);
        LoadSettings();
        const SettingsModel used = settings();
        QVERIFY(SaveSettings());
        {
            QSettings written = testStore();
            written.beginGroup("GameSettings");
            QCOMPARE(written.childKeys().size(), 13);
            QCOMPARE(written.value(key).toString(), stored);
        }
        LoadSettings();
        // Everything comes back; IsKeyCode alone is written as "Yes" whatever was read.
        SettingsModel loaded = settings();
        loaded.IsKeyCode = used.IsKeyCode;
        QCOMPARE(loaded, used);

        QFile::remove(settingsFileName());
        LoadSettings();
        QVERIFY(SaveSettings());
        QVERIFY(!testStore().childGroups().contains("GameSettings"));
    }

    // What a stored text loads as, seen in what the store is given back.
    void storedForms_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored"); // a null text: absent
        QTest::addColumn<QString>("written");
        const struct
        {
            const char *name, *key, *stored, *written;
        } rows[] = {
                {"check box on", "KeySettings/JoinJamPenalty", "1", "1"},
                {"check box off", "KeySettings/JoinJamPenalty", "0", "0"},
                {"check box 2", "KeySettings/JoinJamPenalty", "2", "0"},
                {"check box word", "KeySettings/JoinJamPenalty", "yes", "0"},
                {"check box 1st", "KeySettings/SuppressPeriodSound", "1st", "1"},
                {"check box 1.4", "KeySettings/SuppressPeriodSound", " 1.4", "1"},
                {"check box 1e", "KeySettings/SuppressPeriodSound", "1e", "1"},
                {"check box 1e-1", "KeySettings/SuppressPeriodSound", "1e-1", "0"},
                {"check box 1e+1", "KeySettings/JoinJamPenalty", "1e+1", "0"},
                {"check box 1e0 and a word", "KeySettings/JoinJamPenalty", "1e0 on", "1"},
                {"check box absent", "KeySettings/SuppressPeriodSound", nullptr, "0"},
                {"keep off", "KeySettings/NumLockForce", "2", "2"},
                {"unknown mode kept", "KeySettings/NumLockForce", "7", "7"},
                {"rounded", "KeySettings/PenaltyIncrementSec", "45.5", "46"},
                {"penalty absent", "KeySettings/PenaltyIncrementSec", nullptr, "90"},
                {"marker", "KeySettings/IsKeyCode", "No", "Yes"},
                {"empty path", "KeySettings/BuzzerFile", "", ""},
                {"title absent", "TextSettings/TitleText", nullptr, "Home"},
                {"LED dots", "PicSettings/LEDType", "1", "1"},
                {"audience key", "ScreenSettings/AudienceBoardKey", "119", "119"},
                {"feed port", "FeedSettings/FeedPort", "65535", "65535"},
                {"feed on the network", "FeedSettings/FeedListen", "network", "network"},
                // The selection frame's colour defaults to the window's background as stored.
                {"frame follows FormBack", "ColorSettings/LEDSelected", nullptr, "255"},
                // The game flow's numbers: outside what they can take, a hand edit reads as the
                // default.
                {"game flow on", "GameSettings/GameFlow", "1", "1"},
                {"game keys absent", "GameSettings/UndoKey", nullptr, "85"},
                {"lineup at most", "GameSettings/LineupSeconds", "5999", "5999"},
                {"lineup too long", "GameSettings/LineupSeconds", "6000", "30"},
                {"team timeout at least", "GameSettings/TeamTimeoutSeconds", "1", "1"},
                {"team timeout none", "GameSettings/TeamTimeoutSeconds", "0", "60"},
                {"halftime below zero", "GameSettings/HalftimeSeconds", "-900", "900"},
                {"timeouts at most", "GameSettings/TeamTimeouts", "9", "9"},
                {"timeouts too many", "GameSettings/TeamTimeouts", "10", "3"},
                {"reviews none", "GameSettings/OfficialReviews", "0", "0"},
                {"reviews below zero", "GameSettings/OfficialReviews", "-1", "1"},
                {"reviews too many", "GameSettings/OfficialReviews", "10", "1"},
                {"one period", "GameSettings/Periods", "1", "1"},
                {"no periods", "GameSettings/Periods", "0", "2"},
                {"periods too many", "GameSettings/Periods", "10", "2"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name)
                    << QString::fromLatin1(row.key) << QString::fromLatin1(row.stored)
                    << QString::fromLatin1(row.written);
    }

    void storedForms()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, written);
        testStore().setValue("ColorSettings/FormBack", 255);
        // The game flow's section is written only with something in it off its defaults.
        if (key.startsWith("GameSettings/"))
            testStore().setValue("GameSettings/GameFlow", 1);
        if (!stored.isNull())
            testStore().setValue(key, stored);
        LoadSettings();
        QVERIFY(SaveSettings());
        QCOMPARE(testStore().value(key).toString(), written);
    }

    // The game rules the settings give the bout, in ticks; a value the Options window or a hand
    // edit left out of range gives that rule its default.
    void gameRulesFromSettings_data()
    {
        QTest::addColumn<QList<int>>("fields"); // lineup, team timeout, halftime s; timeouts,
                                                // reviews, periods
        QTest::addColumn<QList<int>>("rules"); // the same in the rules, seconds
        QTest::newRow("set") << QList<int> {45, 90, 600, 2, 0, 4}
                             << QList<int> {45, 90, 600, 2, 0, 4};
        QTest::newRow("at the limits")
                << QList<int> {1, 5999, 5999, 9, 9, 9} << QList<int> {1, 5999, 5999, 9, 9, 9};
        // A game without team timeouts, as some scrimmages are played.
        QTest::newRow("no timeouts")
                << QList<int> {30, 60, 900, 0, 1, 1} << QList<int> {30, 60, 900, 0, 1, 1};
        QTest::newRow("out of range")
                << QList<int> {0, 6000, -1, 10, -1, 0} << QList<int> {30, 60, 900, 3, 1, 2};
        QTest::newRow("periods beyond")
                << QList<int> {30, 60, 900, 3, 1, 10} << QList<int> {30, 60, 900, 3, 1, 2};
    }
    void gameRulesFromSettings()
    {
        QFETCH(QList<int>, fields);
        QFETCH(QList<int>, rules);
        SettingsModel m;
        m.GameFlow = true;
        m.LineupSeconds = qint16(fields[0]);
        m.TeamTimeoutSeconds = qint16(fields[1]);
        m.HalftimeSeconds = qint16(fields[2]);
        m.TeamTimeouts = qint16(fields[3]);
        m.OfficialReviews = qint16(fields[4]);
        m.Periods = qint16(fields[5]);
        const GameRules got = gameRules(m);
        constexpr qint64 Second = BoutConstants::TicksPerSecond;
        QVERIFY(got.on);
        QCOMPARE(got.lineupTicks, rules[0] * Second);
        QCOMPARE(got.teamTimeoutTicks, rules[1] * Second);
        QCOMPARE(got.halftimeTicks, rules[2] * Second);
        QCOMPARE(got.teamTimeouts, rules[3]);
        QCOMPARE(got.officialReviews, rules[4]);
        QCOMPARE(got.periods, rules[5]);
    }

    // Every setting of the table is read into its own field and written back from it.
    void everySettingRoundTrips_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        for (const ScalarSetting &row : scalarTable()) {
            if (row.writtenAs)
                continue;
            // A value other than the default, in the setting's stored form.
            const QString stored = std::visit(
                    [&row](auto field) -> QString {
                        using Value = std::remove_cvref_t<decltype(SettingsModel().*field)>;
                        if constexpr (std::is_same_v<Value, QString>)
                            return QStringLiteral("/Stored %1, \u00e9").arg(row.settingsKey);
                        else if constexpr (std::is_same_v<Value, bool>)
                            return qstrcmp(row.defaultText, "1") == 0 ? "0" : "1";
                        else if constexpr (std::is_same_v<Value, NumLockMode>)
                            return "2";
                        else if (QByteArray(row.settingsKey).endsWith("Key"))
                            return "75"; // K: a key code needs a name to be kept
                        else
                            return "7";
                    },
                    row.field);
            QTest::newRow(row.settingsKey)
                    << QStringLiteral("%1/%2").arg(row.section, row.settingsKey) << stored;
        }
        // Each command's key in its own section, K being no command's by default.
        for (const CommandKey &row : commandTable()) {
            QTest::newRow(row.settingsKey)
                    << QStringLiteral("%1/%2").arg(row.section, row.settingsKey) << "75";
        }
    }

    void everySettingRoundTrips()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        testStore().setValue(key, stored);
        LoadSettings();
        QVERIFY(QFile::remove(settingsFileName()));
        QVERIFY(SaveSettings());
        QCOMPARE(testStore().value(key).toString(), stored);
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("loaded"); // refused: -1
        const std::pair<const char *, int> rows[]
                = {{" 7 ", 7},       {"2.5", 2},      {"3.5", 4},     {"-2.5", -2},
                   {"32767", 32767}, {"32767.5", -1}, {"-32769", -1}, {"red", -1},
                   {"", -1},         {"7x", -1},      {"1,000", -1},  {"1e3", 1000}};
        for (const auto &[text, loaded] : rows)
            QTest::addRow("\"%s\"", text) << QString::fromLatin1(text) << loaded;
    }

    void conversions()
    {
        QFETCH(QString, stored);
        QFETCH(int, loaded);
        testStore().setValue("ColorSettings/LEDSelectedWidth", stored);
        if (loaded == -1) {
            QVERIFY_THROWS_EXCEPTION(SettingsConversionError, LoadSettings());
            // A failed load leaves the settings as they were.
            QCOMPARE(settings(), SettingsModel());
        } else {
            LoadSettings();
            QCOMPARE(settings().LEDSelectedWidth, loaded);
        }
    }

    // Of several values that do not convert, the one read first is told: the operator mends the
    // file in the order it is read.
    void firstBadValueReadIsTold()
    {
        const QStringList order {"ColorSettings/TimeColor",
                                 "ColorSettings/LEDBack",
                                 "ColorSettings/ScoreColor",
                                 "ColorSettings/PeriodColor",
                                 "ColorSettings/FormBack",
                                 "ColorSettings/LEDSelected",
                                 "ColorSettings/BorderColor",
                                 "ColorSettings/HomeColor",
                                 "ColorSettings/VisitorColor",
                                 "ColorSettings/LEDSelectedWidth",
                                 "KeySettings/StartStopJamClockKey",
                                 "KeySettings/ResetJamClockKey",
                                 "KeySettings/StartStopPeriodClockKey",
                                 "KeySettings/ResetPeriodClockKey",
                                 "KeySettings/ClockSwitchKey",
                                 "KeySettings/SepTimeKey",
                                 "KeySettings/ClearKey",
                                 "KeySettings/BuzzerKey",
                                 "KeySettings/PeriodEndSoundKey",
                                 "KeySettings/PenaltyIncrementSecKey",
                                 "KeySettings/PenaltyIncrementSec",
                                 "KeySettings/NumLockForce",
                                 "PicSettings/LEDType"};
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            testStore().clear();
            testStore().setValue(order[i + 1], "x");
            testStore().setValue(order[i], "x");
            testStore().sync();
            try {
                LoadSettings();
                QFAIL("a value that does not convert was taken");
            } catch (const SettingsConversionError &error) {
                QCOMPARE(error.section + '/' + error.key, order[i]);
            }
        }
    }

    // A file there that cannot be read, or holds what no editor writes, is told; notes are not.
    void unreadableFileIsTold()
    {
        const auto problemWith = [](const QByteArray &text) {
            if (!writeFile(settingsFileName(), text))
                return QString("not written");
            LoadSettings();
            return SettingsReadProblem();
        };
        QCOMPARE(problemWith("[TextSettings]\n# a note\nHomeText=AAA\nno equals\n"), "");
        QCOMPARE(settings().HomeText, "AAA");
        // Saved by an older editor in the Western 8-bit encoding: read as such.
        QCOMPARE(problemWith("[TextSettings]\r\nHomeText=Z\xfcrich \x93Lions\x94\r\n"
                             "VisitorText=Caf\xe9, Bar\r\n"),
                 "");
        QCOMPARE(settings().HomeText, QString::fromUtf8("Z\u00fcrich \u201cLions\u201d"));
        QCOMPARE(settings().VisitorText, QString::fromUtf8("Caf\u00e9, Bar"));
        // A byte order mark before a first section with a comma in it.
        QCOMPARE(problemWith(QByteArray::fromHex("efbbbf")
                             + "[TextSettings]\nTitleText=Rock,Roll\nHomeText=Alpha\n"),
                 "");
        QCOMPARE(settings().TitleText, "Rock,Roll");
        QCOMPARE(settings().HomeText, "Alpha");
        QCOMPARE(problemWith(QByteArray::fromHex("efbbbf")
                             + "[TextSettings]\nHomeText=Z\xc3\xbcrich\n"),
                 "");
        const QString damaged = "The settings file is damaged: what cannot be read in it is at its "
                                "original setting.";
        QCOMPARE(problemWith(QByteArray(4096, '\0')), damaged);
        // Cut short by a crash in the middle of a number: what was whole is read, the board
        // starts, and the number cut short is at its default.
        QCOMPARE(problemWith("[ColorSettings]\nScoreColor=65280\nPeriodColor=4"
                             + QByteArray(1000, '\0')),
                 damaged);
        QCOMPARE(settings().ScoreColor, 65280);
        QCOMPARE(settings().PeriodColor, 0x0000C000);
        QByteArray noise(4000, '\0');
        QRandomGenerator(26).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QCOMPARE(problemWith(noise), damaged);
        QCOMPARE(settings().HomeText, "Home");
        QVERIFY(QFile::remove(settingsFileName()));
        QVERIFY(QDir().mkpath(settingsFileName()));
        LoadSettings();
        QCOMPARE(SettingsReadProblem(),
                 "The settings file cannot be read (it is a folder): "
                 "Corvanta runs with its original settings.");
        QVERIFY(QDir(settingsFileName()).removeRecursively());
        LoadSettings();
        QCOMPARE(SettingsReadProblem(), "");
    }

    void lenientConversions()
    {
        using SettingsConversion::lenientInteger;
        QCOMPARE(lenientInteger("  1abc", -32768, 32767), 1);
        QCOMPARE(lenientInteger("-", -32768, 32767), 0);
        QCOMPARE(lenientInteger("2.5 apples", -32768, 32767), 2);
        QCOMPARE(lenientInteger("99999999", -32768, 32767), 32767);
    }

    // The settings say once when they change, and not when they are given what they hold.
    void changesAreAnnounced()
    {
        QSignalSpy changed(&Settings::instance(), &Settings::changed);
        LoadSettings();
        QCOMPARE(changed.size(), 1);
        LoadSettings();
        Settings::instance().edit([](SettingsModel &m) { m.JoinJamPenalty = true; });
        QCOMPARE(changed.size(), 1);
        Settings::instance().edit([](SettingsModel &m) { m.JoinJamPenalty = false; });
        QCOMPARE(changed.size(), 2);
        QVERIFY(!settings().JoinJamPenalty);
        testStore().setValue("PicSettings/LEDType", "dots");
        QVERIFY_THROWS_EXCEPTION(SettingsConversionError, LoadSettings());
        QCOMPARE(changed.size(), 2);
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
        QTest::newRow("game keys")
                << QStringList {"GameSettings/UndoKey=13",
                                "GameSettings/HomeTimeoutKey=74",
                                "GameSettings/VisitorTimeoutKey=112",
                                "GameSettings/HomeReviewKey=66",
                                "GameSettings/OfficialTimeoutKey=75",
                                "BoutSettings/NewBoutKey=75"}
                << QStringList {"UndoKey=0",       "HomeTimeoutKey=0",      "VisitorTimeoutKey=0",
                                "HomeReviewKey=0", "OfficialTimeoutKey=75", "NewBoutKey=0"};
        // Shift would run its command as the operator types Shift+1 or Shift+Tab.
        QTest::newRow("keys without a name")
                << QStringList {"KeySettings/ResetJamClockKey=16", "KeySettings/ClockSwitchKey=27",
                                "KeySettings/SepTimeKey=9", "BoutSettings/NewBoutKey=37",
                                "ScreenSettings/AudienceBoardKey=18"}
                << QStringList {"ResetJamClockKey=0", "ClockSwitchKey=0", "SepTimeKey=0",
                                "NewBoutKey=0", "AudienceBoardKey=0"};
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
                                 "a,b;c=d \\\"e\" ",
                                 "A, B\\",
                                 " \\\\\" "};
        for (const QString &text : texts) {
            LoadSettings();
            Settings::instance().edit([&](SettingsModel &m) { m.TitleText = m.HomePic = text; });
            QVERIFY(SaveSettings());
            Settings::instance().setValue(SettingsModel());
            LoadSettings();
            QCOMPARE(settings().TitleText, text);
            QCOMPARE(settings().HomePic, text);
            // Written in the very form QSettings writes, so that a file stays as it was (control
            // characters other than line ends and tabs aside: both forms read back the same).
            if (text.contains(u'\x07'))
                continue;
            QTemporaryDir folder;
            QSettings written(folder.filePath("by-qsettings.ini"), QSettings::IniFormat);
            written.setValue("TextSettings/TitleText", text);
            written.sync();
            const auto titleLine = [](const QString &fileName) {
                QFile file(fileName);
                if (!file.open(QIODevice::ReadOnly))
                    return QByteArray();
                for (const QByteArray &line : file.readAll().split('\n'))
                    if (line.startsWith("TitleText="))
                        return line;
                return QByteArray();
            };
            QCOMPARE(titleLine(settingsFileName()), titleLine(written.fileName()));
        }

        // A hand-edited text with a comma is read whole, not as a list.
        QVERIFY(writeFile(settingsFileName(), "[TextSettings]\nTitleText=Home, Sweet\n"));
        LoadSettings();
        QCOMPARE(settings().TitleText, "Home, Sweet");
    }

    void quotesAndBackslashesTypedByHand()
    {
        // A quote typed into a name by hand, as Hebrew writes an abbreviation, a pair of them, a
        // name put in quotes with a quote inside, a backslash in a name and at a line's end: each
        // is read as typed, and the settings after them are read all the same.
        QVERIFY(writeFile(
                settingsFileName(),
                "[ColorSettings]\nTimeColor=255\n"
                "[KeySettings]\nStartStopJamClockKey=75 ; a \"note\nPenaltyIncrementSec=60\n"
                "[TextSettings]\n; the \"Rollers\nHomeText=\xd7\xa6\xd7\x94\"\xd7\x9c\r\n"
                "VisitorText=\"Ha\"Poel\"\nTitleText=\"Final\" ; the last\n"
                "[PicSettings]\nHomePic=AC\\DC\\\nVisitorPic=The \"Rollers\"\r\n"
                "BoardPic=\"a\\\\b\\\"c\"\nLEDType=1\n"));
        LoadSettings();
        const SettingsModel &m = settings();
        QCOMPARE(m.TimeColor, 255);
        QCOMPARE(m.StartStopJamClockKey, 75);
        QCOMPARE(m.PenaltyIncrementSec, 60);
        QCOMPARE(m.HomeText, QString::fromUtf8("\xd7\xa6\xd7\x94\"\xd7\x9c"));
        QCOMPARE(m.VisitorText, "Ha\"Poel");
        QCOMPARE(m.TitleText, "Final");
        QCOMPARE(m.HomePic, "AC\\DC\\");
        QCOMPARE(m.VisitorPic, "The \"Rollers\"");
        QCOMPARE(m.BoardPic, "a\\b\"c"); // escapes as the program writes them
        QCOMPARE(m.LEDType, 1);

        // Saved, the quotes are written escaped and read back the same.
        QVERIFY(SaveSettings());
        Settings::instance().setValue(SettingsModel());
        LoadSettings();
        QCOMPARE(settings().HomeText, QString::fromUtf8("\xd7\xa6\xd7\x94\"\xd7\x9c"));
        QCOMPARE(settings().VisitorText, "Ha\"Poel");
        QCOMPARE(settings().HomePic, "AC\\DC\\");
        QCOMPARE(settings().VisitorPic, "The \"Rollers\"");
        QCOMPARE(settings().LEDType, 1);

        // A comma or a semicolon in a name or a picture's path is part of it; a semicolon after
        // a blank starts a note.
        QVERIFY(writeFile(
                settingsFileName(),
                "[ColorSettings]\nPeriodColor=49152 ; green\nFormBack=-7.0;grey, dark\n"
                "[KeySettings]\nPenaltyIncrementSec=1.2e2;two minutes\n"
                "[TextSettings]\nTitleText=Rock,Roll\nHomeText=Rollers; Home\r\n"
                "VisitorText=  A , B\t; the visitors\n"
                "[PicSettings]\nHomePic=/p/a,b;c.png\nVisitorPic=\"x,y\" ; kept\n"
                "BoardPic=No \"1\", \\o/\n"
                "[BoutSettings]\nNewBoutKey=78;N\n[ScreenSettings]\nAudienceScreen=2024;25\n"));
        LoadSettings();
        QCOMPARE(settings().PeriodColor, 49152);
        QCOMPARE(settings().FormBack, -7);
        QCOMPARE(settings().PenaltyIncrementSec, 120);
        QCOMPARE(settings().NewBoutKey, 78);
        QCOMPARE(settings().AudienceScreen, "2024;25");
        QCOMPARE(settings().TitleText, "Rock,Roll");
        QCOMPARE(settings().HomeText, "Rollers; Home");
        QCOMPARE(settings().VisitorText, "A , B");
        QCOMPARE(settings().HomePic, "/p/a,b;c.png");
        QCOMPARE(settings().VisitorPic, "x,y");
        QCOMPARE(settings().BoardPic, "No \"1\", \\o/");
        QVERIFY(SaveSettings());
        Settings::instance().setValue(SettingsModel());
        LoadSettings();
        QCOMPARE(settings().TitleText, "Rock,Roll");
        QCOMPARE(settings().HomeText, "Rollers; Home");
        QCOMPARE(settings().HomePic, "/p/a,b;c.png");
        QCOMPARE(settings().BoardPic, "No \"1\", \\o/");

        // A note after a name in quotes may hold quotes; a note begun with '#', or a line with
        // no '=', holding a quote or ending in a backslash takes no line after it; a file with
        // its lines ended by a carriage return alone reads the same.
        const QByteArray notes = "[ColorSettings]\nPeriodColor=\"255\" ; \"red\"\n"
                                 "[TextSettings]\n# 5\" screen\nTitleText=\"x,y\" ; \"kept\"\n"
                                 "the 6\" screen\nHomeText=Rollers\n# names below \\\n"
                                 "VisitorText=Vis\t; the \"visitors\n"
                                 "[PicSettings]\nLEDType=1\n";
        for (const QByteArray &ends : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
            QVERIFY(writeFile(settingsFileName(), QByteArray(notes).replace("\n", ends)));
            LoadSettings();
            QCOMPARE(settings().PeriodColor, 255);
            QCOMPARE(settings().TitleText, "x,y");
            QCOMPARE(settings().HomeText, "Rollers");
            QCOMPARE(settings().VisitorText, "Vis");
            QCOMPARE(settings().LEDType, 1);
        }

        // A number that does not convert after such a line is told with the settings file's name.
        QVERIFY(writeFile(settingsFileName(),
                          "[TextSettings]\nHomeText=5\"\n[PicSettings]\nLEDType=x\n"));
        try {
            LoadSettings();
            QFAIL("the number was taken");
        } catch (const SettingsConversionError &error) {
            QCOMPARE(error.key, "LEDType");
            QCOMPARE(error.fileName, settingsFileName());
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
