#include "boardlock.h"
#include "frmoptions.h"
#include "frmscoreboard.h"
#include "frmsplash.h"
#include "image.h"
#include "label.h"
#include "notice.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"
#include "version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Answers every message box that comes up while it lives, as an operator would read and close it,
// and keeps the texts.
struct MessageCatcher
{
    MessageCatcher()
    {
        timer.callOnTimeout([this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                texts.append(box->text());
                box->done(QMessageBox::Ok);
            }
        });
        timer.start(5);
    }
    QStringList texts;
    QTimer timer;
};

// The header of a picture of 20000 x 20000 pixels, none of its pixels: a picture reader learns the
// size from this alone.
static const QByteArray hugePicture("P6 20000 20000 255\n");

// Start-up and the files it reads. The start-up window opens the scoreboard at a click or at
// once for "bypass", Options and Help over it.
//
// A damaged or unwritable settings store. A strict key holding something that is not a number of
// its width ends start-up with a message that names it, and leaves the file as it was; a store
// that cannot be written at OK of the Options window is reported there, and the new settings hold
// for the rest of the run.
//
// Pictures that go wrong: deleted, overwritten or far too large. The scoreboard leaves the frame
// empty without a word and goes on; the stored path is kept, so the picture returns when its file
// does; the Options window says when a chosen file cannot be shown and keeps the one before.
class TestStartup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static bool shows(const QWidget &window, const char *image)
    {
        return !window.findChild<Image *>(image)->Picture().isNull();
    }
    QString goodPicture(const QString &name)
    {
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(name);
        return picture.save(path, "BMP") ? path : QString();
    }
    static QByteArray storeBytes()
    {
        QFile file(settingsFileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QWidget *window(const char *name)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name)
                return w;
        }
        return nullptr;
    }

