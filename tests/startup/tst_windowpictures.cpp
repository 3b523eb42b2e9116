// What each window shows, pixel for pixel: every window drawn in a fixed state and compared with
// its picture in pictures/. A change anyone could see (a layout, an alignment, a wrap, a size, a
// colour, a coordinate of the board's design) fails, naming the window, how many pixels changed
// and where. CORVANTA_PICTURES_UPDATE=1 writes the pictures instead of comparing: the start-up
// window's is renewed with each version it shows, help's with a new start of the manual.
//
// The same pixels on every run and machine: the offscreen platform at 96 dpi, the Fusion style, a
// home folder of the test's own (no user font settings), the fonts of fonts-dejavu-core and
// fonts-liberation (checked first), a clock that stands still, a sound device that never answers.

#include "bout.h"
#include "boutconstants.h"
#include "clocksource.h"
#include "commandtable.h"
#include "frmaudience.h"
#include "frmchoosekey.h"
#include "frmhelp.h"
#include "frmoptions.h"
#include "frmscoreboard.h"
#include "frmsplash.h"
#include "helplayoutpacer.h"
#include "mmcontrol.h"
#include "recordingsound.h"
#include "settings.h"
#include "settingsstore.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace {

constexpr qint64 kSecond = BoutConstants::TicksPerSecond;

// A bout in its second period, every clock stopped, two penalty clocks set (three with the game
// flow, which shows the jammers' seats); the clock switch off, so no time of day.
void fixBout(Bout *bout)
{
    bout->setPeriodTime(754 * kSecond);
    bout->setJamTime(67 * kSecond + 3000);
    bout->setPenaltyTime(0, 45 * kSecond);
    bout->setPenaltyTime(3, 90 * kSecond);
    bout->setNumber(Bout::HomeScore, 87);
    bout->setNumber(Bout::VisitorScore, 142);
    bout->setNumber(Bout::PeriodNumber, 2);
    if (bout->gameFlow()) {
        bout->setPenaltyTime(4, 20 * kSecond);
        bout->setNumber(Bout::JamNumber, 12);
        bout->setNumber(Bout::HomeTimeouts, 2);
        bout->setNumber(Bout::VisitorReviews, 0);
    }
}

// Shows the window and lets it settle: exposed, active where it takes the focus, laid out and
// painted.
bool settle(QWidget *window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    const bool activates = !window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)
            && !window->testAttribute(Qt::WA_ShowWithoutActivating);
    if (activates && !QTest::qWaitForWindowActive(window))
        return false;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}

} // namespace

class TestWindowPictures : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<frmScoreboard> m_board;
    std::unique_ptr<QTemporaryDir> m_out;

    QString outFolder()
    {
        if (qEnvironmentVariableIsSet("CORVANTA_PICTURES_OUT"))
            return qEnvironmentVariable("CORVANTA_PICTURES_OUT");
        if (!m_out) {
            m_out = std::make_unique<QTemporaryDir>();
            m_out->setAutoRemove(false);
        }
        return m_out->path();
    }

    // The window of the row in its state, not yet shown.
    QWidget *make(const QString &window, int state, QSize size)
    {
        if (window == "frmScoreboard" || window == "frmAudience") {
            m_board = std::make_unique<frmScoreboard>();
            fixBout(m_board->bout());
            if (state == 1)
                m_board->bout()->officialTimeout();
            m_board->RefreshTime();
            QWidget *board = m_board.get();
            if (window == "frmAudience")
                m_window.reset(board = new frmAudience(m_board->bout(), nullptr));
            board->resize(size);
            return board;
        }
        if (window == "frmOptions") {
            auto *options = new frmOptions;
            options->findChild<QTabWidget *>("SSTab1")->setCurrentIndex(state);
            options->resize(1200, 900); // as by a drag of its edge: it keeps its own size
            m_window.reset(options);
        } else if (window == "frmChooseKey") {
            QList<int> held;
            for (const CommandKey &row : commandTable())
                held << settings().*row.field;
            const CommandKey &jam = commandKey(Command::StartStopJamClock);
            auto *dialog
                    = new frmChooseKey(QLatin1String(jam.purpose), settings().*jam.field, held);
            dialog->beep = nullptr;
            if (state == 1) // another command's key, refused
                dialog->Form_KeyDown(settings().ResetJamClockKey);
            m_window.reset(dialog);
        } else if (window == "frmSplash") {
            auto *splash = new frmSplash;
            splash->Form_Load(QString());
            m_window.reset(splash);
        } else {
            m_window.reset(frmHelp::showHelp());
        }
        return m_window.get();
    }

    // Help's manual read and laid out whole.
    static bool laidOut(frmHelp *help)
    {
        const auto *pacer = help->box()->document()->findChild<HelpLayoutPacer *>();
        return !help->isLoading() && (!pacer || pacer->isComplete());
    }

