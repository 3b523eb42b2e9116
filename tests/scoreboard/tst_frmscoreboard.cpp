// What only the window does: keys to the bout's operations, the bout to the displays, the
// selection frame, the sounds on the media control. The rules themselves are the bout's tests.

#include "boardtrace.h"
#include "bout.h"
#include "clocksource.h"
#include "colortable.h"
#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "label.h"
#include "layoutscaling.h"
#include "mmcontrol.h"
#include "notice.h"
#include "numberled.h"
#include "picturereturnwatch.h"
#include "platformcolor.h"
#include "recordingsound.h"
#include "settings.h"
#include "settingsstore.h"
#include "teststore.h"
#include "timekeeper.h"

#include <QApplication>
#include <QBackingStore>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kJ = 74, kR = 82, kS = 83, kT = 84, kC = 67, kB = 66, kP = 80;
constexpr int kEnter = 13, kPoint = 190, kMinus = 189, kDelete = 46, kA = 65, kI = 73, kPlus = 187,
              kU = 85;

} // namespace

class TestFrmScoreboard : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    RecordingSound *m_sound = nullptr;
    std::unique_ptr<frmScoreboard> m_board;

    frmScoreboard &board() { return *m_board; }
    TimeKeeper *engine(const char *name) { return board().findChild<TimeKeeper *>(name); }
    QString shown(const char *name)
    {
        return board().findChild<QWidget *>(name)->property("Text").toString();
    }
    bool running(const char *name) { return engine(name)->isRunning(); }
    // Lets time pass and ticks as the refresh timer would.
    void advance(qint64 milliseconds)
    {
        for (qint64 done = 0; done < milliseconds; done += 50) {
            m_clock.advanceMilliseconds(std::min<qint64>(50, milliseconds - done));
            board().RefreshTime();
        }
    }
    // The files played so far, in order.
    QStringList plays() const
    {
        QStringList files;
        QString open;
        for (const QString &call : m_sound->calls) {
            if (call.startsWith("open "))
                open = call.mid(5);
            else if (call == "play")
                files.append(open);
        }
        return files;
    }
    void finishSound()
    {
        m_sound->reportEnd();
        QVERIFY(!board().BuzzerPlaying());
    }
    void press(int keyCode) { board().AllKeyCode(keyCode); }
    // Keys pressed on a selected display: typed text ('\n' is Enter), or one key code.
    void type(const char *display, const QString &text)
    {
        for (QChar ch : text)
            key(display,
                ch == u'\n'          ? kEnter
                        : ch == u'.' ? kPoint
                        : ch == u'-' ? kMinus
                        : ch == u'+' ? kPlus
                                     : ch.unicode());
    }
    void key(const char *display, int keyCode)
    {
        emit board().findChild<SegmentDisplay *>(display)->KeyDown(keyCode, 0);
    }

    // The first and last columns the label draws in (-1 when it draws nothing): a text cut off
    // by the label's edges draws in both outermost columns.
    static std::pair<int, int> inkColumns(Label *label)
    {
        QImage drawn(label->size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        label->render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
        std::pair<int, int> columns(-1, -1);
        for (int x = 0; x < drawn.width(); ++x) {
            for (int y = 0; y < drawn.height(); ++y) {
                if (qAlpha(drawn.pixel(x, y)) != 0) {
                    columns = {columns.first < 0 ? x : columns.first, x};
                    break;
                }
            }
        }
        return columns;
    }
    static bool drawnWhole(Label *label)
    {
        const auto [first, last] = inkColumns(label);
        return first > 0 && last < label->width() - 1;
    }
    Label *label(const char *name) { return board().findChild<Label *>(name); }
    // The label as drawn equals its shown caption drawn straight onto it: nothing of the text's
    // ink is lost to what the label keeps of its drawing.
    static bool drawnAsText(Label *label)
    {
        QImage drawn(label->size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        label->render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
        QImage text(label->size(), QImage::Format_ARGB32_Premultiplied);
        text.fill(Qt::transparent);
        QFont font("Arial");
        font.setBold(true);
        font.setPixelSize(label->shownPixelSize());
        QFont designed = font;
        designed.setPixelSize(qMax(1, qRound(label->FontSize() * 96 / 72)));
        const int drop = (QFontMetrics(designed).height() - QFontMetrics(font).height()) / 2;
        QPainter painter(&text);
        painter.setFont(font);
        painter.setPen(PlatformColor::toQColor(label->ForeColor()));
        if (label->WordWrap())
            painter.drawText(label->rect(), Qt::AlignCenter | Qt::TextWordWrap,
                             label->ShownCaption());
        else
            painter.drawText(label->rect().adjusted(0, drop, 0, drop),
                             Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                             label->ShownCaption());
        painter.end();

        return drawn == text;
    }

    // The board's parts whose colour is not the one of the settings that it shows, as
    // "part Member: colour". The window takes the form's background; every LED display the LED
    // background and the border colour, and its digits the time, score or period colour; the team
    // names their own colours and every other caption and frame the border colour; the picture
    // frames the form's background, and the selection frame is filled with its own colour.
    QStringList wrongColours()
    {
        const auto setting = [](const char *key) {
            for (const ColorSetting &colour : colorTable()) {
                if (qstrcmp(colour.settingsKey, key) == 0)
                    return settings().*colour.field;
            }
            return -1;
        };
        QStringList wrong;
        const auto expect = [&](const QWidget *part, const char *member, const char *key) {
            const int shown = member
                    ? part->property(member).toInt()
                    : int(PlatformColor::fromQColor(part->palette().color(QPalette::Window)));
            if (shown != setting(key))
                wrong << QString("%1 %2: %3").arg(part->objectName(), member).arg(shown, 0, 16);
        };
        expect(&board(), nullptr, "FormBack");
        const QStringList timeDigits {"tledPeriod", "tledJam", "nledJamNumber"};
        const QStringList periodDigits {"nledPeriod", "nledHomeTimeouts", "nledHomeReviews",
                                        "nledVisitorTimeouts", "nledVisitorReviews"};
        for (BoardWidget *part : BoardWidget::laidOutIn(&board())) {
            const QString name = part->objectName();
            if (!part->isVisibleTo(&board()) && name != "shpObjectSelected")
                continue;
            if (qobject_cast<SegmentDisplay *>(part)) {
                expect(part, "BackColor", "LEDBack");
                expect(part, "BorderColor", "BorderColor");
                expect(part, "LitColor",
                       timeDigits.contains(name)             ? "TimeColor"
                               : periodDigits.contains(name) ? "PeriodColor"
                                                             : "ScoreColor");
            } else if (qobject_cast<Label *>(part)) {
                expect(part, "ForeColor",
                       name == "lblHomeTeam"              ? "HomeColor"
                               : name == "lblVisitorTeam" ? "VisitorColor"
                                                          : "BorderColor");
            } else if (part->inherits("PictureBox")) {
                expect(part, "BackColor", "FormBack");
            } else if (part->inherits("Shape")) {
                expect(part, "BorderColor", "BorderColor");
                if (name == "shpObjectSelected")
                    expect(part, "FillColor", "LEDSelected");
            }
        }
        return wrong;
    }

private slots:
    void initTestCase()
    {
        ClockSource::setCurrent(&m_clock);
        MMControl::setBackendFactory([this] {
            auto backend = std::make_unique<RecordingSound>();
            m_sound = backend.get();
            return std::unique_ptr<SoundBackend>(std::move(backend));
        });
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        m_board = std::make_unique<frmScoreboard>();
    }

    void cleanup() { m_board.reset(); }

    // Words that come within a second of those showing (as at start-up: an unreadable settings
    // file, the bout resumed, the feed's port taken) are shown after them, for as long as the
    // longer wants; later words take their place.
    void noticesTogether()
    {
        Notice *notice = board().findChild<Notice *>();
        const auto caption = [this] { return label("lblNotice")->Caption(); };
        m_clock.advanceMilliseconds(5000);
        notice->showText("First.", 8);
        m_clock.advanceMilliseconds(900);
        notice->addText("Second.", 2);
        QCOMPARE(caption(), "First. Second.");
        notice->addText("Second.");
        QCOMPARE(caption(), "First. Second.");
        m_clock.advanceMilliseconds(7000);
        QTest::qWait(2 * Notice::ClockCheckMilliseconds);
        QCOMPARE(caption(), "First. Second.");
        m_clock.advanceMilliseconds(1100);
        QTRY_COMPARE(caption(), "");
        notice->showText("Third.");
        m_clock.advanceMilliseconds(1000);
        notice->addText("Fourth.");
        QCOMPARE(caption(), "Fourth.");
        // A sound problem that goes takes its words with it, and only its own.
        auto *buzzer = board().findChild<MMControl *>("mmcBuzzer");
        const QString silent = "Sound unavailable: the sound server does not answer.";
        emit buzzer->Problem(silent);
        QCOMPARE(caption(), silent);
        emit buzzer->ProblemGone(silent);
        QCOMPARE(caption(), "");
        emit buzzer->Problem(silent);
        notice->showText("Third.");
        emit buzzer->ProblemGone(silent);
        QCOMPARE(caption(), "Third.");
        // Words that end without a stop, as the bout's greeting does, get one before the next.
        m_clock.advanceMilliseconds(1000);
        notice->showText("Bout resumed from 10:00:00");
        notice->addText("Fifth.");
        QCOMPARE(caption(), "Bout resumed from 10:00:00. Fifth.");
        // Words taken away take the stop that joined them to the next, and the rest stays as
        // long as it was to.
        notice->removeText("Bout resumed from 10:00:00");
        QCOMPARE(caption(), "Fifth.");
        notice->addText("Sixth.");
        notice->addText("Seventh.");
        notice->removeText("Sixth.");
        QCOMPARE(caption(), "Fifth. Seventh.");
        notice->removeText("Eighth.");
        QCOMPARE(caption(), "Fifth. Seventh.");
        notice->removeText("Seventh.");
        QCOMPARE(caption(), "Fifth.");
        m_clock.advanceMilliseconds(7900);
        QTest::qWait(2 * Notice::ClockCheckMilliseconds);
        QCOMPARE(caption(), "Fifth.");
        m_clock.advanceMilliseconds(200);
        QTRY_COMPARE(caption(), "");
        notice->showText("Ninth.");
        notice->removeText("Ninth.");
        QCOMPARE(caption(), "");
    }

    void commandKeysAndDisplays()
    {
        // The period display's layout; the rounding itself is the clock readout's.
        for (const auto &[seconds, text] :
             {std::pair(60.0, " 1:00"), std::pair(59.95, " 1:00"), std::pair(59.9, "59.9")}) {
            engine("tkPeriod")->setSeconds(seconds);
            board().RefreshTime();
            QCOMPARE(shown("tledPeriod"), text);
        }
        engine("tkPeriod")->setSeconds(600);

        // The clock options reach the bout as they stand.
        Settings::instance().edit([&](SettingsModel &m) { m.JoinJamPenalty = false; });
        press(kJ);
        QVERIFY(running("tkPeriod") && running("tkJam") && running("tkHomePenalty1"));
        advance(1000);
        QCOMPARE(shown("tledPeriod"), " 9:59");
        // The board's own refresh shows running clocks as time passes.
        m_clock.advanceMilliseconds(1000);
        QTRY_COMPARE(shown("tledPeriod"), " 9:58");
        press(kR);
        QCOMPARE(shown("tledJam"), "2:00");
        press(kS);
        QVERIFY(!running("tkPeriod") && !running("tkHomePenalty1"));
        press(kT);
        QCOMPARE(shown("tledPeriod"), "10:00");

        // The clock switch shows the time of day, in the locale's own form.
        board().setTimeOfDaySource([] { return QTime(14, 5); }, QLocale(QLocale::German));
        press(kC);
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), "14:05");
        press(kC);
        QCOMPARE(shown("tledPeriod"), "10:00");

        // When two settings hold one key, the earlier command wins.
        Settings::instance().edit([&](SettingsModel &m) {
            m.StartStopPeriodClockKey = settings().StartStopJamClockKey;
        });
        press(kJ);
        press(kJ);
        QVERIFY(!running("tkJam") && running("tkPeriod"));
    }

    // The undo key, with the game flow off and on: a jam stopped by mistake runs on as if never
    // stopped, without a second buzzer; a typed score comes back off; nothing to undo is nothing.
    void undoKeyInBothModes_data()
    {
        QTest::addColumn<bool>("gameFlow");
        QTest::newRow("plain") << false;
        QTest::newRow("game flow") << true;
    }

    void undoKeyInBothModes()
    {
        QFETCH(bool, gameFlow);
        Settings::instance().edit([gameFlow](SettingsModel &m) { m.GameFlow = gameFlow; });
        press(kU);
        QCOMPARE(shown("tledJam"), "2:00");
        QVERIFY(!running("tkJam"));
        press(kJ);
        advance(10000);
        press(kJ);
        QCOMPARE(plays().size(), 1);
        finishSound();
        advance(3000);
        QVERIFY(!running("tkJam"));
        press(kU);
        QVERIFY(running("tkJam"));
        board().RefreshTime();
        QCOMPARE(shown("tledJam"), "1:47");
        QCOMPARE(plays().size(), 1);
        QVERIFY(!board().BuzzerPlaying());

        type("nledHomeScore", "5\n");
        QCOMPARE(shown("nledHomeScore"), "  5");
        press(kU);
        board().RefreshTime();
        QCOMPARE(shown("nledHomeScore"), "  0");
        QVERIFY(running("tkJam"));
    }

    // The PC asleep mid-jam (a laptop's lid closed): the board wakes with the clocks run on,
    // plays no sound that fell in the sleep, and says how long it slept; asleep with no clock
    // running it has nothing to say.
    void sleepOfThePC_data()
    {
        QTest::addColumn<bool>("jam");
        QTest::addColumn<qint64>("sleepMs");
        QTest::addColumn<QString>("jamShown");
        QTest::addColumn<QString>("periodShown");
        QTest::addColumn<QString>("notice");
        QTest::newRow("a minute") << true << qint64(65400) << "0:45"
                                  << " 8:45"
                                  << "The PC slept 1:05; the clocks ran on.";
        QTest::newRow("past the jam's end") << true << qint64(125000) << "0:00"
                                            << " 7:45"
                                            << "The PC slept 2:05; the clocks ran on.";
        QTest::newRow("an hour") << true << qint64(3600400) << "0:00"
                                 << " 0.0"
                                 << "The PC slept 1:00:00; the clocks ran on.";
        QTest::newRow("more than a day") << true << qint64(90000000) << "1:50"
                                         << " 9:50"
                                         << "The PC slept more than a day, clocks stopped.";
        QTest::newRow("nothing running") << false << qint64(65000) << "2:00"
                                         << "10:00"
                                         << "";
    }
    void sleepOfThePC()
    {
        QFETCH(bool, jam);
        QFETCH(qint64, sleepMs);
        QFETCH(QString, jamShown);
        QFETCH(QString, periodShown);
        QFETCH(QString, notice);
        if (jam)
            press(kJ);
        advance(10000);
        m_clock.sleepMilliseconds(sleepMs);
        board().RefreshTime();
        QCOMPARE(shown("tledJam"), jamShown);
        QCOMPARE(shown("tledPeriod"), periodShown);
        QCOMPARE(board().findChild<Notice *>()->text(), notice);
        QVERIFY(plays().isEmpty());
        // The notice goes when its time by the board's clock is up, to the nanosecond.
        m_clock.advanceMilliseconds(Notice::ShowSeconds * 1000);
        QTRY_COMPARE(board().findChild<Notice *>()->text(), QString());
    }

    void soundsOneAtATime()
    {
        // An expiry plays the buzzer; a period end held for the jam's end plays its own file.
        Settings::instance().edit([&](SettingsModel &m) { m.SuppressPeriodSound = true; });
        engine("tkPeriod")->setSeconds(1);
        press(kJ);
        advance(1100);
        QVERIFY(running("tkJam") && plays().isEmpty());
        press(kS);
        QCOMPARE(plays(), QStringList {"periodendsound.wav"});
        finishSound();
        engine("tkJam")->setSeconds(0.5);
        press(kJ);
        advance(600);
        QCOMPARE(plays(), (QStringList {"periodendsound.wav", "buzzer.wav"}));

        // A key asked for while a sound plays is dropped.
        press(kB);
        press(kP);
        QCOMPARE(plays().size(), 2);
        QVERIFY(board().BuzzerPlaying());
        finishSound();
        // A sound Options left without a key holds the space bar's code: the space bar only
        // throws typing away, whatever file the sound has.
        Settings::instance().edit([&](SettingsModel &m) {
            m.BuzzerKey = 32;
            m.PeriodEndSoundKey = 32;
        });
        QTest::keyClick(board().findChild<NumberLED *>("nledHomeScore"), Qt::Key_Space);
        QCOMPARE(plays().size(), 2);
        QVERIFY(!board().BuzzerPlaying());
        Settings::instance().edit([&](SettingsModel &m) {
            m.BuzzerKey = kB;
            m.PeriodEndSoundKey = kP;
        });

        // A missing file plays nothing, and leaves nothing playing.
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = "/nonexistent/buzzer.wav"; });
        press(kB);
        QCOMPARE(plays().size(), 2);
        QVERIFY(!board().BuzzerPlaying());

        // A file whose name starts with a dot plays like any other.
        QTemporaryDir dir;
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = dir.filePath(".hidden-buzzer.wav"); });
        QVERIFY(QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath("buzzer.wav"),
                            settings().BuzzerFile));
        press(kB);
        QCOMPARE(plays().last(), ".hidden-buzzer.wav");
        QVERIFY(board().BuzzerPlaying());
    }

    // The end-of-jam and end-of-period signals stop a sound under way and play; the sound of a
    // key, the jam key's buzzer included, is still dropped.
    void signalsCutShortASound()
    {
        QTemporaryDir dir;
        // A silent WAV of twenty minutes, sparse on the disk.
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = dir.filePath("twenty minutes.wav"); });
        QFile file(settings().BuzzerFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        const quint32 bytes = 8000 * 2 * 1200;
        out.writeRawData("RIFF", 4);
        out << quint32(36 + bytes);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000)
            << quint16(2) << quint16(16);
        out.writeRawData("data", 4);
        out << bytes;
        QVERIFY(file.resize(44 + bytes));
        file.close();

        engine("tkPeriod")->setSeconds(15);
        press(kS);
        press(kB);
        advance(14950);
        QCOMPARE(plays(), QStringList {"twenty minutes.wav"});
        advance(50);
        QCOMPARE(plays(), (QStringList {"twenty minutes.wav", "periodendsound.wav"}));
        QVERIFY(board().BuzzerPlaying());
        press(kP);
        QCOMPARE(plays().size(), 2);

        // A jam running out during the buzzer sounds it again from the start; a jam stopped
        // with the key during a sound makes none.
        finishSound();
        press(kT);
        engine("tkJam")->setSeconds(1);
        press(kB);
        press(kJ);
        m_sound->calls.clear();
        advance(1000);
        QCOMPARE(m_sound->calls, (QStringList {"stop", "play"}));
        QVERIFY(board().BuzzerPlaying());
        press(kR);
        press(kJ);
        press(kJ);
        QCOMPARE(m_sound->calls, (QStringList {"stop", "play"}));

        // The period running out during a jam stops it with the buzzer and cuts that short for
        // the end of the period.
        finishSound();
        press(kT);
        engine("tkPeriod")->setSeconds(1);
        press(kJ);
        m_sound->calls.clear();
        advance(1000);
        QCOMPARE(m_sound->calls,
                 (QStringList {"play", "stop", "close", "open periodendsound.wav", "play"}));
        QVERIFY(board().BuzzerPlaying());
    }

    void helpAndOptionsKeys()
    {
        // A change of settings shows on the board at once; F2 and Cancel leave it so.
        engine("tkJam")->setSeconds(42);
        QTemporaryDir files;
        QImage(40, 10, QImage::Format_RGB32).save(files.filePath("home.png"));
        QImage(10, 40, QImage::Format_RGB32).save(files.filePath("visitor.png"));
        QImage(20, 30, QImage::Format_RGB32).save(files.filePath("board.png"));
        // Each of the nine colours a shade of its own.
        Settings::instance().edit([&](SettingsModel &m) {
            for (qsizetype i = 0; i < qsizetype(colorTable().size()); ++i)
                m.*colorTable()[i].field = qint32(0x00200000 + i * 0x000811);
            m.HomePic = files.filePath("home.png");
            m.VisitorPic = files.filePath("visitor.png");
            m.BoardPic = files.filePath("board.png");
        });
        const auto showsSettings = [this] {
            for (const bool gameFlow : {true, false}) {
                Settings::instance().edit([&](SettingsModel &m) { m.GameFlow = gameFlow; });
                QCOMPARE(wrongColours(), QStringList());
            }
            for (const auto &[name, size] :
                 {std::pair("imgHomePic", QSize(40, 10)), std::pair("imgVisitorPic", QSize(10, 40)),
                  std::pair("imgBoardPic", QSize(20, 30))})
                QTRY_COMPARE(board().findChild<Image *>(name)->Picture().size(), size);
        };
        showsSettings();
        bool opened = false;
        QTimer::singleShot(0, this, [&opened] {
            QWidget *options = QApplication::activeModalWidget();
            opened = options && options->objectName() == "frmOptions";
            if (options)
                options->findChild<QPushButton *>("cmdCancel")->click();
        });
        press(113);
        QVERIFY(opened);
        showsSettings();
        QCOMPARE(shown("tledJam"), "0:42");
        // Options' Start a New Bout, answered Yes, starts it on the board, even when Options
        // is then cancelled.
        type("nledHomeScore", "5\n");
        QTimer::singleShot(0, this, [] {
            auto *options = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            if (!options)
                return;
            options->askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
            options->findChild<QPushButton *>("cmdNewBout")->click();
            options->findChild<QPushButton *>("cmdCancel")->click();
        });
        press(113);
        board().RefreshTime();
        QCOMPARE(shown("nledHomeScore"), "  0");
        QCOMPARE(shown("tledJam"), "2:00");

        // A picture whose file is missing shows once the file is back, whole, with no word
        // from the operator.
        Settings::instance().edit(
                [&](SettingsModel &m) { m.VisitorPic = files.filePath("later.png"); });
        QTest::qWait(PictureReturnWatch::LookEveryMs);
        QImage(30, 20, QImage::Format_RGB32).save(files.filePath("later.png"));
        QTRY_COMPARE_WITH_TIMEOUT(board().findChild<Image *>("imgVisitorPic")->Picture().size(),
                                  QSize(30, 20), 4 * PictureReturnWatch::LookEveryMs);
        // So does one that could not be read (half copied, damaged) once it is written whole.
        QVERIFY(writeFile(files.filePath("later.png"), "\x89PNG\r\n\x1a\n cut short"));
        Settings::instance().edit(
                [&](SettingsModel &m) { m.VisitorPic = files.filePath("later.png"); });
        QTRY_VERIFY(board().findChild<Image *>("imgVisitorPic")->Picture().isNull());
        QImage(20, 30, QImage::Format_RGB32).save(files.filePath("later.png"));
        QTRY_COMPARE_WITH_TIMEOUT(board().findChild<Image *>("imgVisitorPic")->Picture().size(),
                                  QSize(20, 30), 4 * PictureReturnWatch::LookEveryMs);
        // So does another of the same length put in its place with the old one's time, as
        // cp -p puts it.
        const auto colourShown = [this] {
            return board()
                    .findChild<Image *>("imgVisitorPic")
                    ->Picture()
                    .toImage()
                    .pixelColor(0, 0);
        };
        QImage bmp(40, 30, QImage::Format_RGB32);
        bmp.fill(Qt::red);
        QVERIFY(bmp.save(files.filePath("logo.bmp")));
        Settings::instance().edit(
                [&](SettingsModel &m) { m.VisitorPic = files.filePath("logo.bmp"); });
        QTRY_COMPARE(colourShown(), QColor(Qt::red));
        const QDateTime saved = QFileInfo(files.filePath("logo.bmp")).lastModified();
        QTest::qWait(20);
        bmp.fill(Qt::blue);
        QVERIFY(bmp.save(files.filePath("logo.bmp")));
        QFile logo(files.filePath("logo.bmp"));
        QVERIFY(logo.open(QIODevice::ReadWrite)
                && logo.setFileTime(saved, QFileDevice::FileModificationTime));
        logo.close();
        QTRY_COMPARE_WITH_TIMEOUT(colourShown(), QColor(Qt::blue),
                                  4 * PictureReturnWatch::LookEveryMs);

        // The new-bout key asks first: No keeps the bout, Yes starts a new one.
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 78; });
        type("nledHomeScore", "5\n");
        for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
            QTimer::singleShot(0, this, [answer] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    box->button(answer)->click();
            });
            press(78);
            board().RefreshTime();
            QCOMPARE(shown("nledHomeScore"), answer == QMessageBox::Yes ? "  0" : "  5");
        }

        // F1 opens help without waiting; closing the scoreboard closes it too.
        press(112);
        QWidget *help = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmHelp" && w->isVisible())
                help = w;
        }
        QVERIFY(help);
        // Closing stops the refresh and leaves the sound device alone while it holds no file,
        // and closes it when it does.
        QTimer *refresh = board().findChild<QTimer *>("tmrClock1");
        m_sound->calls.clear();
        board().close();
        QVERIFY(!help->isVisible());
        QVERIFY(!refresh->isActive());
        QCOMPARE(m_sound->calls, QStringList());
        board().show();
        refresh->start();
        press(kB);
        m_sound->calls.clear();
        board().close();
        QVERIFY(!refresh->isActive());
        QVERIFY(m_sound->calls.contains("close"));
    }

    void newBoutKeyWhileClocksRun()
    {
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 78; });
        // While a clock runs the board asks below the jam clock and keeps every key: the next key
        // answers. Any other key keeps the bout and does its own work; the New Bout key again,
        // while the question shows, starts the new bout.
        Notice *notice = board().findChild<Notice *>();
        const QString asked = frmScoreboard::newBoutAskedText(78);
        QVERIFY(asked.contains("Press N again"));
        type("nledHomeScore", "5\n");
        press(kJ);
        press(78);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(notice->text(), asked);
        press(kJ);
        QVERIFY(!running("tkJam"));
        QVERIFY(running("tkPeriod"));
        QCOMPARE(notice->text(), QString());
        QCOMPARE(shown("nledHomeScore"), "  5");
        press(78);
        QCOMPARE(notice->text(), asked);
        // Tab moving the selection answers as well, and so does a click on the board, on a
        // display or beside them: the bout is kept.
        emit board().findChild<SegmentDisplay *>("nledVisitorScore")->GotFocus();
        QCOMPARE(notice->text(), QString());
        for (const char *clicked : {"tledJam", "lblTitle"}) {
            press(78);
            QCOMPARE(notice->text(), asked);
            QTest::mouseClick(board().findChild<QWidget *>(clicked), Qt::LeftButton);
            QCOMPARE(notice->text(), QString());
        }
        QTest::mouseClick(board().findChild<QWidget *>("tledJam"), Qt::LeftButton);
        press(78);
        QCOMPARE(notice->text(), asked);
        QTest::mouseClick(board().findChild<QWidget *>("tledJam"), Qt::LeftButton);
        QCOMPARE(notice->text(), QString());
        QCOMPARE(shown("nledHomeScore"), "  5");
        // N held down: its repeats do not answer the question its first press asked.
        for (const bool repeated : {false, true, true}) {
            QKeyEvent held(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, "n", repeated);
            QApplication::sendEvent(board().findChild<QWidget *>("tledJam"), &held);
            QCOMPARE(notice->text(), asked);
        }
        // Nor do they as X sends them: a release and a press at the same instant, which Qt
        // does not always mark as a repeat.
        for (const quint64 at : {5250, 5280}) {
            for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
                QKeyEvent held(type, Qt::Key_N, Qt::NoModifier, 57, 'n', 0, "n");
                held.setTimestamp(at);
                QApplication::sendEvent(board().findChild<QWidget *>("tledJam"), &held);
                QCOMPARE(notice->text(), asked);
            }
        }
        QCOMPARE(shown("nledHomeScore"), "  5");
        QVERIFY(board().bout()->isAnyClockRunning());
        // Neither Shift nor NumLock answers, nor a key once the question has gone by its time.
        press(16);
        press(144);
        QCOMPARE(notice->text(), asked);
        advance(Notice::ShowSeconds * 1000);
        QTRY_COMPARE(notice->text(), QString());
        // What is half typed goes with the bout it was typed into.
        type("nledHomeScore", "3");
        press(78);
        QCOMPARE(notice->text(), asked);
        QCOMPARE(shown("nledHomeScore"), "  5");
        press(78);
        QVERIFY(!board().bout()->isAnyClockRunning());
        board().RefreshTime();
        QCOMPARE(shown("nledHomeScore"), "  0");
        QCOMPARE(notice->text(), QString());
        type("nledHomeScore", "4\n");
        QCOMPARE(shown("nledHomeScore"), "  4");
        // A penalty clock alone is a clock running too.
        board().bout()->addPenaltyTime(0, 60);
        board().bout()->startStopPenalty(0);
        press(78);
        QCOMPARE(notice->text(), asked);

        // The key held on as the clocks stop asks nothing more; pressed again, it asks in a box
        // that its own repeats do not answer, whatever button its letter names (Y: Yes).
        board().bout()->startStopPenalty(0);
        QVERIFY(!board().bout()->isAnyClockRunning());
        QWidget *jam = board().findChild<QWidget *>("tledJam");
        const auto sendN = [](QWidget *to, QEvent::Type type, quint64 at, bool repeated = false) {
            QKeyEvent key(type, Qt::Key_N, Qt::NoModifier, 57, 'n', 0, "n", repeated);
            key.setTimestamp(at);
            QApplication::sendEvent(to, &key);
        };
        bool boxOpened = false;
        const auto closeAnyBox = [&boxOpened] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxOpened = true;
                box->button(QMessageBox::No)->click();
            }
        };
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, closeAnyBox);
        closer.start(0);
        sendN(jam, QEvent::KeyRelease, 9000);
        sendN(jam, QEvent::KeyPress, 9000);
        sendN(jam, QEvent::KeyPress, 9030, true);
        QCoreApplication::processEvents();
        closer.stop();
        QVERIFY(!boxOpened);
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 89; });
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QWidget *focused = QApplication::focusWidget();
            for (const quint64 at : {9600, 9630}) {
                for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
                    QKeyEvent held(type, Qt::Key_Y, Qt::NoModifier, 29, 'y', 0, "y");
                    held.setTimestamp(at);
                    QApplication::sendEvent(focused ? focused : box, &held);
                }
            }
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, "y", true);
            QApplication::sendEvent(focused ? focused : box, &repeat);
            // A button pressed by its letter is clicked a moment later.
            QTest::qWait(300);
            boxOpened = QApplication::activeModalWidget() == box;
            if (boxOpened)
                box->button(QMessageBox::No)->click();
        });
        QKeyEvent yes(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, 29, 'y', 0, "y");
        yes.setTimestamp(9500);
        QApplication::sendEvent(jam, &yes);
        QVERIFY(boxOpened);
        board().RefreshTime();
        QCOMPARE(shown("nledHomeScore"), "  4");
    }

    void keyEventsReachTheCommandsOnce()
    {
        // The clear key reads as clearing, except on Space; the keypad's last digit and the key
        // after it.
        QCOMPARE(board().KeyCodeToAsci(46), 0);
        QCOMPARE(board().KeyCodeToAsci(105), '9');
        Settings::instance().edit([&](SettingsModel &m) { m.ClearKey = 32; });
        QCOMPARE(board().KeyCodeToAsci(32), 32);

        board().show();
        board().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&board()));
        QWidget *jam = board().findChild<QWidget *>("tledJam");
        jam->setFocus();
        // Shift does not change the command; a held key repeats it.
        QTest::keyClick(jam, Qt::Key_J, Qt::ShiftModifier);
        QVERIFY(running("tkJam"));
        QTest::keyEvent(QTest::Press, jam, Qt::Key_J, Qt::NoModifier, -1);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, "j", true);
        QApplication::sendEvent(jam, &repeat);
        QVERIFY(running("tkJam"));
        QCOMPARE(plays().size(), 1);
        finishSound();

        // With no display selected the window itself takes the key.
        board().setFocus();
        QTest::keyClick(&board(), Qt::Key_S);
        QVERIFY(!running("tkPeriod") && !running("tkJam"));
        finishSound();
        const qsizetype played = plays().size();

        // Enter bound to a command both commits the typed score and runs the command, once.
        Settings::instance().edit([&](SettingsModel &m) { m.BuzzerKey = 13; });
        Settings::instance().edit([&](SettingsModel &m) { m.StartStopJamClockKey = 45; }); // Insert
        auto *score = board().findChild<NumberLED *>("nledHomeScore");
        score->setFocus();
        QTest::keyClick(score, Qt::Key_1);
        QTest::keyClick(score, Qt::Key_2);
        QTest::keyClick(score, Qt::Key_Return);
        QCOMPARE(board().bout()->homeScore(), 12);
        QCOMPARE(plays().size(), played + 1);
        QVERIFY(!running("tkJam"));

        // The selection frame follows the focus.
        QWidget *frame = board().findChild<QWidget *>("shpObjectSelected");
        const auto twips
                = [](QWidget *w, const char *member) { return w->property(member).toDouble(); };

        Settings::instance().edit([&](SettingsModel &m) { m.LEDSelectedWidth = 5; });
        board().ObjectSelected(jam);
        QCOMPARE(twips(frame, "Top"), twips(jam, "Top") - 75);
        QCOMPARE(twips(frame, "Height"), twips(jam, "Height") + 165);
        // Out of range only by editing the store: held to the widest frame.
        Settings::instance().edit([&](SettingsModel &m) { m.LEDSelectedWidth = 3000; });
        board().ObjectSelected(jam);
        QCOMPARE(twips(frame, "Left"), twips(jam, "Left") - 75);

        board().resize(900, 700);
        QTRY_VERIFY(!frame->isVisible());
        board().findChild<QWidget *>("tledPeriod")->setFocus();
        QVERIFY(frame->isVisible());
        board().ObjectSelected(nullptr);
        QVERIFY(!frame->isVisible());
    }

    // The longest texts Options takes are drawn whole, in a smaller font, at every size of the
    // board; a text that fits keeps its designed font. A notice keeps its reason whole.
    void textsFitTheirLabels()
    {
        QTemporaryDir files;
        QVERIFY(writeFile(files.filePath("horn.wav"), "no sound in here"));
        const QString longName = "stadium-horn-from-the-old-arena-final-mix-2026-with-the-crowd-"
                                 "noise-left-in-for-the-championship-weekend-master-copy-"
                + QString("and-more-").repeated(10) + "end.wav";
        QVERIFY(writeFile(files.filePath(longName), "no sound in here"));
        Settings::instance().edit(
                [&](SettingsModel &m) { m.TitleText = "Roller Derby Championship"; });
        Settings::instance().edit([&](SettingsModel &m) { m.HomeText = "Rose City Rollers"; });
        Settings::instance().edit(
                [&](SettingsModel &m) { m.VisitorText = "MMMMMMMMMMMMMMMMMMMM"; });
        board().UpdateLabels();

        const QSize sizes[] = {{632, 453}, {1280, 800}, {1920, 1080}, {300, 700}, {160, 120}};
        for (const QSize size : sizes) {
            board().resize(size);
            StretchLayout(&board());
            for (const char *name : {"lblTitle", "lblHomeTeam", "lblVisitorTeam"}) {
                Label *text = label(name);
                QCOMPARE(text->ShownCaption(), text->Caption());
                QVERIFY2(text->ShownFontSize() < text->FontSize(), name);
                QVERIFY2(drawnWhole(text), name);
                QVERIFY2(drawnAsText(text), name);
                // No smaller than it need be: a pixel more would not fit.
                QFont larger("Arial");
                larger.setBold(true);
                larger.setPixelSize(qRound(text->ShownFontSize() * 96 / 72) + 1);
                QVERIFY2(QFontMetricsF(larger).horizontalAdvance(text->Caption()) > text->width(),
                         name);
            }
        }

        // A sound file that is not one: the whole message, then with a long file name the name
        // shortened in its middle and the reason whole.
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = files.filePath("horn.wav"); });
        press(kB);
        Label *notice = label("lblNotice");
        QCOMPARE(notice->Caption(), "Cannot play horn.wav: it is not a WAV sound file.");
        for (const QSize size : {QSize(632, 453), QSize(1920, 1080)}) {
            board().resize(size);
            StretchLayout(&board());
            QCOMPARE(notice->ShownCaption(), notice->Caption());
            QVERIFY(drawnWhole(notice));
            QVERIFY(drawnAsText(notice));
        }
        QTRY_VERIFY(!board().BuzzerPlaying());
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = files.filePath(longName); });
        press(kB);
        QCOMPARE(notice->Caption(), "Cannot play " + longName + ": it is not a WAV sound file.");
        for (const QSize size : {QSize(632, 453), QSize(1920, 1080)}) {
            board().resize(size);
            StretchLayout(&board());
            const QString shown = notice->ShownCaption();
            QVERIFY2(shown.startsWith("Cannot play stad") && shown.contains(QChar(0x2026))
                             && shown.endsWith("wav: it is not a WAV sound file."),
                     qPrintable(shown));
            QVERIFY(notice->ShownFontSize() >= notice->FontSize() * 0.7);
            QVERIFY(drawnWhole(notice));
        }
        // A reason too long for the place even at three quarters of the size: the font shrinks
        // on rather than the reason being cut.
        const QString reason = ": " + QString("the reason goes on ").repeated(12);
        notice->setCaption("Cannot play " + longName + reason, 12, longName.size());
        QVERIFY(notice->ShownCaption().endsWith(reason));
        QVERIFY(notice->ShownFontSize() < notice->FontSize() * 0.7);
        // A name at the very start of the text is shortened all the same.
        board().findChild<Notice *>()->showText(longName + ": it is not a WAV sound file.",
                                                longName);
        const QString first = notice->ShownCaption();
        QVERIFY2(first.startsWith("stad") && first.contains(QChar(0x2026))
                         && first.endsWith("wav: it is not a WAV sound file."),
                 qPrintable(first));

        // A line separator pasted into a name shows as a space, as a line break does: the rest
        // of the name is not lost.
        Label *home = label("lblHomeTeam");
        const auto drawn = [home] {
            QImage image(home->size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            home->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
            return image;
        };
        const QString separatedName = "Rose City" + QString(QChar::LineSeparator) + "Rollers";
        Settings::instance().edit([&](SettingsModel &m) { m.HomeText = separatedName; });
        board().UpdateLabels();
        QCOMPARE(home->Caption(), separatedName);
        const QImage separated = drawn();
        Settings::instance().edit([&](SettingsModel &m) { m.HomeText = "Rose City Rollers"; });
        board().UpdateLabels();
        QVERIFY(drawn() == separated);

        // Texts that fit are left as designed.
        Settings::instance().edit([&](SettingsModel &m) { m.TitleText = "Bout"; });
        Settings::instance().edit([&](SettingsModel &m) { m.VisitorText = "Bees"; });
        board().UpdateLabels();
        notice->setCaption("Bout resumed");
        for (Label *text : {label("lblTitle"), label("lblVisitorTeam"), notice}) {
            QCOMPARE(text->ShownCaption(), text->Caption());
            QCOMPARE(text->ShownFontSize(), text->FontSize());
            QVERIFY(drawnAsText(text));
        }
    }

    // A shown board resized, larger or smaller and in either digit style, has every pixel of its
    // window painted afresh for the new size before the frame is shown; a blank clock drawn for it
    // beside one that shows a time keeps its colon unlit.
    void resizedBoardIsPaintedWhole()
    {
        key("tledVisitorPenalty1", kA);
        type("tledVisitorPenalty1", "1.30\n");
        QCOMPARE(shown("tledVisitorPenalty1"), "1:30");
        auto *blank = board().findChild<SegmentDisplay *>("tledHomePenalty2");
        QCOMPARE(shown("tledHomePenalty2"), "");
        const QRgb lit = PlatformColor::toQColor(blank->LitColor()).rgb();
        board().show();
        QVERIFY(QTest::qWaitForWindowExposed(&board()));
        for (const int ledType : {0, 1}) {
            Settings::instance().edit([ledType](SettingsModel &m) { m.LEDType = qint16(ledType); });
            for (const QSize size : {QSize(1280, 800), QSize(1920, 1080), QSize(700, 500)}) {
                board().resize(size);
                QCoreApplication::sendPostedEvents(&board(), QEvent::UpdateRequest);
                QCoreApplication::sendPostedEvents();
                QPaintDevice *pixels = board().backingStore()->paintDevice();
                QCOMPARE(pixels->devType(), int(QInternal::Image));
                const QImage shown
                        = static_cast<QImage *>(pixels)->convertToFormat(QImage::Format_RGB32);
                QCOMPARE(shown.size(), size);
                QVERIFY(shown == board().grab().toImage().convertToFormat(QImage::Format_RGB32));
                const QRect area(blank->mapTo(&board(), QPoint()), blank->size());
                int litPixels = 0;
                for (int y = area.top(); y <= area.bottom(); ++y)
                    for (int x = area.left(); x <= area.right(); ++x)
                        litPixels += shown.pixel(x, y) == lit;
                QCOMPARE(litPixels, 0);
            }
        }
    }

    // The README's typing table: what each clock shows for a typed time ("": refused, the
    // clock keeps what it showed).
    void typedTimesShowAsTheTableSays()
    {
        key("tledHomePenalty1", kA);
        const std::tuple<const char *, const char *, const char *, const char *> rows[] = {
                {"2.00\n", " 2:00", "2:00", "2:00"},
                {".45\n", "45.0", "0:45", "0:45"},
                {"1.305\n", " 1:31", "1:31", "1:30"},
                {"1.5\n", " 1:05", "1:05", "1:05"},
                {"10\n", "10:00", "", ""},
        };
        for (const auto &[typed, period, jam, penalty] : rows) {
            const QString jamBefore = shown("tledJam");
            const QString penaltyBefore = shown("tledHomePenalty1");
            type("tledPeriod", typed);
            type("tledJam", typed);
            type("tledHomePenalty1", typed);
            QCOMPARE(shown("tledPeriod"), period);
            QCOMPARE(shown("tledJam"), *jam ? jam : jamBefore);
            QCOMPARE(shown("tledHomePenalty1"), *penalty ? penalty : penaltyBefore);
        }
    }

    void typingReachesTheBout()
    {
        press(kJ);
        advance(2000);
        type("tledJam", "1.30\n");
        QVERIFY(running("tkJam"));
        QCOMPARE(shown("tledJam"), "1:30");
        type("tledPeriod", "20.00\n");
        QVERIFY(!running("tkPeriod"));
        QCOMPARE(shown("tledPeriod"), "20:00");
        type("nledVisitorScore", "7\n");
        QCOMPARE(shown("nledVisitorScore"), "  7");
        QCOMPARE(shown("nledHomeScore"), "  0");
        type("nledPeriod", "2");
        QCOMPARE(shown("nledPeriod"), "2");

        // Taking away more than a number holds is refused; it takes the clear key to blank one.
        type("nledVisitorScore", "-8");
        type("nledPeriod", "-3");
        QCOMPARE(shown("nledVisitorScore"), "  7");
        QCOMPARE(shown("nledPeriod"), "2");
        QCOMPARE(board().bout()->visitorScore(), 7);
        type("nledPeriod", "-2");
        QCOMPARE(board().bout()->periodNumber(), 0);
        key("nledPeriod", kDelete);
        QCOMPARE(shown("nledPeriod"), "");
        QCOMPARE(board().bout()->periodNumber(), -1);
        type("nledPeriod", "-1");
        QCOMPARE(board().bout()->periodNumber(), -1);

        // The first penalty clock's own keys; a blank one counts from zero.
        key("tledHomePenalty1", kA);
        QCOMPARE(shown("tledHomePenalty1"), "1:30");
        key("tledHomePenalty1", kI);
        QVERIFY(running("tkHomePenalty1"));
        type("tledHomePenalty1", "1.45\n");
        QVERIFY(!running("tkHomePenalty1"));
        QCOMPARE(shown("tledHomePenalty1"), "1:45");
        key("tledHomePenalty1", kDelete);
        QCOMPARE(shown("tledHomePenalty1"), "");

        // Those keys act on the selected penalty clock alone: on another display, or with none
        // selected, they do nothing.
        key("tledVisitorPenalty2", kA);
        key("tledJam", kA);
        press(kA);
        press(kI);
        QCOMPARE(shown("tledHomePenalty1"), "");
        QCOMPARE(shown("tledHomePenalty2"), "");
        QCOMPARE(shown("tledVisitorPenalty1"), "");
        QCOMPARE(shown("tledVisitorPenalty2"), "1:30");
        QVERIFY(!running("tkVisitorPenalty2"));
    }

    // With the game flow on, each of its keys takes its step on the board (its defaults: H, V,
    // E, W and O), and the undo key (U) takes the step back.
    void gameFlowKeys()
    {
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = true; });
        board().RefreshTime();
        const char *const counts[] = {"nledHomeTimeouts", "nledVisitorTimeouts", "nledHomeReviews",
                                      "nledVisitorReviews"};
        const auto shownCounts = [&] {
            QStringList texts;
            for (const char *count : counts)
                texts.append(shown(count));
            return texts;
        };
        const QStringList before = shownCounts();
        QCOMPARE(before, QStringList({"3", "3", "1", "1"}));
        // Each key takes one from its own count alone.
        const int keys[] = {72, 86, 69, 87};
        for (int i = 0; i < 4; ++i) {
            press(keys[i]);
            advance(1000);
            QStringList expected = before;
            expected[i] = QString::number(before[i].toInt() - 1);
            QCOMPARE(shownCounts(), expected);
            press(85);
            board().RefreshTime();
            QCOMPARE(shownCounts(), before);
        }
        // A flow key held down acts once: its repeats, marked so or sent as X sends them (a
        // release and a press at one instant), take no second timeout and undo no second step.
        QWidget *jam = board().findChild<QWidget *>("tledJam");
        const auto hold = [jam](Qt::Key key, quint32 scanCode, const QString &text) {
            QKeyEvent first(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0, text);
            QApplication::sendEvent(jam, &first);
            QKeyEvent repeated(QEvent::KeyPress, key, Qt::NoModifier, text, true);
            QApplication::sendEvent(jam, &repeated);
            for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
                QKeyEvent again(type, key, Qt::NoModifier, scanCode, 0, 0, text);
                again.setTimestamp(7000);
                QApplication::sendEvent(jam, &again);
            }
            QKeyEvent released(QEvent::KeyRelease, key, Qt::NoModifier, scanCode, 0, 0, text);
            QApplication::sendEvent(jam, &released);
        };
        press(74);
        hold(Qt::Key_H, 43, "h");
        QCOMPARE(board().bout()->phase(), Bout::HomeTimeout);
        QCOMPARE(shown("nledHomeTimeouts"), "2");
        press(72);
        hold(Qt::Key_H, 43, "h");
        QCOMPARE(shown("nledHomeTimeouts"), "1");
        hold(Qt::Key_U, 30, "u");
        QCOMPARE(board().bout()->phase(), Bout::Lineup);
        QCOMPARE(shown("nledHomeTimeouts"), "2");
        for (int step = 0; step < 3; ++step)
            press(85);
        QCOMPARE(board().bout()->phase(), Bout::Between);
        QCOMPARE(shownCounts(), before);

        // The official timeout counts up on the jam display and takes no team's timeout.
        press(79);
        advance(2000);
        QCOMPARE(shown("tledJam"), "0:02");
        QCOMPARE(shownCounts(), before);

        // A time typed on a clock that shows another count is kept for what comes, and the board
        // says so, as it does for the period clock under the time of day.
        const auto notice = [this] { return label("lblNotice")->Caption(); };
        type("tledJam", "1.30\n");
        QCOMPARE(shown("tledJam"), "0:02");
        QCOMPARE(notice(), "Jam clock set to 1:30; it shows when the jam starts.");
        press(74);
        QCOMPARE(shown("tledJam"), "1:30");
        // The words go with the next key; a time that shows needs none.
        type("tledJam", "1.45\n");
        QCOMPARE(notice(), "");
        QCOMPARE(shown("tledJam"), "1:45");
        QVERIFY(!board().property("ClockTime").toBool());
        press(67);
        QVERIFY(board().property("ClockTime").toBool());
        type("tledPeriod", ".45\n");
        QCOMPARE(notice(), "Period clock set to 45.0; press C to see it.");
        // So do the reset keys: the jam's length in the lineup, the period's under the time of day.
        press(74);
        press(82);
        QCOMPARE(notice(), "Jam clock set to 1:30; it shows when the jam starts.");
        // T resets the jam clock too.
        press(84);
        QCOMPARE(notice(),
                 "Period clock set to 10:00; press C to see it. Jam clock set to 1:30; it shows "
                 "when the jam starts.");
        Settings::instance().edit([](SettingsModel &m) { m.ClockSwitchKey = 0; });
        type("tledPeriod", "12.00\n");
        QCOMPARE(notice(), "Period clock set to 12:00; the display shows the time of day.");
        Settings::instance().edit([](SettingsModel &m) { m.ClockSwitchKey = 67; });
        press(67);
        QCOMPARE(shown("tledPeriod"), "12:00");
        press(84);
        QCOMPARE(notice(), "Jam clock set to 1:30; it shows when the jam starts.");
        QCOMPARE(shown("tledPeriod"), "10:00");

        // A refusal stands until the next key, which may well make it untrue.
        type("nledHomeTimeouts", "-3");
        press(72);
        QCOMPARE(notice(), "No home timeouts left.");
        press(16);
        QCOMPARE(notice(), "No home timeouts left.");
        type("nledHomeTimeouts", "+1");
        QCOMPARE(notice(), "");
        press(72);
        QCOMPARE(shown("nledHomeTimeouts"), "0");
        // U takes back a time the board said was set, and the words with it; the selection
        // moved drops a refusal as a key does.
        type("tledJam", "1.10\n");
        QCOMPARE(notice(), "Jam clock set to 1:10; it shows when the jam starts.");
        press(85);
        QCOMPARE(notice(), "");
        press(72);
        press(72);
        QCOMPARE(notice(), "No home timeouts left.");
        // A key held on is no next key: the words about it stand through its repeats.
        hold(Qt::Key_H, 43, "h");
        QCOMPARE(notice(), "No home timeouts left.");
        emit board().findChild<SegmentDisplay *>("tledJam")->GotFocus();
        QCOMPARE(notice(), "");

        // At halftime the clock switch shows the halftime clock, not the period's: a period time
        // typed under the time of day shows when the next period starts.
        type("tledPeriod", ".02\n");
        if (board().bout()->phase() != Bout::Jam)
            press(74);
        advance(3000);
        press(74);
        QCOMPARE(board().bout()->phase(), Bout::Halftime);
        QCOMPARE(label("lblPeriodCaption")->Caption(), "Halftime");
        // The time of day in its place is no halftime: its caption goes with it, and comes back.
        press(67);
        QVERIFY(board().property("ClockTime").toBool());
        QCOMPARE(label("lblPeriodCaption")->Caption(), "");
        QCOMPARE(label("lblJamCaption")->Caption(), "");
        press(67);
        QCOMPARE(label("lblPeriodCaption")->Caption(), "Halftime");
        press(67);
        type("tledPeriod", "20.00\n");
        QCOMPARE(notice(), "Period clock set to 20:00; it shows when the period starts.");
    }

    // With the game flow on, its displays are selected and typed like the others: the jam number
    // and the counts as numbers, the third penalty clocks with the penalty keys too; switched
    // off, they go. A score takes up to three digits. Every display shows the LED background.
    void gameFlowDisplaysTakeTyping_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("flowOnly");
        QTest::newRow("jam number") << "nledJamNumber"
                                    << "12\n"
                                    << "12" << true;
        QTest::newRow("home timeouts") << "nledHomeTimeouts"
                                       << "1"
                                       << "1" << true;
        QTest::newRow("visitor timeout taken") << "nledVisitorTimeouts"
                                               << "-1"
                                               << "2" << true;
        QTest::newRow("home review given back") << "nledHomeReviews"
                                                << "+1"
                                                << "2" << true;
        QTest::newRow("visitor reviews beyond") << "nledVisitorReviews"
                                                << "+9"
                                                << "1" << true;
        QTest::newRow("home third penalty") << "tledHomePenalty3"
                                            << "1.45\n"
                                            << "1:45" << true;
        QTest::newRow("visitor third penalty") << "tledVisitorPenalty3"
                                               << "2.00\n"
                                               << "2:00" << true;
        QTest::newRow("highest score") << "nledHomeScore"
                                       << "999\n"
                                       << "999" << false;
        QTest::newRow("fourth digit") << "nledVisitorScore"
                                      << "5\n9999\n"
                                      << "  5" << false;
        QTest::newRow("thousand") << "nledHomeScore"
                                  << "12\n1000\n"
                                  << " 12" << false;
    }

    void gameFlowDisplaysTakeTyping()
    {
        QFETCH(QString, display);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(bool, flowOnly);
        const QByteArray name = display.toLatin1();
        const char *const plain[] = {
                "tledPeriod",         "tledJam",          "nledHomeScore",    "nledVisitorScore",
                "nledPeriod",         "tledHomePenalty1", "tledHomePenalty2", "tledVisitorPenalty1",
                "tledVisitorPenalty2"};
        // The displays named whose background is not the colour given, with the colour they show.
        const auto otherBackgrounds = [this](const QList<const char *> &names, int color) {
            QStringList other;
            for (const char *shownBy : names) {
                const int back
                        = board().findChild<QWidget *>(shownBy)->property("BackColor").toInt();
                if (back != color)
                    other << QString("%1 %2").arg(shownBy).arg(back, 0, 16);
            }
            return other;
        };
        Settings::instance().edit([](SettingsModel &m) { m.LEDBack = 0x00102030; });
        QCOMPARE(otherBackgrounds({std::begin(plain), std::end(plain)}, 0x00102030), QStringList());
        QCOMPARE(!board().findChild<QWidget *>(name), flowOnly);
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = true; });
        auto *widget = board().findChild<SegmentDisplay *>(name);
        QVERIFY(widget && widget->isVisibleTo(&board()));
        QCOMPARE(otherBackgrounds({name.constData()}, 0x00102030), QStringList());
        Settings::instance().edit([](SettingsModel &m) { m.LEDBack = 0x00405060; });
        QCOMPARE(otherBackgrounds({std::begin(plain), std::end(plain)}, 0x00405060), QStringList());
        QCOMPARE(otherBackgrounds({name.constData()}, 0x00405060), QStringList());
        type(name, typed);
        QCOMPARE(shown(name), expected);
        if (display.startsWith("tled")) {
            const QByteArray engineName = "tk" + name.mid(4);
            key(name, kA);
            QCOMPARE(shown(name), expected == "1:45" ? "3:15" : "3:30");
            key(name, kI);
            QVERIFY(running(engineName));
            key(name, kDelete);
            QCOMPARE(shown(name), "");
        }
        widget->setFocus();
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = false; });
        QCOMPARE(widget->isVisibleTo(&board()), !flowOnly);
        if (flowOnly) {
            QVERIFY(board().findChild<QWidget *>("nledHomeScore")->hasFocus()
                    || !QApplication::focusWidget());
        } else {
            // A display both boards show stays selected, framed where the plain board has it.
            const QWidget *frame = board().findChild<QWidget *>("shpObjectSelected");
            QVERIFY(frame->isVisibleTo(&board()) && frame->geometry().contains(widget->geometry()));
        }
    }

    // The benchmarks' trace: each tick's lateness against its interval and its handler's time,
    // each paint, each key's time to the end of the paint that shows it, and a key that shows
    // nothing of its own before the next tick. Nothing here waits: the clock moves only when told.
    void traceOfTicksAndKeys()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("trace");
        board().findChild<QTimer *>("tmrClock1")->stop();
        board().show();
        QVERIFY(QTest::qWaitForWindowExposed(&board()));
        auto *score = board().findChild<NumberLED *>("nledHomeScore");
        score->setFocus();
        QCoreApplication::sendPostedEvents(&board(), QEvent::UpdateRequest);

        // A refresh timer of the test's own, which fires only when the test delivers its event.
        QTimer refresh;
        refresh.setInterval(50);
        refresh.start();
        int handled = 0;
        connect(&refresh, &QTimer::timeout, this, [&] {
            ++handled;
            m_clock.advanceMilliseconds(2);
            board().RefreshTime();
        });
        const auto tick = [&refresh] {
            QTimerEvent event(refresh.timerId());
            QCoreApplication::sendEvent(&refresh, &event);
        };
        const auto paint
                = [this] { QCoreApplication::sendPostedEvents(&board(), QEvent::UpdateRequest); };

        // A trace that cannot be written says so; one that can says nothing.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^The board's trace cannot be written to .*/no/"));
        BoardTrace(dir.filePath("no/trace"), &board(), &refresh);
        QTest::failOnWarning(QRegularExpression("trace"));
        auto trace = std::make_unique<BoardTrace>(file, &board(), &refresh);
        m_clock.advanceMilliseconds(10);
        tick(); // at 10 ms
        m_clock.advanceMilliseconds(48);
        tick(); // at 60 ms: on time
        m_clock.advanceMilliseconds(71);
        tick(); // at 133 ms: 23 ms late
        QCOMPARE(handled, 3);

        QTest::keyClick(score, Qt::Key_Shift); // at 135 ms: a modifier alone is no key
        m_clock.advanceMilliseconds(1);
        QTest::keyClick(score, Qt::Key_Delete); // at 136 ms, blanks the score
        QVERIFY(score->property("Text").toString().isEmpty());
        m_clock.advanceMilliseconds(4);
        paint();
        paint(); // nothing left to paint, and no key waiting
        m_clock.advanceMilliseconds(3);
        QTest::keyClick(score, Qt::Key_Escape); // at 143 ms, changes nothing
        paint();
        m_clock.advanceMilliseconds(40);
        tick(); // at 183 ms: 0 ms late
        QCOMPARE(handled, 4);
        // Nothing is written while the board runs: the lines wait in memory until it goes.
        QCOMPARE(QFileInfo(file).size(), 0);
        trace.reset();

        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
                 "t 10000 0 2000\n"
                 "t 60000 0 2000\n"
                 "t 133000 23000 2000\n"
                 "p 140000 0\n"
                 "k 136000 4000 16777223\n"
                 "n 143000 16777216\n"
                 "t 183000 0 2000\n");
    }
};

QTEST_MAIN(TestFrmScoreboard)
#include "tst_frmscoreboard.moc"
