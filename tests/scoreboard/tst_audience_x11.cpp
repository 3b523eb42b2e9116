// The audience board on an X server split into two monitors, LEFT for the operator and RIGHT for
// the projector, driven by real key presses and clicks (XTEST through xdotool). The projector is
// unplugged and plugged back with xrandr.

#include "audienceboard.h"
#include "clocksource.h"
#include "colortable.h"
#include "frmaudience.h"
#include "frmhelp.h"
#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "label.h"
#include "picturereturnwatch.h"
#include "segmentdisplay.h"
#include "settings.h"
#include "settingsstore.h"
#include "shape.h"
#include "timekeeper.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ranges>

namespace {

bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(10000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ran;
}

} // namespace

class TestAudienceX11 : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<frmScoreboard> m_board;

    frmAudience *audience() const { return m_board->findChild<AudienceBoard *>()->window(); }
    static QWidget *help()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == "frmHelp" && window->isVisible())
                return window;
        }
        return nullptr;
    }
    static QString shown(QWidget *board, const char *name)
    {
        return board->findChild<QWidget *>(name)->property("Text").toString();
    }
    // What both boards show on one display; the test fails where they differ.
    QString onBoth(const char *name) const
    {
        const QString operatorSees = shown(m_board.get(), name);
        return operatorSees == shown(audience(), name) ? operatorSees : QStringLiteral("differ");
    }
    QString notice() const { return m_board->findChild<Label *>("lblNotice")->Caption(); }
    void tick(qint64 milliseconds)
    {
        m_clock.advanceMilliseconds(milliseconds);
        m_board->RefreshTime();
    }
    static void type(const QStringList &keys)
    {
        QVERIFY(run("xdotool", QStringList {"key", "--delay", "20"} + keys));
    }
    static void plugProjector(bool in)
    {
        QVERIFY(in ? run("xrandr", {"--setmonitor", "RIGHT", "1280/338x720/190+1920+0", "none"})
                   : run("xrandr", {"--delmonitor", "RIGHT"}));
    }

    // Monitors of new names: Qt takes the geometry of a monitor it knows as it first was.
    static bool setMonitors(const QStringList &first, const QStringList &second)
    {
        bool done = true;
        for (const QString &name :
             QGuiApplication::screens() | std::views::transform(&QScreen::name))
            done = run("xrandr", {"--delmonitor", name}) && done;
        return done && run("xrandr", QStringList {"--setmonitor"} + first)
                && run("xrandr", QStringList {"--setmonitor"} + second);
    }
    void restoreMonitors()
    {
        m_board.reset();
        setMonitors({"LEFT", "1920/508x1080/286+0+0", "screen"},
                    {"RIGHT", "1280/338x720/190+1920+0", "none"});
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb" || QGuiApplication::screens().size() != 2)
            QSKIP("needs an X server split into two monitors (tests/two-monitor-run.sh)");
        if (!run("xdotool", {"version"}))
            QSKIP("needs xdotool");
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        Settings::instance().edit([](SettingsModel &m) {
            m.AudienceScreen = "RIGHT";
            m.AudienceBoardKey = 119; // F8
            m.LEDType = 1;
            // Colours of the operator's own choosing, none the design's.
            for (qsizetype i = 0; i < qsizetype(colorTable().size()); ++i)
                m.*colorTable()[i].field = qint32(0x00200000 + i * 0x000811);
        });
        ClockSource::setCurrent(&m_clock);
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(100, 100, 1200, 860);
        m_board->show();
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        QVERIFY(audience());
        QVERIFY(QTest::qWaitForWindowExposed(audience()));
    }

    void cleanup()
    {
        m_board.reset();
        ClockSource::setCurrent(nullptr);
        if (QGuiApplication::screens().size() < 2)
            plugProjector(true);
    }

    void fillsTheChosenScreenAndLeavesTheKeyboard()
    {
        QCOMPARE(audience()->objectName(), "frmAudience");
        QCOMPARE(audience()->screen()->name(), "RIGHT");
        QCOMPARE(audience()->geometry(), QRect(1920, 0, 1280, 720));
        // Full screen to a window manager too, which then keeps its panels and frame off it, and
        // named as the program is in its task list.
        QByteArray state;
        QVERIFY(run("xprop",
                    {"-id", QString::number(audience()->winId()), "_NET_WM_STATE", "_NET_WM_NAME"},
                    &state));
        QVERIFY2(state.contains("_NET_WM_STATE_FULLSCREEN"), state.constData());
        QVERIFY2(state.contains("_NET_WM_NAME(UTF8_STRING) = \"Corvanta\""), state.constData());
        // Opened with the captions and the digit style of the settings, as fitted to its screen.
        QCOMPARE(audience()->findChild<Label *>("lblVisitorTeam")->Caption(),
                 settings().VisitorText);
        QCOMPARE(audience()->findChild<SegmentDisplay *>("tledJam")->LedType(), 1);
        // The operator's board at the projector's size is the projector's: every part in the same
        // place, size, colours and font.
        m_board->resize(audience()->size());
        QTRY_COMPARE(m_board->size(), audience()->size());
        QCOMPARE(audience()->palette().color(QPalette::Window),
                 m_board->palette().color(QPalette::Window));
        for (const BoardWidget *part : BoardWidget::laidOutIn(m_board.get())) {
            const QString name = part->objectName();
            if (name.isEmpty() || name == "shpObjectSelected")
                continue;
            const QWidget *same = audience()->findChild<QWidget *>(name);
            QVERIFY2(same && same->geometry() == part->geometry(), qPrintable(name));
            for (const char *member : {"ForeColor", "BackColor", "LitColor", "BorderColor",
                                       "FillColor", "ShownFontSize", "ShownCaption"})
                QVERIFY2(same->property(member) == part->property(member),
                         qPrintable(name + ' ' + member));
        }
        const QWidget *jam = audience()->findChild<QWidget *>("tledJam");
        // Colours changed in Options show on the open board as on the operator's.
        Settings::instance().edit([](SettingsModel &m) {
            m.FormBack = 0x00102030;
            m.ScoreColor = 0x00405060;
        });
        QCOMPARE(audience()->palette().color(QPalette::Window), QColor(0x30, 0x20, 0x10));
        QCOMPARE(audience()->findChild<QWidget *>("nledHomeScore")->property("LitColor"),
                 m_board->findChild<QWidget *>("nledHomeScore")->property("LitColor"));

        // The longest title and team names are shown whole on the projector too.
        Settings::instance().edit([](SettingsModel &m) {
            m.TitleText = "Roller Derby Championship";
            m.HomeText = "Rose City Rollers";
        });
        for (const char *name : {"lblTitle", "lblHomeTeam"}) {
            auto *label = audience()->findChild<Label *>(name);
            QCOMPARE(label->ShownCaption(), label->Caption());
            QVERIFY2(label->ShownFontSize() < label->FontSize(), name);
            // Nothing drawn in the outermost columns, where a cut text would reach.
            QImage drawn(label->size(), QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::transparent);
            label->render(&drawn, QPoint(), QRegion(), {});
            for (int y = 0; y < drawn.height(); ++y) {
                QCOMPARE(qAlpha(drawn.pixel(0, y)), 0);
                QCOMPARE(qAlpha(drawn.pixel(drawn.width() - 1, y)), 0);
            }
        }
        QVERIFY(!audience()->findChild<Shape *>("shpObjectSelected")->isVisible());

        // A click on a display of the projector's board leaves the keyboard with the operator.
        const QPoint onJam = jam->mapToGlobal(jam->rect().center());
        QVERIFY(run("xdotool",
                    {"mousemove", QString::number(onJam.x()), QString::number(onJam.y()), "click",
                     "1"}));
        type({"j"});
        QTRY_VERIFY(m_board->bout()->jamEngine()->isRunning());
        QCOMPARE(QApplication::activeWindow(), m_board.get());
        QVERIFY(m_board->findChild<QWidget *>("nledHomeScore")->hasFocus());

        // Where the keyboard follows the pointer onto the projector, keys still reach the bout.
        QTest::keyClick(audience(), Qt::Key_J);
        QVERIFY(!m_board->bout()->jamEngine()->isRunning());

        // Typed on the operator's home score: on both boards before the next tick.
        type({"1", "2", "Return"});
        QTRY_COMPARE(shown(m_board.get(), "nledHomeScore"), " 12");
        QCOMPARE(onBoth("nledHomeScore"), " 12");
        type({"Tab", "Tab", "Tab", "Tab", "Tab", "a", "a"});
        QTRY_COMPARE(shown(m_board.get(), "tledHomePenalty1"), "3:00");
        QCOMPARE(onBoth("tledHomePenalty1"), "3:00");
    }

    // With the game flow on, the keys drive its phases on both boards; a mistaken J undone with U
    // lets the jam run on as if never stopped, sounding nothing more; timeouts and reviews are
    // taken by their keys.
    void gameFlowByKeysOnBothBoards()
    {
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = true; });
        const auto captionOnBoth = [this](const char *name) {
            const QString operatorSees = m_board->findChild<Label *>(name)->Caption();
            return operatorSees == audience()->findChild<Label *>(name)->Caption()
                    ? operatorSees
                    : QStringLiteral("differ");
        };
        Bout *bout = m_board->bout();
        QSignalSpy sounds(bout, &Bout::soundWanted);
        QCOMPARE(onBoth("nledJamNumber"), "");
        type({"j"});
        QTRY_COMPARE(onBoth("nledJamNumber"), " 1");
        tick(10000);
        QCOMPARE(onBoth("tledJam"), "1:50");

        type({"j"});
        QTRY_COMPARE(captionOnBoth("lblJamCaption"), "Lineup");
        QCOMPARE(sounds.size(), 1);
        tick(3000);
        QCOMPARE(onBoth("tledJam"), "0:27");
        QVERIFY(bout->periodEngine()->isRunning());
        type({"u"});
        QTRY_VERIFY(bout->jamEngine()->isRunning());
        tick(0);
        QCOMPARE(onBoth("tledJam"), "1:47");
        QCOMPARE(captionOnBoth("lblJamCaption"), "");
        QCOMPARE(onBoth("nledJamNumber"), " 1");
        QCOMPARE(sounds.size(), 1);

        // A home timeout ends the jam with its sound and stops the period clock.
        type({"h"});
        QTRY_COMPARE(captionOnBoth("lblJamCaption"), "Home Timeout");
        QCOMPARE(sounds.size(), 2);
        QVERIFY(!bout->periodEngine()->isRunning());
        QCOMPARE(onBoth("nledHomeTimeouts"), "2");
        const QString period = onBoth("tledPeriod");
        tick(1000);
        QCOMPARE(onBoth("tledJam"), "0:59");
        QCOMPARE(onBoth("tledPeriod"), period);

        // The last two taken, a fourth is refused in the notice and changes nothing.
        type({"h", "h", "h", "h", "h"});
        QTRY_COMPARE(captionOnBoth("lblJamCaption"), "Lineup");
        QCOMPARE(onBoth("nledHomeTimeouts"), "0");
        type({"h"});
        QTRY_VERIFY(notice().contains("No home timeouts left."));
        QCOMPARE(captionOnBoth("lblJamCaption"), "Lineup");
        QCOMPARE(onBoth("nledHomeTimeouts"), "0");
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // E calls the home team's official review, W the visitors'; each takes its team's review.
        type({"e"});
        QTRY_COMPARE(captionOnBoth("lblJamCaption"), "Home Review");
        QCOMPARE(onBoth("nledHomeReviews"), "0");
        QCOMPARE(onBoth("nledVisitorReviews"), "1");
        type({"w"});
        QTRY_COMPARE(captionOnBoth("lblJamCaption"), "Visitor Review");
        QCOMPARE(onBoth("nledVisitorReviews"), "0");

        // Off again, the boards are the plain ones.
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = false; });
        QVERIFY(!audience()->findChild<QWidget *>("nledJamNumber")->isVisible());
        QVERIFY(!m_board->findChild<QWidget *>("lblJamCaption")->isVisible());
    }

    // The key hides the board and shows it again on its screen; an operator's board left on the
    // projector meanwhile moves off it, and keeps the keyboard.
    // A picture whose file comes back (a stick plugged in again) shows on the projector too.
    void returningPictureShowsOnTheProjector()
    {
        QTemporaryDir files;
        const QString later = files.filePath("later.png");
        Settings::instance().edit([&](SettingsModel &m) { m.VisitorPic = later; });
        QTest::qWait(PictureReturnWatch::LookEveryMs);
        QVERIFY(QImage(30, 20, QImage::Format_RGB32).save(later));
        QTRY_VERIFY_WITH_TIMEOUT(
                !audience()->findChild<Image *>("imgVisitorPic")->Picture().isNull(),
                4 * PictureReturnWatch::LookEveryMs);

        // Gone while the boards show it, the operator's board keeps it, and an audience board
        // made again meanwhile (hidden and shown) finds nothing: it shows once the file is back.
        QVERIFY(QFile::rename(later, later + ".away"));
        type({"F8"});
        QTRY_VERIFY(!audience());
        type({"F8"});
        QTRY_VERIFY(audience());
        QVERIFY(audience()->findChild<Image *>("imgVisitorPic")->Picture().isNull());
        QVERIFY(!m_board->findChild<Image *>("imgVisitorPic")->Picture().isNull());
        QVERIFY(QFile::rename(later + ".away", later));
        QTRY_VERIFY_WITH_TIMEOUT(
                !audience()->findChild<Image *>("imgVisitorPic")->Picture().isNull(),
                4 * PictureReturnWatch::LookEveryMs);

        // Found damaged by a board made again meanwhile, then put back as it was, times and all
        // (a copy that keeps them): both boards show it again.
        QFile file(later);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        const QDateTime written = QFileInfo(later).lastModified();
        const auto writeFile = [](const QString &path, const QByteArray &bytes) {
            QFile out(path);
            return out.open(QIODevice::WriteOnly | QIODevice::Truncate)
                    && out.write(bytes) == bytes.size();
        };
        type({"F8"});
        QTRY_VERIFY(!audience());
        QVERIFY(writeFile(later, "\x89PNG\r\n\x1a\n cut short"));
        type({"F8"});
        QTRY_VERIFY(audience());
        QVERIFY(audience()->findChild<Image *>("imgVisitorPic")->Picture().isNull());
        QVERIFY(writeFile(later, whole));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        QTRY_VERIFY_WITH_TIMEOUT(
                !audience()->findChild<Image *>("imgVisitorPic")->Picture().isNull(),
                4 * PictureReturnWatch::LookEveryMs);
        QVERIFY(!m_board->findChild<Image *>("imgVisitorPic")->Picture().isNull());
    }

    void keyHidesAndShowsTheBoard()
    {
        type({"F8"});
        QTRY_VERIFY(!audience());
        m_board->move(2000, 40);
        QTRY_COMPARE(m_board->screen()->name(), "RIGHT");
        // Help opened there meanwhile comes off the projector with the board.
        type({"F1"});
        QTRY_VERIFY(help());
        type({"F8"});
        QTRY_VERIFY(audience() != nullptr);
        QCOMPARE(audience()->screen()->name(), "RIGHT");
        QTRY_COMPARE(m_board->screen()->name(), "LEFT");
        QVERIFY(m_board->screen()->availableGeometry().contains(m_board->frameGeometry()));
        QVERIFY(!help()->frameGeometry().intersects(audience()->geometry()));
        // Beside the board, where there is room for it, not over it.
        QVERIFY(!help()->frameGeometry().intersects(m_board->frameGeometry()));
        QCOMPARE(help()->screen()->name(), "LEFT");
        QCOMPARE(QApplication::activeWindow(), m_board.get());
        help()->close();
        QTRY_VERIFY(!help());

        // Help opens on the operator's screen too, and leaves the keyboard with the board.
        type({"F1"});
        QTRY_VERIFY(help());
        QVERIFY(!help()->frameGeometry().intersects(audience()->geometry()));
        QCOMPARE(QApplication::activeWindow(), m_board.get());
        help()->close();

        // Help left on the projector beside a board at the right of its screen goes to the
        // board's left, where the room is.
        type({"F8"});
        QTRY_VERIFY(!audience());
        const QRect desk = m_board->screen()->availableGeometry();
        m_board->move(desk.right() - m_board->frameGeometry().width() - 10, desk.top() + 40);
        type({"F1"});
        QTRY_VERIFY(help());
        help()->move(2000, 40);
        QTRY_COMPARE(help()->screen()->name(), "RIGHT");
        type({"F8"});
        QTRY_VERIFY(audience() != nullptr);
        QTRY_COMPARE(help()->screen()->name(), "LEFT");
        QVERIFY(help()->frameGeometry().right() < m_board->frameGeometry().left());
        help()->close();
        QTRY_VERIFY(!help());

        // With less room beside a wide board than help is wide, help is narrowed into the room.
        type({"F8"});
        QTRY_VERIFY(!audience());
        m_board->resize(1400, 800);
        m_board->move(desk.center() - m_board->rect().center());
        type({"F1"});
        QTRY_VERIFY(help());
        help()->move(2000, 40);
        help()->resize(900, help()->height());
        QTRY_COMPARE(help()->screen()->name(), "RIGHT");
        const int room = std::max(m_board->frameGeometry().left() - desk.left(),
                                  desk.right() - m_board->frameGeometry().right());
        QVERIFY(help()->frameGeometry().width() > room);
        type({"F8"});
        QTRY_VERIFY(audience() != nullptr);
        QTRY_COMPARE(help()->screen()->name(), "LEFT");
        QTRY_VERIFY(!help()->frameGeometry().intersects(m_board->frameGeometry()));
        QVERIFY(desk.contains(help()->frameGeometry()));
        help()->close();
        QTRY_VERIFY(!help());
        m_board->resize(632, 453);

        // Closed by the window system, the board is gone: help opened on the projector's screen
        // stays there, beside the operator's board.
        audience()->close();
        m_board->move(2000, 40);
        QTRY_COMPARE(m_board->screen()->name(), "RIGHT");
        type({"F1"});
        QTRY_VERIFY(help());
        QCOMPARE(help()->screen()->name(), "RIGHT");
        help()->close();
    }

    void unpluggedProjectorClosesAndComesBack()
    {
        type({"j"});
        QTRY_VERIFY(m_board->bout()->jamEngine()->isRunning());
        tick(3000);
        plugProjector(false);
        QTRY_VERIFY(!audience());
        // The bout runs on, on the operator's board, which keeps the keyboard.
        tick(2000);
        QCOMPARE(shown(m_board.get(), "tledJam"), "1:55");
        type({"s", "4", "Return"});
        QTRY_VERIFY(!m_board->bout()->periodEngine()->isRunning());
        QTRY_COMPARE(shown(m_board.get(), "nledHomeScore"), "  4");
        // The key, pressed by reflex at the dark projector, keeps the board coming back and says
        // why it cannot show it; pressed again it still does not hide it.
        type({"F8", "F8"});
        QTRY_VERIFY(notice().contains("The audience board's screen RIGHT is not connected; the "
                                      "board opens there when it is."));
        QVERIFY(!audience());

        plugProjector(true);
        QTRY_VERIFY(audience() != nullptr);
        QCOMPARE(audience()->geometry(), QRect(1920, 0, 1280, 720));
        // The words that it is not connected go with it.
        QVERIFY(!notice().contains("not connected"));
        QCOMPARE(onBoth("tledJam"), "1:55");
        QCOMPARE(onBoth("nledHomeScore"), "  4");
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // A screen that is absent opens nothing, quietly.
        m_board.reset();
        Settings::instance().edit([&](SettingsModel &m) { m.AudienceScreen = "HDMI-9"; });
        QTest::failOnWarning(QRegularExpression("(?i)screen|audience|window"));
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QVERIFY(!audience());

        // With no screen chosen the key says where to choose one.
        Settings::instance().edit([&](SettingsModel &m) { m.AudienceScreen.clear(); });
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        type({"F8"});
        QTRY_VERIFY(notice().contains("No screen is chosen for the audience board"));
        QVERIFY(!audience());
    }

    // Help beside a board stretched over where the projector is then plugged in: the board comes
    // back onto the operator's screen, and help, which its new place would hide, goes beside it
    // again.
    void helpGoesBesideTheBoardBroughtBack()
    {
        plugProjector(false);
        QTRY_VERIFY(!audience());
        m_board->setGeometry(1300, 100, 900, 650);
        QTRY_COMPARE(m_board->geometry().topLeft(), QPoint(1300, 100));
        type({"F1"});
        QTRY_VERIFY(help());
        QVERIFY(!help()->frameGeometry().intersects(m_board->frameGeometry()));
        QTest::qWait(2 * AudienceBoard::MovedRestMs);

        plugProjector(true);
        QTRY_VERIFY(audience() && audience()->isVisible());
        QTRY_VERIFY(!m_board->frameGeometry().intersects(audience()->geometry()));
        QTRY_VERIFY2(!help()->frameGeometry().intersects(m_board->frameGeometry()),
                     qPrintable(QDebug::toString(help()->frameGeometry())
                                + QDebug::toString(m_board->frameGeometry())));
        QVERIFY(!help()->frameGeometry().intersects(audience()->geometry()));
        QCOMPARE(QApplication::activeWindow(), m_board.get());
        help()->close();
    }

    // The projector as the only screen (the operator's plugged in late, or gone): the board does
    // not open over the operator's and says why; the operator's screen added, it opens, and the
    // operator's board stands on the operator's screen, clear of it.
    void projectorAloneWaitsForTheDesk()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        for (const QString &name :
             QGuiApplication::screens() | std::views::transform(&QScreen::name))
            QVERIFY(run("xrandr", {"--delmonitor", name}));
        QVERIFY(run("xrandr", {"--setmonitor", "*RIGHT", "1280/338x720/190+1920+0", "screen"}));
        QTRY_VERIFY(QGuiApplication::screens().size() == 1
                    && QGuiApplication::screens().first()->name() == "RIGHT");
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        const QString alone = "The audience board's screen RIGHT is the only screen connected; "
                              "the board opens there when another one is.";
        QTRY_VERIFY(notice().contains(alone));
        QVERIFY(!audience());
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        type({"j", "F8"});
        QTRY_VERIFY(m_board->bout()->jamEngine()->isRunning());
        QTRY_VERIFY(notice().contains(alone));
        QVERIFY(!audience());

        QVERIFY(run("xrandr", {"--setmonitor", "LEFT", "1920/508x1080/286+0+0", "none"}));
        QTRY_VERIFY(audience() && audience()->geometry() == QRect(1920, 0, 1280, 720));
        // Said so no longer.
        QTRY_VERIFY(!notice().contains(alone));
        QTRY_VERIFY(!m_board->frameGeometry().intersects(audience()->geometry()));
        QVERIFY(m_board->bout()->jamEngine()->isRunning());

        // The operator's screen gone again: the board closes rather than cover the operator's,
        // says why, and the operator's board, left where that screen was, comes onto the one
        // that is left.
        type({"F1"});
        QTRY_VERIFY(help() && help()->isVisible());
        QVERIFY(run("xrandr", {"--delmonitor", "LEFT"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
        QTRY_VERIFY(!audience());
        QTRY_VERIFY(notice().contains(alone));
        QVERIFY(m_board->isVisible());
        const QRect right(1920, 0, 1280, 720);
        QTRY_VERIFY(right.contains(m_board->frameGeometry().center()));
        // Help comes beside the board, narrowed to the room there, not over it.
        QTRY_VERIFY(right.contains(help()->frameGeometry().center()));
        QVERIFY2(!help()->frameGeometry().intersects(m_board->frameGeometry()),
                 qPrintable(QDebug::toString(help()->frameGeometry())
                            + QDebug::toString(m_board->frameGeometry())));
        help()->close();
    }

    // The operator's own screen gone for a moment (its cable loose) and back: the operator's
    // board stays on it, and Options and the New Bout question open there, not on the projector.
    void operatorScreenBack()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        QTRY_VERIFY(audience());
        QVERIFY(run("xrandr", {"--delmonitor", "LEFT"}));
        QTRY_VERIFY(!audience());
        QVERIFY(run("xrandr", {"--setmonitor", "LEFT", "1920/508x1080/286+0+0", "screen"}));
        QTRY_VERIFY(audience() && audience()->geometry() == QRect(1920, 0, 1280, 720));
        const QRect projector = audience()->geometry();
        QTRY_VERIFY(!m_board->frameGeometry().intersects(projector));
        QCOMPARE(m_board->screen()->name(), "LEFT");

        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        QRect options, question;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            (modal->objectName() == "frmOptions" ? options : question) = modal->frameGeometry();
            modal->close();
        });
        answer.start(20);
        type({"F2"});
        QTRY_VERIFY(!options.isNull());
        QVERIFY2(!options.intersects(projector), qPrintable(QDebug::toString(options)));
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 78; });
        type({"n"});
        QTRY_VERIFY(!question.isNull());
        QVERIFY2(!question.intersects(projector), qPrintable(QDebug::toString(question)));
    }

    // The operator's board moved onto the projector while the board shows there goes back to
    // the operator's screen, and Options then opens there too.
    void operatorBoardMovedOntoTheProjector()
    {
        QTRY_VERIFY(audience());
        const QRect projector = audience()->geometry();
        m_board->move(projector.topLeft() + QPoint(200, 100));
        QTRY_VERIFY(!m_board->frameGeometry().intersects(projector));
        QTRY_COMPARE(m_board->screen()->name(), "LEFT");
        QVERIFY(audience() && audience()->geometry() == projector);
        // Stretched across the projector's edge, and wider than the operator's screen.
        for (const int width : {1600, 2600}) {
            m_board->setGeometry(600, 100, width, 600);
            QTRY_VERIFY(!m_board->frameGeometry().intersects(projector));
            QVERIFY(m_board->width() >= qMin(width, 1900));
        }
        // Help dragged or stretched onto the projector comes back as well.
        m_board->setGeometry(100, 100, 1200, 860);
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        type({"F1"});
        QTRY_VERIFY(help());
        help()->move(projector.topLeft() + QPoint(100, 100));
        QTRY_VERIFY(!help()->frameGeometry().intersects(projector));
        QTRY_COMPARE(help()->screen()->name(), "LEFT");
        help()->setGeometry(1500, 100, 700, 500);
        QTRY_VERIFY(!help()->frameGeometry().intersects(projector));
        QVERIFY(!help()->frameGeometry().intersects(m_board->frameGeometry()));
        // Stretched taller than the operator's screen too, it comes back within it.
        const QRect desk = m_board->screen()->availableGeometry();
        help()->setGeometry(1500, 0, 700, 1300);
        QTRY_VERIFY(!help()->frameGeometry().intersects(projector));
        QVERIFY2(desk.contains(help()->frameGeometry()),
                 qPrintable(QDebug::toString(help()->frameGeometry())));
        // With no room beside a board as wide as the screen, it comes back onto the operator's
        // screen all the same.
        for (const int width : {1920, 1850}) {
            m_board->setGeometry(0, 90, width, 900);
            QTRY_VERIFY(m_board->geometry() == QRect(0, 90, width, 900));
            QTest::qWait(2 * AudienceBoard::MovedRestMs);
            help()->setGeometry(300, 100, 640, 480);
            QTest::qWait(2 * AudienceBoard::MovedRestMs);
            help()->move(projector.topLeft() + QPoint(380, 100));
            QTest::qWait(4 * AudienceBoard::MovedRestMs);
            QVERIFY2(desk.contains(help()->frameGeometry()),
                     qPrintable(QDebug::toString(help()->frameGeometry())));
        }
        m_board->setGeometry(100, 100, 1200, 860);
        // Moved about on the operator's screen, it stays where it is put.
        help()->move(40, 40);
        QTest::qWait(2 * AudienceBoard::MovedRestMs);
        QCOMPARE(help()->pos(), QPoint(40, 40));
        help()->close();
    }

    // Help opened from the start-up window before there was a board, and Options, dragged onto
    // the projector go back as help opened with F1 does.
    void otherWindowsMovedOntoTheProjector()
    {
        m_board.reset();
        QWidget startUp;
        startUp.setGeometry(100, 100, 400, 300);
        startUp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&startUp));
        frmHelp::showHelp(&startUp);
        QTRY_VERIFY(help());
        startUp.hide();
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(100, 100, 1200, 860);
        m_board->show();
        QTRY_VERIFY(audience());
        const QRect projector = audience()->geometry();
        help()->move(projector.topLeft() + QPoint(100, 100));
        QTRY_VERIFY(!help()->frameGeometry().intersects(projector));
        help()->close();

        // Options, and the New Bout question, dragged there from within their own loops. With
        // no room for Options beside the board, it comes back to the screen's edge on the side
        // with more room rather than over the middle of the board; the question, with room
        // there, right beside the board.
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 78; });
        for (const char *key : {"F2", "n"}) {
            // Nothing moved meanwhile still to be set right.
            QTest::qWait(2 * AudienceBoard::MovedRestMs);
            m_board->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
            bool moved = false, back = false;
            int looks = 0;
            QTimer drag;
            connect(&drag, &QTimer::timeout, this, [&] {
                QWidget *modal = QApplication::activeModalWidget();
                if (!modal || !modal->isVisible())
                    return;
                const QRect desk = m_board->screen()->availableGeometry();
                const QRect frame = modal->frameGeometry();
                const int besideBoard = m_board->frameGeometry().right() + 1;
                if (!std::exchange(moved, true))
                    modal->move(projector.topLeft() + QPoint(100, 100));
                else if ((back = desk.contains(frame)
                                  && (frame.width() > desk.right() + 1 - besideBoard
                                              ? frame.right() == desk.right()
                                              : frame.left() == besideBoard))
                         || ++looks > 100)
                    modal->close();
            });
            drag.start(50);
            type({key});
            QTRY_VERIFY(looks > 100 || (moved && !QApplication::activeModalWidget()));
            QVERIFY2(back, key);
        }

        // A window Options opens in turn (here the Reset Keys question), dragged there too.
        QTest::qWait(2 * AudienceBoard::MovedRestMs);
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        bool moved = false, back = false;
        int looks = 0, optionsLooks = 0;
        QTimer drag;
        connect(&drag, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            if (modal->objectName() == "frmOptions") {
                // Asked once Options, put beside the board as it opened, has been still long
                // enough for that move to be done with.
                if (++optionsLooks == 2 * AudienceBoard::MovedRestMs / 50)
                    QTimer::singleShot(0, modal->findChild<QPushButton *>("cmdResetKeys"),
                                       &QPushButton::click);
                else if (moved)
                    modal->close();
                return;
            }
            if (!std::exchange(moved, true))
                modal->move(projector.topLeft() + QPoint(100, 100));
            else if ((back = !modal->frameGeometry().intersects(projector)) || ++looks > 100)
                modal->close();
        });
        drag.start(50);
        type({"F2"});
        QTRY_VERIFY(looks > 100 || (moved && !QApplication::activeModalWidget()));
        QVERIFY(back);
    }

    // A projector that mirrors the operator's screen: the board would cover the operator's, so it
    // stays closed and says why, at start and at its key.
    void projectorMirroringTheDeskWaits()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen = "MIRROR"; });
        QVERIFY(setMonitors({"DESK", "1920/508x1080/286+0+0", "screen"},
                            {"MIRROR", "1920/508x1080/286+0+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        const QString over = "The audience board's screen MIRROR mirrors or overlaps the "
                             "operator's; the board opens there when the screens are set side by "
                             "side.";
        QTRY_VERIFY(notice().contains(over));
        QVERIFY(!audience());
        tick(9000);
        QTRY_VERIFY(!notice().contains(over));
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        type({"F8"});
        QTRY_VERIFY(notice().contains(over));
        QVERIFY(!audience());
    }

    // The operator's screen unplugged while the projector overlaps it: the projector is the only
    // one left, and the board says that, not what it said while the two overlapped.
    void projectorLeftAloneAfterOverlapping()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen = "BEAMER"; });
        QVERIFY(setMonitors({"BEAMER", "1280/338x720/190+600+0", "screen"},
                            {"LAPTOP", "1920/508x1080/286+0+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QTRY_VERIFY(notice().contains("BEAMER mirrors or overlaps"));
        QVERIFY(run("xrandr", {"--delmonitor", "LAPTOP"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
        QTRY_VERIFY(notice().contains("BEAMER is the only screen connected"));
        QVERIFY(!notice().contains("overlaps"));
        QVERIFY(!audience());
    }

    // A projector plugged in mid-bout set to mirror the operator's screen: the board stays
    // closed and says why, as it does at start.
    void projectorPluggedInOverTheDesk()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen = "CLONE"; });
        QVERIFY(setMonitors({"DESK", "1920/508x1080/286+0+0", "screen"},
                            {"SIDE", "1280/338x720/190+1920+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
        QVERIFY(run("xrandr", {"--delmonitor", "SIDE"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QVERIFY(!audience());
        QVERIFY(run("xrandr", {"--setmonitor", "CLONE", "1920/508x1080/286+0+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
        QTRY_VERIFY(notice().contains("The audience board's screen CLONE mirrors or overlaps the "
                                      "operator's"));
        QVERIFY(!audience());
    }

    // The same with a third screen apart from both: the projector still covers the operator's
    // board, so it waits, at start and when plugged in over it.
    void projectorOverTheDeskBesideAThirdScreen()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen = "TWIN"; });
        QVERIFY(setMonitors({"DESK", "1920/508x1080/286+0+0", "screen"},
                            {"THIRD", "1280/338x720/190+1920+0", "none"}));
        QVERIFY(run("xrandr", {"--setmonitor", "TWIN", "1920/508x1080/286+0+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 3);
        const QString over = "The audience board's screen TWIN mirrors or overlaps the operator's";
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(100, 100, 1200, 860);
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QTRY_VERIFY(notice().contains(over));
        QVERIFY(!audience());

        QVERIFY(run("xrandr", {"--delmonitor", "TWIN"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
        tick(9000);
        QTRY_VERIFY(!notice().contains(over));
        QVERIFY(run("xrandr", {"--setmonitor", "TWIN", "1920/508x1080/286+0+0", "none"}));
        QTRY_COMPARE(QGuiApplication::screens().size(), 3);
        QTRY_VERIFY(notice().contains(over));
        QVERIFY(!audience());
        QVERIFY(m_board->isVisible());

        // The operator's board moved to the third screen: the projector opens; moved back over
        // the desk, it closes again and says why.
        m_board->move(1920 + 100, 100);
        QTRY_VERIFY(audience() && audience()->isVisible());
        QCOMPARE(audience()->screen()->name(), "TWIN");
        tick(9000);
        QTRY_VERIFY(!notice().contains(over));
        m_board->move(100, 100);
        QTRY_VERIFY(!audience());
        QTRY_VERIFY(notice().contains(over));
    }

    // The screens in an open Options window follow the projector plugged out and in; the
    // choice stays.
    void optionsListFollowsTheScreens()
    {
        frmOptions options;
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        auto *list = options.findChild<QComboBox *>("cmbAudienceScreen");
        QVERIFY(list);
        const auto entries = [list] {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
            // In the order Qt has the screens, which tests before may have changed.
            texts.sort();
            return texts;
        };
        QCOMPARE(entries(), QStringList({"LEFT (1920 x 1080)", "RIGHT (1280 x 720)", "none"}));
        QCOMPARE(list->currentText(), "RIGHT (1280 x 720)");
        plugProjector(false);
        QTRY_COMPARE(entries(),
                     QStringList({"LEFT (1920 x 1080)", "RIGHT (not connected)", "none"}));
        QCOMPARE(list->currentText(), "RIGHT (not connected)");
        plugProjector(true);
        QTRY_COMPARE(entries(), QStringList({"LEFT (1920 x 1080)", "RIGHT (1280 x 720)", "none"}));
        QCOMPARE(list->currentText(), "RIGHT (1280 x 720)");
    }

    // With the projector as the primary screen, at the desktop's origin where a new window lands
    // unless placed, help and Options still open on the operator's screen, also while the
    // audience board is hidden.
    void operatorWindowsStayOffAPrimaryProjector()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        QVERIFY(setMonitors({"*BEAMER", "1280/338x720/190+0+0", "none"},
                            {"DESK", "1920/508x1080/286+1280+0", "screen"}));
        const QRect projector(0, 0, 1280, 720);
        QTRY_VERIFY(QGuiApplication::primaryScreen()->name() == "BEAMER"
                    && QGuiApplication::primaryScreen()->geometry() == projector
                    && QGuiApplication::screens().size() == 2);
        Settings::instance().edit([&](SettingsModel &m) { m.AudienceScreen = "BEAMER"; });
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(1380, 100, 1200, 860);
        m_board->show();
        QTRY_COMPARE(m_board->screen()->name(), "DESK");
        QTRY_VERIFY(audience() && audience()->geometry() == projector);
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));

        for (const bool audienceShown : {true, false}) {
            if (!audienceShown) {
                type({"F8"});
                QTRY_VERIFY(!audience());
            }
            type({"F1"});
            QTRY_VERIFY(help());
            QVERIFY(QTest::qWaitForWindowExposed(help()));
            QCOMPARE(help()->screen()->name(), "DESK");
            QVERIFY(!help()->frameGeometry().intersects(projector));
            help()->close();
            QTRY_VERIFY(!help());

            QRect options;
            QTimer answer;
            connect(&answer, &QTimer::timeout, this, [&options] {
                if (QWidget *modal = QApplication::activeModalWidget();
                    modal && modal->objectName() == "frmOptions" && modal->isVisible()) {
                    options = modal->frameGeometry();
                    modal->close();
                }
            });
            answer.start(20);
            type({"F2"});
            QTRY_VERIFY(!options.isNull());
            QVERIFY2(!options.intersects(projector), qPrintable(QDebug::toString(options)));
        }
    }

    // A projector at a scale of its own (CMakeLists gives CLONE twice the pixels): the board
    // fills it, pixel for pixel, all the same, and Options names it by its pixels.
    void fillsAProjectorAtAScaleOfItsOwn()
    {
        const auto asBefore = qScopeGuard([this] { restoreMonitors(); });
        m_board.reset();
        QVERIFY(setMonitors({"*DESK", "1920/508x1080/286+0+0", "screen"},
                            {"CLONE", "1280/338x720/190+1920+0", "none"}));
        QTRY_VERIFY(QGuiApplication::screens().size() == 2
                    && QGuiApplication::screens().constLast()->name() == "CLONE");
        Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen = "CLONE"; });
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QTRY_VERIFY(audience());
        QVERIFY(QTest::qWaitForWindowExposed(audience()));
        QByteArray window;
        QVERIFY(run("xwininfo", {"-id", QString::number(audience()->winId())}, &window));
        QVERIFY2(window.contains("Width: 1280\n") && window.contains("Height: 720\n"),
                 window.constData());
        frmOptions options;
        auto *list = options.findChild<QComboBox *>("cmbAudienceScreen");
        QVERIFY(list);
        QCOMPARE(list->currentText(), "CLONE (1280 x 720)");
        QCOMPARE(list->itemText(list->findData("DESK")), "DESK (1920 x 1080)");
    }
};

QTEST_MAIN(TestAudienceX11)
#include "tst_audience_x11.moc"