private slots:
    void cleanup()
    {
        const QString folder = QFileInfo(settingsFileName()).absolutePath();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(folder);
        QDir(folder).removeRecursively();
        for (QWidget *w : QApplication::topLevelWidgets())
            delete w;
    }

    void commandLine()
    {
        // Only the one word, as it is, skips the start-up window.
        for (const char *line : {"Bypass", "bypass now", ""}) {
            frmSplash splash;
            QVERIFY(splash.Form_Load(line));
            QVERIFY(!splash.isGone());
            QVERIFY(!window("frmScoreboard"));
        }
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load("bypass"));
        QVERIFY(splash->isGone());
        QVERIFY(window("frmScoreboard")->isVisible());
        QCOMPARE(window("frmScoreboard")->windowTitle(), "Corvanta");
        QTRY_VERIFY(splash.isNull());
        delete window("frmScoreboard");

        // A left click on the window's own edge, around its frame, goes on as well; a right
        // click there or on what the frame holds does not.
        splash = new frmSplash;
        QVERIFY(splash->Form_Load(""));
        splash->show();
        QTest::mouseClick(splash, Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(splash->findChild<QLabel *>("Label2"), Qt::RightButton);
        QVERIFY(!splash->isGone());
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(splash->isGone());
        QVERIFY(window("frmScoreboard")->isVisible());
    }

    // One board per data folder: the folder is refused to a second lock while the first holds
    // it and free again once the first is gone, other folders are apart, and a folder where no
    // lock file can be made keeps no board from starting, nor a second one from being refused. A
    // later copy's word brings the board that runs out of its minimised state, with the keys, and
    // has it say why.
    void oneBoardPerFolder()
    {
        // The board's socket lies in the temporary folder; this test's own, to find it there.
        const QByteArray tmp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([tmp] { qputenv("TMPDIR", tmp); });
        QVERIFY(QDir(m_dir.path()).mkpath("tmp"));
        qputenv("TMPDIR", m_dir.filePath("tmp").toUtf8());
        auto first = std::make_unique<BoardLock>(m_dir.filePath("one"));
        QVERIFY(first->acquire());
        BoardLock second(m_dir.filePath("one")), other(m_dir.filePath("two"));
        QVERIFY(!second.acquire());
        QVERIFY(other.acquire());
        // Held all the same where the lock file is removed meanwhile, or cannot be made.
        QVERIFY(QFile::remove(first->lockFilePath()));
        QVERIFY(!BoardLock(m_dir.filePath("one")).acquire());
        BoardLock withoutFile("/proc/corvanta");
        QVERIFY(withoutFile.acquire());
        QVERIFY(!BoardLock("/proc/corvanta").acquire());
        // Only the user who started the board may reach it through its socket.
        const QFileInfoList sockets
                = QDir(QDir::tempPath()).entryInfoList({"corvanta-board-*"}, QDir::System);
        QVERIFY(!sockets.isEmpty());
        for (const QFileInfo &socket : sockets)
            QCOMPARE(socket.permissions()
                             & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                 | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                     QFile::Permissions());

        // Before the scoreboard is up, the start-up window comes out of its minimised state.
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load(QString()));
        splash->showMinimized();
        second.handOver();
        QTRY_VERIFY(!(splash->windowState() & Qt::WindowMinimized));
        splash->GoScore();
        QWidget *board = window("frmScoreboard");
        board->showMinimized();
        // Another window was given the keys meanwhile: the board takes them back.
        QWidget elsewhere;
        elsewhere.show();
        QTRY_COMPARE(QApplication::activeWindow(), &elsewhere);
        second.handOver();
        QTRY_COMPARE(board->findChild<Notice *>()->text(), "Corvanta is already running.");
        QVERIFY(!(board->windowState() & Qt::WindowMinimized));
        QTRY_COMPARE(QApplication::activeWindow(), board);

        // A board that answers is not waited for. One that is closing answers no more, from
        // the moment its close begins (before it saves the bout, which may wait): a start
        // meanwhile waits for it to end, and holds the folder then.
        QVERIFY(!second.waitForClosingBoard());
        QWidget closing;
        closing.setObjectName("frmScoreboard");
        QCloseEvent close;
        QApplication::sendEvent(&closing, &close);
        QTimer::singleShot(300, this, [&first] { first.reset(); });
        QVERIFY(second.waitForClosingBoard());
        QVERIFY(!first);
        QVERIFY(!BoardLock(m_dir.filePath("one")).acquire());
    }

    void clicksGoOnButButtonsDoNot()
    {
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load(QString()));
        QCOMPARE(splash->size(), QSize(416, 216));
        // Named in the task bar and the window lists, though it has no title bar.
        QCOMPARE(splash->windowTitle(), "Corvanta");
        // Centred as if it were 392 pixels high.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(splash->pos(), QPoint((screen.width() - 416) / 2, (screen.height() - 392) / 2));
        QCOMPARE(splash->findChild<QLabel *>("lblVersion")->text(),
                 QString("Version ") + CORVANTA_VERSION);
        QVERIFY(!splash->findChild<QLabel *>("picLogo")->pixmap().isNull());
        // Every part where it is laid out, with its text in its face and size, fitting there.
        const struct
        {
            const char *name;
            QRect twips;
            const char *text; // nullptr: none to compare
            qreal points; // 0: the window's own small face
        } parts[] = {{"frameSplash", {120, 0, 6000, 3120}, nullptr, 0},
                     {"lblName", {120, 240, 5775, 735}, "Corvanta", 21.75},
                     {"lblMadeBy", {4200, 840, 1575, 255}, "by Quillmark", 0},
                     {"picLogo", {300, 960, 1905, 1875}, nullptr, 0},
                     {"lblClick", {2520, 1080, 1335, 255}, "Click to continue.", 0},
                     {"lblVersion", {3600, 1080, 2175, 375}, nullptr, 15.75},
                     {"Label1",
                      {2640, 1680, 3255, 255},
                      "Press ' F1 ' to view Help from the scoreboard.",
                      0},
                     {"Label2",
                      {2640, 1920, 3255, 375},
                      "Press ' F2 ' to set Options from the scoreboard.",
                      0},
                     {"cmdHelp", {3120, 2520, 1215, 375}, "&Help", 0},
                     {"cmdOptions", {4560, 2520, 1215, 375}, "&Options", 0}};
        for (const auto &[name, twips, text, points] : parts) {
            const QWidget *part = splash->findChild<QWidget *>(name);
            QVERIFY2(part, name);
            QCOMPARE(part->geometry(), QRect(twips.topLeft() / 15, twips.size() / 15));
            QCOMPARE(part->font().family(), points ? "Times New Roman" : "Arial");
            QCOMPARE(part->font().pointSizeF(), points ? points : 7.5);
            if (text)
                QCOMPARE(part->property("text").toString(), text);
            if (const auto *label = qobject_cast<const QLabel *>(part)) {
                const QRect needed = label->fontMetrics().boundingRect(
                        label->rect(), Qt::TextWordWrap, label->text());
                QVERIFY2(label->rect().contains(needed), name);
            }
        }
        for (const char *button : {"cmdHelp", "cmdOptions"}) {
            const auto *push = splash->findChild<QPushButton *>(button);
            QVERIFY(!push->isDefault() && !push->autoDefault());
        }
        QCOMPARE(splash->findChildren<QLabel *>().size(), 7);
        QCOMPARE(window("frmSplash"), splash.data());
        splash->show();
        // Tab goes from Help to Options to the logo, and round again.
        splash->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(splash));
        QWidget *stop = splash->findChild<QPushButton *>("cmdHelp");
        stop->setFocus();
        for (const char *next : {"cmdOptions", "picLogo", "cmdHelp"}) {
            QTest::keyClick(stop, Qt::Key_Tab);
            stop = QApplication::focusWidget();
            QCOMPARE(stop ? stop->objectName() : QString(), next);
        }
        // Enter presses the focused button, as Space does; held, it presses it once.
        QTest::keyClick(stop, Qt::Key_Return);
        QWidget *help = window("frmHelp");
        QVERIFY(help && help->isVisible());
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window("frmHelp"));
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, QString(), true);
        QApplication::sendEvent(stop, &held);
        QVERIFY(!window("frmHelp"));
        QTest::keyClick(stop, Qt::Key_Enter, Qt::KeypadModifier);
        help = window("frmHelp");
        QVERIFY(help && help->isVisible());
        QVERIFY(!splash->isGone());

        // Enter held on Options opens it once: its repeats do not press the window's Ok.
        QWidget *optionsButton = splash->findChild<QPushButton *>("cmdOptions");
        optionsButton->setFocus();
        bool stayed = false;
        QTimer::singleShot(0, this, [&stayed] {
            auto *options = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            QVERIFY(options);
            QWidget *focused = options->focusWidget() ? options->focusWidget() : options;
            for (const quint64 at : {7200, 7230}) {
                for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
                    QKeyEvent held(type, Qt::Key_Return, Qt::NoModifier, 36, 0xff0d, 0, "\r");
                    held.setTimestamp(at);
                    QApplication::sendEvent(focused, &held);
                }
            }
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(focused, &repeat);
            // A default button pressed by Enter is clicked a moment later.
            QTest::qWait(300);
            stayed = QApplication::activeModalWidget() == options;
            if (stayed)
                options->findChild<QPushButton *>("cmdCancel")->click();
        });
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, 36, 0xff0d, 0, "\r");
        enter.setTimestamp(7000);
        QApplication::sendEvent(optionsButton, &enter);
        QVERIFY(stayed);

        // Options is modal and leaves the start-up window as it was.
        QTimer::singleShot(0, this, [] {
            auto *options = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            QVERIFY(options);
            options->findChild<QPushButton *>("cmdOk")->click();
        });
        QTest::mouseClick(splash->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        QVERIFY(!splash->isGone());
        QVERIFY(!window("frmScoreboard"));

        QTest::mouseClick(splash->findChild<QLabel *>("Label2"), Qt::LeftButton);
        QVERIFY(splash->isGone());
        QVERIFY(window("frmScoreboard")->isVisible());
        QTRY_VERIFY(splash.isNull());
        // The help window outlives the start-up window, and closes with the scoreboard.
        QVERIFY(help->isVisible());
        window("frmScoreboard")->close();
        QVERIFY(!help->isVisible());
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

        // What is told goes to the terminal too, for a board started where no one sees a box.
        QTemporaryFile terminal;
        QVERIFY(terminal.open());
        std::fflush(stderr);
        const int standardError = dup(STDERR_FILENO);
        dup2(terminal.handle(), STDERR_FILENO);
        bool loaded = true;
        MessageCatcher catcher;
        {
            frmSplash splash;
            loaded = splash.Form_Load("bypass");
        }
        std::fflush(stderr);
        dup2(standardError, STDERR_FILENO);
        close(standardError);
        QVERIFY(!loaded);
        QVERIFY(!window("frmScoreboard"));
        QCOMPARE(catcher.texts.size(), 1);
        const QString told = catcher.texts.first();
        QVERIFY2(told.contains(key) && told.contains('"' + text + '"')
                         && told.contains(settingsFileName()),
                 qPrintable(told));
        QVERIFY(terminal.seek(0));
        QVERIFY(QString::fromUtf8(terminal.readAll()).contains("corvanta: " + told));
        // Nothing repaired or rewritten: the operator's other settings are all still there.
        QCOMPARE(storeBytes(), before);
    }

    void unwritableStoreAtOk_data()
    {
        QTest::addColumn<QString>("reason"); // what the message says, from the system
        QTest::newRow("file is a folder") << QString("refers to a directory");
        QTest::newRow("folder is a file") << QString("is a file, not a folder");
        QTest::newRow("read-only folder") << QString("Permission denied");
        // Random bytes: replaced by a good file at OK, and nothing says otherwise; unless the disk
        // is full, when the damaged file must not pass for the new one.
        QTest::newRow("damaged file") << QString();
        QTest::newRow("damaged while open, disk full") << QString("File too large");
        // Room for the first few hundred bytes of the file only.
        QTest::newRow("disk fills partway") << QString("File too large");
    }

    void unwritableStoreAtOk()
    {
        QFETCH(QString, reason);
        const QString fault = QTest::currentDataTag();
        const QFileInfo file(settingsFileName());
        const auto damage = [] {
            QByteArray garbage(4 << 20, '\0');
            QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(garbage.data()),
                                           garbage.size() / 4);
            return QDir().mkpath(QFileInfo(settingsFileName()).absolutePath())
                    && writeFile(settingsFileName(), garbage);
        };
        if (fault == "file is a folder") {
            // Root writes through any permission, but not a file over a folder.
            QVERIFY(QDir().mkpath(file.absoluteFilePath() + "/kept"));
        } else if (fault == "folder is a file") {
            QDir().mkpath(QFileInfo(file.absolutePath()).absolutePath());
            QVERIFY(writeFile(file.absolutePath(), {}));
        } else if (fault == "damaged file") {
            QVERIFY(damage());
            QCOMPARE(testStore().status(), QSettings::FormatError);
        } else if (fault == "read-only folder") {
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
        rlimit fileSize;
        getrlimit(RLIMIT_FSIZE, &fileSize);
        if (fault == "damaged while open, disk full" || fault == "disk fills partway") {
            if (fault == "damaged while open, disk full")
                QVERIFY(damage());
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit full = {fault == "disk fills partway" ? 300u : 0u, fileSize.rlim_max};
            setrlimit(RLIMIT_FSIZE, &full);
        }
        options.findChild<QPushButton *>("cmdOk")->click();
        setrlimit(RLIMIT_FSIZE, &fileSize);
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
        QVERIFY(window("frmScoreboard"));
        QCOMPARE(window("frmScoreboard")->palette().color(QPalette::Window),
                 QColor(0x56, 0x34, 0x12));
        // A file there that could not be read is told on the board: its settings are not shown.
        const QString told = window("frmScoreboard")->findChild<Label *>("lblNotice")->Caption();
        if (fault == "file is a folder")
            QCOMPARE(told,
                     "The settings file cannot be read (it is a folder): Corvanta runs with "
                     "its original settings.");
        else if (fault == "damaged file")
            QCOMPARE(told,
                     "The settings file is damaged: what cannot be read in it is at its "
                     "original setting.");
        else
            QVERIFY2(!told.contains("settings file"), qPrintable(told));
        if (fault == "file is a folder")
            QVERIFY(QFileInfo(file.absoluteFilePath() + "/kept").isDir());
    }

    void pictureChangedBetweenRuns_data()
    {
        QTest::addColumn<QByteArray>("contents"); // none: deleted
        QTest::newRow("deleted") << QByteArray();
        QTest::newRow("replaced by garbage") << QByteArray(3000, 'Z');
        QTest::newRow("replaced by a picture too large to show") << hugePicture;
    }

    void pictureChangedBetweenRuns()
    {
        QFETCH(QByteArray, contents);
        const QString home = goodPicture("home.bmp");
        const QString board = goodPicture("board.bmp");
        QVERIFY(!home.isEmpty() && !board.isEmpty());
        {
            QSettings s = testStore();
            s.setValue("PicSettings/HomePic", home);
            s.setValue("PicSettings/BoardPic", board);
        }
        QVERIFY(contents.isEmpty() ? QFile::remove(home) : writeFile(home, contents));

        MessageCatcher catcher;
        LoadSettings();
        {
            frmScoreboard second;
            second.resize(1280, 720); // refits the pictures
            QTRY_VERIFY(shows(second, "imgBoardPic"));
            QVERIFY(!shows(second, "imgHomePic"));
        }
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(settings().HomePic, home);

        // The path survives an OK in the Options window, so the picture comes back with its file.
        frmOptions options;
        options.show();
        QVERIFY(!shows(options, "imgHomePicPreview"));
        QVERIFY(catcher.texts.isEmpty());
        // A picture too large to show, chosen there, is refused with a message that names it.
        const QString huge = m_dir.filePath("huge.ppm");
        QVERIFY(writeFile(huge, hugePicture));
        options.chooseFile = [huge](QWidget *, const QString &) { return huge; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        QTRY_COMPARE(catcher.texts.size(), 1);
        QVERIFY2(catcher.texts.first().contains(huge), qPrintable(catcher.texts.first()));
        QCOMPARE(options.HomePicTemp, home);
        // So is a named pipe or a folder under a picture's name, without waiting for a writer.
        const QString pipe = m_dir.filePath("pipe.png");
        QFile::remove(pipe);
        QVERIFY(mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        const QString folder = m_dir.filePath("folder.png");
        QVERIFY(QDir().mkpath(folder));
        for (const QString &chosen : {pipe, folder}) {
            options.chooseFile = [chosen](QWidget *, const QString &) { return chosen; };
            options.findChild<QPushButton *>("cmdChangeHomePic")->click();
            QTRY_VERIFY(catcher.texts.size() == 2);
            QCOMPARE(catcher.texts.takeLast(),
                     "The file " + chosen + " could not be read as a picture.");
            QCOMPARE(options.HomePicTemp, home);
        }
        // Ok pressed while a picture chosen a moment ago is still being read waits to know: a
        // file that is none is refused, and the window stays open with the picture before; a
        // picture is saved.
        QCOMPARE(catcher.texts.size(), 1);
        const QString garbage = m_dir.filePath("garbage.png");
        QVERIFY(writeFile(garbage, QByteArray(3000, 'Z')));
        options.chooseFile = [garbage](QWidget *, const QString &) { return garbage; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        options.findChild<QPushButton *>("cmdOk")->click();
        QTRY_COMPARE(catcher.texts.size(), 2);
        QVERIFY(catcher.texts.last().contains(garbage));
        QVERIFY(options.isVisible());
        QCOMPARE(options.HomePicTemp, home);
        QCOMPARE(testStore().value("PicSettings/HomePic").toString(), home);
        QVERIFY(options.findChild<QPushButton *>("cmdOk")->isEnabled());
        const QString other = goodPicture("other.bmp");
        options.chooseFile = [other](QWidget *, const QString &) { return other; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        options.findChild<QPushButton *>("cmdOk")->click();
        QTRY_VERIFY(!options.isVisible());
        QCOMPARE(catcher.texts.size(), 2);
        QCOMPARE(testStore().value("PicSettings/HomePic").toString(), other);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