private slots:
    void initTestCase()
    {
        ClockSource::setCurrent(&m_clock);
        MMControl::setBackendFactory([] { return std::make_unique<RecordingSound>(); });
        // The faces the windows ask for, as the installed packages give them.
        const std::pair<QString, QString> faces[]
                = {{"Arial", "Liberation Sans"},
                   {"Times New Roman", "Liberation Serif"},
                   {QApplication::font().family(), "DejaVu Sans"}};
        for (const auto &[asked, given] : faces)
            QCOMPARE(QFontInfo(QFont(asked)).family(), given);
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        Settings::instance().edit([](SettingsModel &m) {
            // Every colour its own, so that each shows where it is used.
            m.TimeColor = 0x0000D0FF;
            m.LEDBack = 0x00300808;
            m.ScoreColor = 0x004040FF;
            m.PeriodColor = 0x0040E040;
            m.FormBack = 0x00603820;
            m.LEDSelected = 0x0000FFFF;
            m.BorderColor = 0x00C0C0C0;
            m.HomeColor = 0x00FFC040;
            m.VisitorColor = 0x00A080FF;
            m.LEDSelectedWidth = 3;
            m.TitleText = "Harbour Roller Derby";
            m.HomeText = "Harbour Hellcats";
            m.VisitorText = "Iron Valkyries";
            // Paths shown as they are, wherever the build is.
            m.BuzzerFile = "/usr/share/corvanta/buzzer.wav";
            m.PeriodEndSoundFile = "/usr/share/corvanta/periodendsound.wav";
        });
    }

    void cleanup()
    {
        m_window.reset();
        m_board.reset();
    }

    void windowLooksAsItsPicture_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("state");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("gameFlow");
        QTest::addColumn<int>("ledType");
        for (const QSize size : {QSize(1280, 720), QSize(1024, 768)}) {
            for (const int ledType : {0, 1}) {
                for (const bool flow : {false, true}) {
                    QTest::addRow("scoreboard-%dx%d-%s%s", size.width(), size.height(),
                                  ledType ? "dots" : "lines", flow ? "-flow" : "")
                            << "frmScoreboard" << 0 << size << flow << ledType;
                }
            }
        }
        // An official timeout: its name over the jam's slot.
        QTest::newRow("scoreboard-1280x720-lines-flow-timeout")
                << "frmScoreboard" << 1 << QSize(1280, 720) << true << 0;
        QTest::newRow("audience-1280x720-lines-flow")
                << "frmAudience" << 0 << QSize(1280, 720) << true << 0;
        for (int tab = 0; tab < 6; ++tab)
            QTest::addRow("options-tab%d", tab) << "frmOptions" << tab << QSize() << false << 0;
        QTest::newRow("choosekey-asking") << "frmChooseKey" << 0 << QSize() << false << 0;
        QTest::newRow("choosekey-refused") << "frmChooseKey" << 1 << QSize() << false << 0;
        QTest::newRow("splash") << "frmSplash" << 0 << QSize() << false << 0;
        QTest::newRow("help") << "frmHelp" << 0 << QSize() << false << 0;
    }

    void windowLooksAsItsPicture()
    {
        QFETCH(QString, window);
        QFETCH(int, state);
        QFETCH(QSize, size);
        QFETCH(bool, gameFlow);
        QFETCH(int, ledType);
        Settings::instance().edit([&](SettingsModel &m) {
            m.GameFlow = gameFlow;
            m.LEDType = qint16(ledType);
        });
        QWidget *shown = make(window, state, size);
        QVERIFY2(settle(shown), qPrintable(window + " did not show"));
        if (auto *help = qobject_cast<frmHelp *>(shown))
            QTRY_VERIFY_WITH_TIMEOUT(laidOut(help), 20000);
        const QImage got = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);

        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const QString reference = QStringLiteral(CORVANTA_PICTURES "/%1.png").arg(name);
        if (qEnvironmentVariableIntValue("CORVANTA_PICTURES_UPDATE") == 1) {
            QVERIFY2(got.save(reference, "PNG", 0), qPrintable(reference)); // smallest file
            return;
        }
        const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!expected.isNull(), qPrintable("no picture " + reference));
        if (got == expected)
            return;

        // Where they differ, red over the expected picture dimmed; outside either, all differs.
        const QSize whole = got.size().expandedTo(expected.size());
        QImage difference(whole, QImage::Format_RGB32);
        QRect box;
        int count = 0;
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                const bool inExpected = expected.rect().contains(x, y);
                const bool same = inExpected && got.rect().contains(x, y)
                        && got.pixel(x, y) == expected.pixel(x, y);
                const int grey = inExpected ? qGray(expected.pixel(x, y)) / 3 : 0;
                difference.setPixel(x, y, same ? qRgb(grey, grey, grey) : qRgb(255, 0, 0));
                if (!same) {
                    ++count;
                    box |= QRect(x, y, 1, 1);
                }
            }
        }
        const QString folder = outFolder();
        got.save(folder + "/" + name + "-got.png");
        difference.save(folder + "/" + name + "-difference.png");
        QFAIL(qPrintable(QString::asprintf(
                "%s (%s): %d pixels differ from its picture within x %d-%d, y %d-%d (drawn %dx%d, "
                "expected %dx%d); both written to %s",
                qPrintable(window), qPrintable(name), count, box.left(), box.right(), box.top(),
                box.bottom(), got.width(), got.height(), expected.width(), expected.height(),
                qPrintable(folder))));
    }
};

int main(int argc, char **argv)
{
    // Nothing of the user's or the desktop's reaches the pixels.
    for (const char *name :
         {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_STYLE_OVERRIDE",
          "QT_QPA_PLATFORMTHEME", "QT_ENABLE_HIGHDPI_SCALING"})
        qunsetenv(name);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    TestWindowPictures test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowpictures.moc"
