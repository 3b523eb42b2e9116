#include "colorswatch.h"
#include "frmchoosekey.h"
#include "frmoptions.h"
#include "image.h"
#include "picturebox.h"
#include "scrollingpage.h"

#include "settings.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHostAddress>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

class TestFrmOptions : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    static T *find(const frmOptions &window, const char *name)
    {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("The Options window has no %s", name);
        return found;
    }
    static void click(const frmOptions &window, const char *button)
    {
        find<QPushButton>(window, button)->click();
    }
    static QString text(const frmOptions &window, const char *label)
    {
        return find<QLabel>(window, label)->text();
    }
    // Answers the key-capture dialog with one key press, the way the operator would.
    static void answerKeys(frmOptions &window, Qt::Key key)
    {
        window.runChooseKey = [key](frmChooseKey &dialog) {
            dialog.beep = [] {};
            QTest::keyClick(&dialog, key);
        };
    }
    static void answerYes(frmOptions &window)
    {
        window.askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
    }

    // The visible controls in a frame, and in the frames within it, each lie inside their frame
    // and cover no other.
    static void checkLaidOut(const QWidget *frame)
    {
        QList<QWidget *> shown;
        for (QWidget *w : frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible())
                shown.append(w);
        }
        for (QWidget *w : shown) {
            QVERIFY2(frame->rect().contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget *other : shown)
                QVERIFY2(w == other || !w->geometry().intersects(other->geometry()),
                         qPrintable(w->objectName() + " on " + other->objectName()));
            if (w->inherits("QGroupBox") || w->metaObject() == &QWidget::staticMetaObject
                || (w->inherits("QFrame") && !w->inherits("QLabel")
                    && !w->inherits("QAbstractScrollArea")))
                checkLaidOut(w);
        }
    }

    QTemporaryDir m_files;
    QStringList m_told;

    // A window whose dialogs are answered by the test: no file, no colour, No to questions.
    void prepare(frmOptions &window)
    {
        window.chooseColor = [](QWidget *) { return std::nullopt; };
        window.chooseFile = [](QWidget *, const QString &) { return QString(); };
        window.askYesNo = [](QWidget *, const QString &, const QString &) { return false; };
        window.tell
                = [this](QWidget *, const QString &, const QString &text) { m_told.append(text); };
        window.setNumLock = [](bool) { QFAIL("NumLock forced unexpectedly"); };
    }

private slots:
    void init()
    {
        QFile::remove(settingsFileName());
        QDir(settingsFileName()).removeRecursively();
        LoadSettings();
        m_told.clear();
    }

    // One key press while "Reset Jam Clock" (R) is reassigned, the default keys J R S T C I
    // Delete B P A held; Shift goes down first and is refused with a beep of its own.
    void chooseKey()
    {
        const QList<int> defaults {74, 82, 83, 84, 67, 73, 46, 66, 80, 65};
        struct Row
        {
            int current;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int chosen; // 0: refused
        };
        for (const Row &row :
             {Row {82, Qt::Key_R, {}, 82}, Row {32, Qt::Key_Space, {}, 32},
              Row {82, Qt::Key_J, {}, 0}, Row {82, Qt::Key_Space, {}, 0},
              Row {82, Qt::Key_F1, {}, 0}, Row {82, Qt::Key_F2, {}, 0},
              Row {82, Qt::Key_Return, {}, 0}, Row {82, Qt::Key_X, Qt::ShiftModifier, 88},
              Row {82, Qt::Key_J, Qt::ShiftModifier, 0}, Row {82, Qt::Key_F12, {}, 123},
              Row {0, Qt::Key_Super_L, {}, 0}, Row {0, Qt::Key_F12, {}, 123}}) {
            frmChooseKey dialog(QStringLiteral("sound the buzzer"), row.current, defaults);
            QCOMPARE(dialog.objectName(), "frmChooseKey");
            QCOMPARE(dialog.windowTitle(), "Choose Key");
            QCOMPARE(dialog.findChild<QLabel *>("lblChoose")->text(),
                     "Press the key you would like to sound the buzzer.");
            int beeps = 0;
            dialog.beep = [&beeps] { ++beeps; };
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QSize size = dialog.size();
            QTest::keyClick(&dialog, row.key, row.modifiers);
            QCOMPARE(dialog.chosenKey(), row.chosen);
            // Refused: the red message, one beep, and the dialog waits on.
            QCOMPARE(dialog.isVisible(), row.chosen == 0);
            QCOMPARE(dialog.findChild<QLabel *>("lblUsed")->isHidden(), row.chosen != 0);
            if (row.chosen == 0) {
                const QImage shown = dialog.findChild<QLabel *>("lblUsed")->grab().toImage();
                bool red = false;
                for (int y = 0; y < shown.height() && !red; ++y)
                    for (int x = 0; x < shown.width() && !red; ++x)
                        red = qRed(shown.pixel(x, y)) > 200 && qGreen(shown.pixel(x, y)) < 60
                                && qBlue(shown.pixel(x, y)) < 60;
                QVERIFY(red);
                // Shown whole below the question, in the window as it was.
                QCoreApplication::processEvents();
                QCOMPARE(dialog.size(), size);
                const QRect used = dialog.findChild<QLabel *>("lblUsed")->geometry();
                QVERIFY(dialog.findChild<QLabel *>("lblChoose")->geometry().bottom() < used.top());
                QVERIFY(dialog.rect().contains(used));
                for (auto *label : dialog.findChildren<QLabel *>())
                    QVERIFY(label->height() >= label->heightForWidth(label->width()));
            }
            QCOMPARE(beeps, (row.modifiers ? 1 : 0) + (row.chosen == 0 ? 1 : 0));
            // A refusal does not stay: the next good key is taken.
            if (dialog.isVisible()) {
                QTest::keyClick(&dialog, Qt::Key_K);
                QCOMPARE(dialog.chosenKey(), 75);
                QVERIFY(dialog.findChild<QLabel *>("lblUsed")->isHidden());
            }
        }
    }

    void cancelDiscardsAndOkWritesEveryKey()
    {
        const SettingsModel before = settings();
        for (const bool byCloseBox : {false, true}) {
            frmOptions window;
            prepare(window);
            window.show();
            answerKeys(window, Qt::Key_X);
            click(window, "cmdStartStopJamClock");
            click(window, "cmdBuzzerSoundNone");
            find<QLineEdit>(window, "txtTitleText")->setText("Changed");
            find<QRadioButton>(window, "optKeepOn")->setChecked(true);
            QCOMPARE(text(window, "lblStartStopJamClock"), "X");
            if (byCloseBox)
                QVERIFY(window.close());
            else
                click(window, "cmdCancel");
            QCOMPARE(window.result(), int(QDialog::Rejected));
        }
        QCOMPARE(settings(), before);
        QVERIFY(!QFile::exists(settingsFileName()));

        frmOptions window;
        prepare(window);
        window.show();
        click(window, "cmdOk");
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(settings(), before);
        QVERIFY(m_told.isEmpty());
        QSettings written = testStore();
        written.beginGroup("KeySettings");
        QCOMPARE(written.childKeys().size(), 17);
        QCOMPARE(written.value("IsKeyCode").toString(), "Yes");
        QCOMPARE(written.value("JoinJamPenalty").toString(), "1");
        written.endGroup();
        QCOMPARE(written.value("ColorSettings/TimeColor").toString(), "33023");
    }

    // A settings file damaged by a disk or an editor: what is no setting is not written back.
    void okWritesOnlyTheSettings()
    {
        QByteArray garbage(4 << 20, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(garbage.data()),
                                      garbage.size() / 4);
        const QByteArray damaged
                = "[ColorSettings]\nTimeColor=255\n[TextSettings]\nTitleText=Derby Night\n"
                + garbage;
        QVERIFY(QDir().mkpath(QFileInfo(settingsFileName()).absolutePath()));
        QVERIFY(writeFile(settingsFileName(), damaged));
        LoadSettings();
        QCOMPARE(settings().TitleText, "Derby Night");

        frmOptions window;
        prepare(window);
        window.show();
        click(window, "cmdOk");
        QVERIFY(m_told.isEmpty());
        QFile file(settingsFileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY2(written.size() < 2000, QByteArray::number(written.size()));
        const QSettings store = testStore();
        QCOMPARE(store.status(), QSettings::NoError);
        QCOMPARE(store.value("TextSettings/TitleText").toString(), "Derby Night");
        QCOMPARE(store.value("ColorSettings/TimeColor").toString(), "255");
        // The game flow's section is left out while it is at its defaults.
        QCOMPARE(store.allKeys().size(), 39);
    }

    // A key the settings file gives a command but the board cannot let it have shows as none, and
    // the command can be given a key again.
    void tangledKeysShowAsNone()
    {
        {
            QSettings store = testStore();
            store.setValue("BoutSettings/NewBoutKey", "113");
            store.setValue("KeySettings/BuzzerKey", "190");
            store.setValue("KeySettings/ClearKey", "74");
            store.setValue("KeySettings/PenaltyIncrementSecKey", "96");
        }
        LoadSettings();
        frmOptions window;
        prepare(window);
        QCOMPARE(text(window, "lblNewBoutKey"), QString());
        QCOMPARE(text(window, "lblBuzzerKey"), QString());
        QCOMPARE(text(window, "lblClear"), QString());
        QCOMPARE(text(window, "lblStartStopJamClock"), "J");
        // The buzzer's sound chosen again gives it its usual key.
        const QString wav = m_files.filePath("again.wav");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/buzzer.wav", wav));
        window.chooseFile = [&](QWidget *, const QString &) { return wav; };
        click(window, "cmdBuzzerSoundChange");
        QCOMPARE(text(window, "lblBuzzerKey"), "B");

        // Reset Keys gives the clear key its own again; the key-less increment stays without one,
        // as no command took a key from it.
        answerYes(window);
        click(window, "cmdResetKeys");
        QCOMPARE(text(window, "lblClear"), "Delete");
        QCOMPARE(text(window, "lblPenaltyIncrementKey"), QString());
    }

    // The new-bout button asks, and only then tells a listening board; it is off where none
    // listens.
    void focusAndNewBout()
    {
        frmOptions alone;
        alone.show();
        QVERIFY(!find<QPushButton>(alone, "cmdNewBout")->isEnabled());
        alone.close();

        // A colour window leaves the keys, when it closes, on the button that opened it: a Space
        // to open it again must not press Ok.
        {
            frmOptions colours;
            prepare(colours);
            colours.chooseColor = [](QWidget *parent) -> std::optional<qint32> {
                QDialog asked(parent);
                QTimer::singleShot(0, &asked, [&asked] {
                    if (QTest::qWaitForWindowActive(&asked))
                        QTest::keyClick(&asked, Qt::Key_Escape);
                });
                asked.exec();
                return std::nullopt;
            };
            colours.show();
            QVERIFY(QTest::qWaitForWindowActive(&colours));
            auto *change = find<QPushButton>(colours, "cmdLedSelected");
            auto *pages = colours.findChild<QTabWidget *>();
            for (int page = 0; page < pages->count() && !change->isVisible(); ++page)
                pages->setCurrentIndex(page);
            change->setFocus();
            QTest::keyClick(change, Qt::Key_Space);
            // As the desktop gives the keys back to the window under the one that closed.
            colours.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&colours));
            QTest::qWait(20);
            QCOMPARE(colours.focusWidget(), change);
        }

        frmOptions window;
        prepare(window);
        int confirmed = 0;
        connect(&window, &frmOptions::newBoutConfirmed, this, [&confirmed] { ++confirmed; });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.focusWidget(), find<QPushButton>(window, "cmdOk"));
        // Offscreen, NumLock cannot be set: the group says so and cannot be changed.
        QVERIFY(!find<QGroupBox>(window, "fraNumLock")->isEnabled());
        const QLabel *note = find<QLabel>(window, "lblNumLockNote");
        QVERIFY(note->isVisible());
        // Broken over lines where the group is narrow, rather than widening it to one long line.
        QVERIFY(find<QGroupBox>(window, "fraNumLock")->minimumSizeHint().width()
                < note->fontMetrics().horizontalAdvance(note->text()));

        // After the key-capture dialog, Enter commits.
        answerKeys(window, Qt::Key_Escape);
        find<QPushButton>(window, "cmdResetJamClock")->setFocus();
        click(window, "cmdResetJamClock");
        QCOMPARE(window.focusWidget(), find<QPushButton>(window, "cmdOk"));
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        // In a window just opened, Enter on a control that is no button presses Ok, the window's
        // default, not the first button.
        {
            frmOptions fresh;
            prepare(fresh);
            answerKeys(fresh, Qt::Key_Escape);
            fresh.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fresh));
            auto *join = find<QCheckBox>(fresh, "chkJoinJamPenalty");
            join->setFocus();
            QTest::keyClick(join, Qt::Key_Return);
            QCOMPARE(fresh.result(), int(QDialog::Accepted));
        }

        window.show();
        click(window, "cmdNewBout");
        QCOMPARE(confirmed, 0);
        answerYes(window);
        click(window, "cmdNewBout");
        QCOMPARE(confirmed, 1);
    }

    // Enter on any of the window's questions keeps what Yes would undo: the bout, the keys, the
    // colours, the last chosen in the colour dialog.
    void questionsDefaultToKeeping()
    {
        frmOptions window;
        int confirmed = 0;
        connect(&window, &frmOptions::newBoutConfirmed, this, [&confirmed] { ++confirmed; });
        QPoint questionCentre;
        window.runChooseKey = [&questionCentre](frmChooseKey &dialog) {
            dialog.show();
            questionCentre = dialog.geometry().center();
            QTest::keyClick(&dialog, Qt::Key_X);
        };
        window.show();
        click(window, "cmdStartStopJamClock");
        // The key's question opens over the middle of the window that asks it.
        QVERIFY((questionCentre - window.geometry().center()).manhattanLength() <= 2);
        // The colour dialog's OK takes the colour it shows; Cancel keeps the one before.
        const QColor chosen(0xEF, 0xCD, 0xAB);
        for (const bool ok : {true, false}) {
            QTimer::singleShot(0, this, [&chosen, ok] {
                auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->setCurrentColor(ok ? chosen : QColor(Qt::black));
                if (ok)
                    dialog->accept();
                else
                    dialog->reject();
            });
            click(window, "cmdTimeC");
            QCOMPARE(find<ColorSwatch>(window, "picTimeC")->color(), 0x00ABCDEF);
        }
        for (const char *button : {"cmdNewBout", "cmdResetKeys", "cmdResetColors"}) {
            QString asked;
            QTimer::singleShot(0, this, [&asked] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                asked = box->text();
                QTest::keyClick(box, Qt::Key_Return);
            });
            click(window, button);
            QVERIFY2(!asked.isEmpty(), button);
        }
        QCOMPARE(confirmed, 0);
        QCOMPARE(window.StartStopJamClockKeyTemp, 88);
        QCOMPARE(find<ColorSwatch>(window, "picTimeC")->color(), 0x00ABCDEF);

        // Yes is still there to be chosen.
        QTimer::singleShot(0, this, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(QMessageBox::Yes)->click();
        });
        click(window, "cmdNewBout");
        QCOMPARE(confirmed, 1);
    }

    // The live feed's port and where it listens, with the addresses a browser opens.
    void liveFeedSettings()
    {
        Settings::instance().edit([](SettingsModel &m) {
            m.FeedPort = 8080;
            m.FeedListen = QStringLiteral("network");
        });
        frmOptions window;
        prepare(window);
        auto *port = find<QSpinBox>(window, "spnFeedPort");
        auto *listen = find<QComboBox>(window, "cmbFeedListen");
        QCOMPARE(port->value(), 8080);
        QCOMPARE(listen->currentData().toString(), "network");
        // Each IPv4 address once, this machine's own first; no IPv6 address, which the board's
        // server does not listen on.
        QStringList urls
                = text(window, "lblFeedAddresses").remove("Open in a browser: ").split(", ");
        QCOMPARE(urls.constFirst(), "http://127.0.0.1:8080/");
        QCOMPARE(QSet<QString>(urls.cbegin(), urls.cend()).size(), urls.size());
        for (const QString &url : std::as_const(urls))
            QVERIFY2(QHostAddress(QUrl(url).host()).protocol() == QAbstractSocket::IPv4Protocol,
                     qPrintable(url));
        // What the board told of the port taken shows under the addresses while that port is
        // the one chosen.
        const QString taken = "The live feed cannot use port 8080 (another program uses it); it "
                              "keeps trying.";
        window.tellFeedTrouble(taken);
        QVERIFY(text(window, "lblFeedAddresses").endsWith("/\n" + taken));
        port->setValue(8081);
        QVERIFY(!text(window, "lblFeedAddresses").contains(taken));
        port->setValue(8080);
        QVERIFY(text(window, "lblFeedAddresses").endsWith(taken));
        port->setValue(0);
        QCOMPARE(text(window, "lblFeedAddresses"), "The feed is off.");
        // No port past the last there is, which the next start would refuse to read.
        port->setValue(70000);
        QCOMPARE(port->value(), 65535);
        port->setValue(9090);
        listen->setCurrentIndex(0);
        QCOMPARE(text(window, "lblFeedAddresses"), "Open in a browser: http://127.0.0.1:9090/");
        click(window, "cmdOk");
        QSettings stored = testStore();
        QCOMPARE(stored.value("FeedSettings/FeedPort").toString(), "9090");
        QCOMPARE(stored.value("FeedSettings/FeedListen").toString(), "local");
        QCOMPARE(settings().FeedPort, 9090);
    }

    // The game flow's tab shows the stored rules, refuses a number out of its range with a message
    // that keeps the window open, and writes what is in range at OK.
    void gameFlowSettings_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("problem"); // "" when OK takes it
        QTest::newRow("lineup") << "spnLineupSeconds" << 45 << "";
        QTest::newRow("lineup zero")
                << "spnLineupSeconds" << 0 << "The lineup must be from 1 to 5999 seconds.";
        QTest::newRow("timeout longest") << "spnTeamTimeoutSeconds" << 5999 << "";
        QTest::newRow("timeout too long") << "spnTeamTimeoutSeconds" << 6000
                                          << "A team timeout must be from 1 to 5999 seconds.";
        QTest::newRow("no timeouts") << "spnTeamTimeouts" << 0 << "";
        QTest::newRow("ten timeouts")
                << "spnTeamTimeouts" << 10 << "The team timeouts per game must be from 0 to 9.";
        QTest::newRow("reviews") << "spnOfficialReviews" << 9 << "";
        QTest::newRow("reviews below") << "spnOfficialReviews" << -1
                                       << "The official reviews per period must be from 0 to 9.";
        QTest::newRow("halftime") << "spnHalftimeSeconds" << 1 << "";
        QTest::newRow("no halftime")
                << "spnHalftimeSeconds" << 0 << "The halftime must be from 1 to 5999 seconds.";
        QTest::newRow("one period") << "spnPeriods" << 1 << "";
        QTest::newRow("no period") << "spnPeriods" << 0 << "The periods must be from 1 to 9.";
    }

    void gameFlowSettings()
    {
        QFETCH(QString, box);
        QFETCH(int, value);
        QFETCH(QString, problem);
        Settings::instance().edit([](SettingsModel &m) {
            m.GameFlow = true;
            m.HalftimeSeconds = 600;
        });
        frmOptions window;
        prepare(window);
        QVERIFY(window.findChild<QWidget *>("tabGame"));
        // Each number is named by the caption beside it, to a screen reader as well.
        const std::pair<const char *, const char *> captions[]
                = {{"spnLineupSeconds", "Lineup between jams:"},
                   {"spnTeamTimeoutSeconds", "Team timeout:"},
                   {"spnTeamTimeouts", "Team timeouts per game:"},
                   {"spnOfficialReviews", "Official reviews per period:"},
                   {"spnHalftimeSeconds", "Halftime:"},
                   {"spnPeriods", "Periods:"}};
        for (const auto &[name, caption] : captions) {
            QAccessibleInterface *named
                    = QAccessible::queryAccessibleInterface(find<QSpinBox>(window, name));
            QVERIFY(named);
            QCOMPARE(named->text(QAccessible::Name), QString::fromLatin1(caption));
        }
        auto *flow = find<QCheckBox>(window, "chkGameFlow");
        QVERIFY(flow->isChecked());
        QCOMPARE(find<QSpinBox>(window, "spnHalftimeSeconds")->value(), 600);
        QCOMPARE(find<QSpinBox>(window, "spnLineupSeconds")->value(), 30);
        flow->setChecked(false);
        find<QSpinBox>(window, qPrintable(box))->setValue(value);
        window.show();
        click(window, "cmdOk");
        QCOMPARE(text(window, "lblGameFlowProblem"), problem);
        QCOMPARE(window.isVisible(), !problem.isEmpty());
        // A problem turns the window to the game flow's tab, where it is told.
        QCOMPARE(find<QLabel>(window, "lblGameFlowProblem")->isVisible(), !problem.isEmpty());
        // In red, to stand out from the captions around it.
        if (!problem.isEmpty()) {
            const QImage shot = find<QLabel>(window, "lblGameFlowProblem")->grab().toImage();
            int red = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    red += c.red() > 150 && c.green() < 60 && c.blue() < 60;
                }
            QVERIFY(red > 20);
        }
        QCOMPARE(settings().GameFlow, !problem.isEmpty());
        if (problem.isEmpty()) {
            const SettingsModel &now = settings();
            const std::pair<const char *, qint16> fields[]
                    = {{"spnLineupSeconds", now.LineupSeconds},
                       {"spnTeamTimeoutSeconds", now.TeamTimeoutSeconds},
                       {"spnTeamTimeouts", now.TeamTimeouts},
                       {"spnOfficialReviews", now.OfficialReviews},
                       {"spnHalftimeSeconds", now.HalftimeSeconds},
                       {"spnPeriods", now.Periods}};
            for (const auto &[name, stored] : fields)
                QCOMPARE(int(stored), find<QSpinBox>(window, name)->value());
            QCOMPARE(testStore().value("GameSettings/GameFlow").toString(), "0");
        }
    }

    // Every key, the new-bout and audience keys too, is refused a key another command holds.
    void keyReassignment()
    {
        Settings::instance().edit([&](SettingsModel &m) { m.AudienceScreen = "HDMI-9"; });
        frmOptions window;
        prepare(window);
        // J is held by the jam clock until it moves to X; then it is free at once.
        answerKeys(window, Qt::Key_J);
        click(window, "cmdResetJamClock");
        QCOMPARE(window.ResetJamClockKeyTemp, 82);
        click(window, "cmdNewBoutKey");
        QCOMPARE(window.edited().NewBoutKey, 0);
        click(window, "cmdAudienceBoardKey");
        QCOMPARE(window.edited().AudienceBoardKey, 0);
        answerKeys(window, Qt::Key_X);
        click(window, "cmdStartStopJamClock");
        answerKeys(window, Qt::Key_J);
        click(window, "cmdResetJamClock");
        QCOMPARE(text(window, "lblResetJamClock"), "J");

        // The new-bout and audience keys hold theirs against each other and the rest.
        answerKeys(window, Qt::Key_N);
        click(window, "cmdNewBoutKey");
        click(window, "cmdAudienceBoardKey");
        QCOMPARE(window.edited().AudienceBoardKey, 0);
        answerKeys(window, Qt::Key_F8);
        click(window, "cmdAudienceBoardKey");
        click(window, "cmdNewBoutKey");
        QCOMPARE(window.edited().NewBoutKey, 78);
        click(window, "cmdPenaltyIncrementKey");
        QCOMPARE(window.PenaltyIncrementSecKeyTemp, 65);

        // A screen that is not connected stays chosen until another is picked.
        auto *screens = find<QComboBox>(window, "cmbAudienceScreen");
        QCOMPARE(screens->currentText(), "HDMI-9 (not connected)");
        screens->setCurrentIndex(1);

        click(window, "cmdOk");
        QSettings stored = testStore();
        QCOMPARE(stored.value("KeySettings/ResetJamClockKey").toString(), "74");
        QCOMPARE(stored.value("BoutSettings/NewBoutKey").toString(), "78");
        QCOMPARE(stored.value("ScreenSettings/AudienceScreen").toString(),
                 QGuiApplication::screens().constFirst()->name());
        QCOMPARE(stored.value("ScreenSettings/AudienceBoardKey").toString(), "119");

        // Both keys can be taken away again.
        frmOptions again;
        prepare(again);
        QCOMPARE(text(again, "lblAudienceBoardKey"), "F8");
        QCOMPARE(text(again, "lblNewBoutKey"), "N");
        click(again, "cmdAudienceBoardNoKey");
        click(again, "cmdNewBoutNoKey");
        QCOMPARE(text(again, "lblAudienceBoardKey"), QString());
        click(again, "cmdOk");
        QCOMPARE(settings().AudienceBoardKey, 0);
        QCOMPARE(settings().NewBoutKey, 0);
    }

    void resetKeysAndColors()
    {
        // Every command on a key no command has by default: Reset Keys gives the clocks, the clear
        // key, the penalty clock and the game flow theirs back, and leaves the sounds', the
        // increment's, the audience board's and the new bout's as they were.
        struct Row
        {
            const char *button;
            const char *label;
            qint16 SettingsModel::*stored;
            Qt::Key given;
            const char *givenText;
            int givenCode;
            const char *resetText; // nullptr: the given key stays
            int resetCode;
        };
        const Row rows[] = {
                {"cmdStartStopJamClock", "lblStartStopJamClock",
                 &SettingsModel::StartStopJamClockKey, Qt::Key_D, "D", 68, "J", 74},
                {"cmdResetJamClock", "lblResetJamClock", &SettingsModel::ResetJamClockKey,
                 Qt::Key_F, "F", 70, "R", 82},
                {"cmdStartStopPeriodClock", "lblStartStopPeriodClock",
                 &SettingsModel::StartStopPeriodClockKey, Qt::Key_G, "G", 71, "S", 83},
                {"cmdResetPeriodClock", "lblResetPeriodClock", &SettingsModel::ResetPeriodClockKey,
                 Qt::Key_K, "K", 75, "T", 84},
                {"cmdClockSwitch", "lblClockSwitch", &SettingsModel::ClockSwitchKey, Qt::Key_L, "L",
                 76, "C", 67},
                {"cmdBuzzerKey", "lblBuzzerKey", &SettingsModel::BuzzerKey, Qt::Key_M, "M", 77,
                 nullptr, 0},
                {"cmdPeriodEndSoundKey", "lblPeriodEndSoundKey", &SettingsModel::PeriodEndSoundKey,
                 Qt::Key_N, "N", 78, nullptr, 0},
                {"cmdClearKey", "lblClear", &SettingsModel::ClearKey, Qt::Key_Q, "Q", 81, "Delete",
                 46},
                {"cmdPenaltyIncrementKey", "lblPenaltyIncrementKey",
                 &SettingsModel::PenaltyIncrementSecKey, Qt::Key_X, "X", 88, nullptr, 0},
                {"cmdSepTime", "lblSepTime", &SettingsModel::SepTimeKey, Qt::Key_Y, "Y", 89, "I",
                 73},
                {"cmdAudienceBoardKey", "lblAudienceBoardKey", &SettingsModel::AudienceBoardKey,
                 Qt::Key_Z, "Z", 90, nullptr, 0},
                {"cmdHomeTimeout", "lblHomeTimeout", &SettingsModel::HomeTimeoutKey, Qt::Key_F3,
                 "F3", 114, "H", 72},
                {"cmdVisitorTimeout", "lblVisitorTimeout", &SettingsModel::VisitorTimeoutKey,
                 Qt::Key_F4, "F4", 115, "V", 86},
                {"cmdOfficialTimeout", "lblOfficialTimeout", &SettingsModel::OfficialTimeoutKey,
                 Qt::Key_F5, "F5", 116, "O", 79},
                {"cmdHomeReview", "lblHomeReview", &SettingsModel::HomeReviewKey, Qt::Key_F6, "F6",
                 117, "E", 69},
                {"cmdVisitorReview", "lblVisitorReview", &SettingsModel::VisitorReviewKey,
                 Qt::Key_F7, "F7", 118, "W", 87},
                {"cmdUndo", "lblUndo", &SettingsModel::UndoKey, Qt::Key_F8, "F8", 119, "U", 85},
                {"cmdNewBoutKey", "lblNewBoutKey", &SettingsModel::NewBoutKey, Qt::Key_F9, "F9",
                 120, nullptr, 0},
        };
        {
            frmOptions window;
            prepare(window);
            for (const Row &row : rows) {
                answerKeys(window, row.given);
                click(window, row.button);
            }
            // Each row as "label key", so that a difference names its command.
            const auto shown = [&] {
                QStringList keys;
                for (const Row &row : rows)
                    keys << QString(row.label) + ' ' + text(window, row.label);
                return keys;
            };
            QStringList given, reset, resetCodes;
            for (const Row &row : rows) {
                given << QString(row.label) + ' ' + row.givenText;
                reset << QString(row.label) + ' ' + (row.resetText ? row.resetText : row.givenText);
                resetCodes << QString(row.label) + ' '
                                + QString::number(row.resetText ? row.resetCode : row.givenCode);
            }
            QCOMPARE(shown(), given);
            answerYes(window);
            click(window, "cmdResetKeys");
            QCOMPARE(shown(), reset);
            click(window, "cmdOk");
            LoadSettings(); // read back from the file
            QStringList stored;
            for (const Row &row : rows)
                stored << QString(row.label) + ' ' + QString::number(settings().*row.stored);
            QCOMPARE(stored, resetCodes);
        }
        init();

        Settings::instance().edit([&](SettingsModel &m) { m.NumLockForce = NumLockMode::KeepOff; });
        frmOptions window;
        prepare(window);
        answerKeys(window, Qt::Key_Q);
        click(window, "cmdClearKey");
        answerKeys(window, Qt::Key_Z);
        click(window, "cmdStartStopJamClock");
        // The buzzer takes the freed J and the increment the freed B.
        answerKeys(window, Qt::Key_J);
        click(window, "cmdBuzzerKey");
        answerKeys(window, Qt::Key_B);
        click(window, "cmdPenaltyIncrementKey");
        // The new-bout key takes the freed Delete and the audience key the freed A.
        answerKeys(window, Qt::Key_Delete);
        click(window, "cmdNewBoutKey");
        answerKeys(window, Qt::Key_A);
        click(window, "cmdAudienceBoardKey");
        answerKeys(window, Qt::Key_Y);
        click(window, "cmdPeriodEndSoundKey");
        answerKeys(window, Qt::Key_K);
        click(window, "cmdUndo");
        window.chooseColor = [](QWidget *) { return std::optional<qint32>(0x00ABCDEF); };
        click(window, "cmdTimeC");
        find<QScrollBar>(window, "scrLEDSelectedWidth")->setValue(4);

        // Answered No: nothing changes.
        click(window, "cmdResetKeys");
        click(window, "cmdResetColors");
        QCOMPARE(window.ClearKeyTemp, 81);
        QCOMPARE(find<ColorSwatch>(window, "picTimeC")->color(), 0x00ABCDEF);

        answerYes(window);
        m_told.clear();
        click(window, "cmdResetKeys");
        QCOMPARE(window.StartStopJamClockKeyTemp, 74);
        QCOMPARE(text(window, "lblClear"), "Delete");
        QCOMPARE(text(window, "lblUndo"), "U");
        QVERIFY(find<QRadioButton>(window, "optNormal")->isChecked());
        // The jam takes J back, so the buzzer goes back to B, and the increment from B to A.
        QCOMPARE(window.BuzzerKeyTemp, 66);
        QCOMPARE(text(window, "lblPenaltyIncrementKey"), "A");
        // A key no command takes back stays.
        QCOMPARE(window.PeriodEndSoundKeyTemp, 89);
        // Neither of the keys without a default keeps a key a command has taken back.
        QCOMPARE(window.edited().NewBoutKey, 0);
        QCOMPARE(text(window, "lblNewBoutKey"), "");
        QCOMPARE(text(window, "lblAudienceBoardKey"), "");
        // And the operator is told so.
        QCOMPARE(m_told,
                 QStringList({"The key Delete went back to the command it first had, so starting "
                              "a new bout has no key now. Choose one with \"Select Key\".",
                              "The key A went back to the command it first had, so showing and "
                              "hiding the audience board has no key now. Choose one with "
                              "\"Select Show / Hide Key\"."}));
        // The buzzer has no default to go back to: a free key of its own stays.
        answerKeys(window, Qt::Key_X);
        click(window, "cmdBuzzerKey");
        click(window, "cmdResetKeys");
        QCOMPARE(window.BuzzerKeyTemp, 88);

        click(window, "cmdResetColors");
        QCOMPARE(text(window, "lblLEDSelectedWidthValue"), "0");
        QCOMPARE(find<QScrollBar>(window, "scrLEDSelectedWidth")->value(), 0);
        click(window, "cmdOk");
        QCOMPARE(settings().TimeColor, 0x000080FF);
        QCOMPARE(settings().LEDSelectedWidth, 0);
    }

    // The up arrow, the page area above the thumb and the wheel turned away raise the value; the
    // thumb can be dragged to the top for the maximum.
    void scrollBarsRaiseUpward()
    {
        Settings::instance().edit([&](SettingsModel &m) { m.PenaltyIncrementSec = 0; });
        frmOptions window;
        prepare(window);
        window.show();
        find<QTabWidget>(window, "SSTab1")->setCurrentIndex(4);
        auto *bar = find<QScrollBar>(window, "vsPenaltyIncrement");
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // A vertical bar's arrows are as tall as it is wide.
        const int x = bar->width() / 2;
        const int arrow = bar->width();
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, 2));
        QCOMPARE(bar->value(), 1);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() - 3));
        QCOMPARE(bar->value(), 0);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, arrow + 2));
        QCOMPARE(bar->value(), 1);
        QWheelEvent away(QPointF(x, arrow), bar->mapToGlobal(QPointF(x, arrow)), {}, QPoint(0, 120),
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &away);
        QCOMPARE(bar->value(), 2);
        bar->setValue(0);
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, bar->height() - arrow - 4));
        QTest::mouseMove(bar, QPoint(x, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, 0));
        QCOMPARE(text(window, "lblPenaltyIncrement"), "599");
        // Its menu's Top is the highest value, as the thumb stands there; Bottom is 0.
        for (const auto &[item, shown] : {std::pair("Bottom", "0"), std::pair("Top", "599")}) {
            QTimer::singleShot(0, bar, [item] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                for (QAction *action : menu->actions()) {
                    if (action->text() == item)
                        menu->setActiveAction(action);
                }
                QTest::keyClick(menu, Qt::Key_Return);
            });
            QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(x, arrow + 2),
                                   bar->mapToGlobal(QPoint(x, arrow + 2)));
            QApplication::sendEvent(bar, &menu);
            QCOMPARE(text(window, "lblPenaltyIncrement"), shown);
        }
        // The keyboard alone: Tab reaches it after the box above it, and the up keys raise it.
        auto *above = find<QWidget>(window, "chkSuppressPeriodSound");
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        above->setFocus();
        const QImage unfocused = bar->grab().toImage();
        QTest::keyClick(above, Qt::Key_Tab);
        QCOMPARE(window.focusWidget(), bar);
        // It shows that it has the keys, as every other control does.
        QVERIFY(bar->grab().toImage() != unfocused);
        bar->setValue(90);
        for (const auto &[key, shown] :
             {std::pair(Qt::Key_Up, "91"), std::pair(Qt::Key_PageUp, "92"),
              std::pair(Qt::Key_Down, "91"), std::pair(Qt::Key_PageDown, "90")}) {
            QTest::keyClick(bar, key);
            QCOMPARE(text(window, "lblPenaltyIncrement"), shown);
        }
    }

    // On the keys tab each command's button stands on its key's row, left of it; the width and
    // increment values read black on a white ground.
    void keysAndValuesAsShown()
    {
        frmOptions window;
        prepare(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const auto &[button, key] :
             {std::pair("cmdStartStopJamClock", "lblStartStopJamClock"),
              std::pair("cmdResetJamClock", "lblResetJamClock"),
              std::pair("cmdStartStopPeriodClock", "lblStartStopPeriodClock"),
              std::pair("cmdResetPeriodClock", "lblResetPeriodClock"),
              std::pair("cmdClockSwitch", "lblClockSwitch"), std::pair("cmdSepTime", "lblSepTime"),
              std::pair("cmdClearKey", "lblClear"), std::pair("cmdHomeTimeout", "lblHomeTimeout"),
              std::pair("cmdVisitorTimeout", "lblVisitorTimeout"),
              std::pair("cmdOfficialTimeout", "lblOfficialTimeout"),
              std::pair("cmdHomeReview", "lblHomeReview"),
              std::pair("cmdVisitorReview", "lblVisitorReview"), std::pair("cmdUndo", "lblUndo")}) {
            const QWidget *b = find<QPushButton>(window, button);
            const QWidget *k = find<QLabel>(window, key);
            const QRect shownB(b->mapTo(&window, QPoint()), b->size());
            const QRect shownK(k->mapTo(&window, QPoint()), k->size());
            QVERIFY2(b->isVisible() && k->isVisible(), button);
            QVERIFY2(qAbs(shownB.center().y() - shownK.center().y()) <= 2, button);
            QVERIFY2(shownB.right() < shownK.left(), button);
        }

        auto *tabs = find<QTabWidget>(window, "SSTab1");
        for (const char *name : {"lblLEDSelectedWidthValue", "lblPenaltyIncrement"}) {
            auto *value = find<QLabel>(window, name);
            for (int tab = 0; tab < tabs->count(); ++tab) {
                if (tabs->widget(tab)->isAncestorOf(value))
                    tabs->setCurrentIndex(tab);
            }
            QVERIFY2(value->isVisible(), name);
            const QImage shown = value->grab().toImage();
            QCOMPARE(shown.pixelColor(4, shown.height() / 2), QColor(Qt::white));
            int darkest = 255;
            for (int x = 0; x < shown.width(); ++x)
                darkest = qMin(darkest, qGray(shown.pixel(x, shown.height() / 2)));
            QVERIFY2(darkest < 40, name);
        }

        // The digit preview stands in its frame, after its caption.
        const QWidget *preview = window.findChild<QWidget *>("pledPreview");
        QWidget *frame = find<QGroupBox>(window, "fraDigitType");
        for (int tab = 0; tab < tabs->count(); ++tab) {
            if (tabs->widget(tab)->isAncestorOf(frame))
                tabs->setCurrentIndex(tab);
        }
        QVERIFY(preview && preview->isVisible());
        QVERIFY(frame->rect().contains(preview->geometry()));
        // It shows the digit type chosen beside it.
        auto *type = find<QComboBox>(window, "cmbLedType");
        for (const int chosen : {1 - type->currentIndex(), type->currentIndex()}) {
            type->setCurrentIndex(chosen);
            QCOMPARE(preview->property("LedType").toInt(), chosen);
        }
        QVERIFY(preview->geometry().left()
                > find<QLabel>(window, "lblPreview")->geometry().right());
    }

    void pictures()
    {
        const QString old = m_files.filePath("old.bmp");
        QImage(60, 30, QImage::Format_RGB32).save(old);
        const QString broken = m_files.filePath("broken.jpg");
        QVERIFY(writeFile(broken, "this is no picture"));
        Settings::instance().edit([&](SettingsModel &m) { m.HomePic = old; });
        Settings::instance().edit([&](SettingsModel &m) { m.VisitorPic = old; });

        frmOptions window;
        prepare(window);
        auto *image = find<Image>(window, "imgHomePicPreview");
        QTRY_COMPARE(image->Picture().size(), QSize(60, 30));
        // Each preview sits in its own named container.
        for (const char *name : {"HomePic", "VisitorPic", "BoardPic"})
            QCOMPARE(find<Image>(window, qPrintable(QString("img%1Preview").arg(name)))->parent(),
                     find<PictureBox>(window, qPrintable(QString("pic%1PreviewCon").arg(name))));

        // A file that is no picture: a message, and path and preview stay.
        window.chooseFile = [&](QWidget *, const QString &) { return broken; };
        click(window, "cmdChangeHomePic");
        QTRY_COMPARE(m_told.size(), 1);
        QVERIFY(m_told.first().contains(broken));
        QCOMPARE(window.HomePicTemp, old);
        QTRY_COMPARE(image->Picture().size(), QSize(60, 30));

        // Cleared, the preview goes blank.
        auto *visitor = find<Image>(window, "imgVisitorPicPreview");
        QTRY_COMPARE(visitor->Picture().size(), QSize(60, 30));
        click(window, "cmdClearVisitorPic");
        QVERIFY(visitor->Picture().isNull());

        // Ok pressed before the picture is decoded keeps the choice, once it is found good.
        window.chooseFile = [&](QWidget *, const QString &) { return old; };
        click(window, "cmdChangeBoardPic");
        click(window, "cmdClearVisitorPic");
        click(window, "cmdOk");
        QTRY_COMPARE(settings().VisitorPic, QString());
        QCOMPARE(settings().BoardPic, old);
        QCOMPARE(testStore().value("PicSettings/VisitorPic").toString(), QString());
    }

    void sounds()
    {
        // A path of up to 50 characters is shown whole, a longer one shortened to its file: the
        // file's name where it exists, nothing where it does not.
        const auto caption = [](const QString &path) {
            Settings::instance().edit([&](SettingsModel &m) { m.BuzzerFile = path; });
            frmOptions window;
            return text(window, "lblBFile");
        };
        for (const int length : {50, 51}) {
            const QString path = u'/' + QString(length - 6, u'n') + "z.wav";
            QCOMPARE(caption(path), length == 50 ? path : path.left(25) + " .../");
        }
        const QString folder = m_files.path() + u'/';
        const QString path
                = folder + QString(std::max(0, 51 - int(folder.size()) - 5), u'n') + "z.wav";
        QVERIFY(writeFile(path, "RIFF"));
        QCOMPARE(caption(path), path.left(25) + " .../" + path.section(u'/', -1));
        QFile::remove(path);

        const QString wav = m_files.filePath("horn.wav");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/buzzer.wav", wav));
        Settings::instance().edit([&](SettingsModel &m) {
            m.BuzzerFile = wav;
            m.PeriodEndSoundFile.clear();
        });
        frmOptions window;
        prepare(window);
        QCOMPARE(text(window, "lblPeriodEndSound"), "[No File Selected]");
        // No key for a sound that is not there: its button and its key's name are greyed.
        QVERIFY(!find<QPushButton>(window, "cmdPeriodEndSoundKey")->isEnabled());
        QVERIFY(!find<QLabel>(window, "lblPeriodEndSoundKey")->isEnabled());
        QVERIFY(find<QLabel>(window, "lblBuzzerKey")->isEnabled());

        // A sound that cannot play is refused with the reason.
        const QString adpcm = m_files.filePath("adpcm.wav");
        QVERIFY(writeFile(adpcm,
                          QByteArray::fromHex("524946462800000057415645666d74201000000002000100"
                                              "401f0000a00f000001000400646174610400000000000000")));
        window.chooseFile = [&](QWidget *, const QString &) { return adpcm; };
        click(window, "cmdBuzzerSoundChange");
        QCOMPARE(window.BuzzTemp, wav);
        QCOMPARE(m_told,
                 QStringList {"The file " + adpcm
                              + " cannot be played: it is compressed (WAV format 0x0002); save "
                                "it as uncompressed PCM."});
        // So is one cut short, a copy broken off, though the board would play what it holds.
        const QString broken = m_files.filePath("broken.wav");
        QFile whole(QCoreApplication::applicationDirPath() + "/buzzer.wav");
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(broken, whole.read(whole.size() / 2)));
        m_told.clear();
        window.chooseFile = [&](QWidget *, const QString &) { return broken; };
        click(window, "cmdBuzzerSoundChange");
        QCOMPARE(window.BuzzTemp, wav);
        QCOMPARE(m_told,
                 QStringList {"The file " + broken
                              + " cannot be played: the WAV file is damaged or cut short."});

        // A sound longer than any play is taken, told with its length: 75 s at 8000 bytes a
        // second (8-bit mono PCM).
        const QString anthem = m_files.filePath("anthem.wav");
        {
            QByteArray header;
            QDataStream out(&header, QIODevice::WriteOnly);
            out.setByteOrder(QDataStream::LittleEndian);
            const quint32 dataBytes = 75 * 8000;
            out.writeRawData("RIFF", 4);
            out << quint32(36 + dataBytes);
            out.writeRawData("WAVEfmt ", 8);
            out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000)
                << quint16(1) << quint16(8);
            out.writeRawData("data", 4);
            out << dataBytes;
            QVERIFY(writeFile(anthem, header + QByteArray(dataBytes, char(0x80))));
        }
        m_told.clear();
        window.chooseFile = [&](QWidget *, const QString &) { return anthem; };
        click(window, "cmdBuzzerSoundChange");
        QCOMPARE(window.BuzzTemp, anthem);
        QCOMPARE(m_told,
                 QStringList {"The file " + anthem
                              + " plays for 1:15; the scoreboard stops every sound after 30 "
                                "seconds."});

        // A new sound gets its key back; without a sound the key is kept as Space.
        window.chooseFile = [&](QWidget *, const QString &) { return wav; };
        click(window, "cmdBuzzerSoundChange");
        click(window, "cmdPeriodEndSoundChange");
        QCOMPARE(text(window, "lblPeriodEndSoundKey"), "P");
        click(window, "cmdBuzzerSoundNone");
        QCOMPARE(text(window, "lblBuzzerKey"), QString());
        click(window, "cmdOk");
        QCOMPARE(settings().BuzzerFile, QString());
        QCOMPARE(settings().BuzzerKey, 32);
        QCOMPARE(testStore().value("KeySettings/PeriodEndSoundKey").toString(), "80");
        QCOMPARE(settings().PeriodEndSoundFile, wav);

        // Another file for one sound keeps both sounds' keys and the other sound's file.
        const QString siren = m_files.filePath("siren.wav");
        QVERIFY(QFile::copy(wav, siren));
        for (const bool buzzer : {true, false}) {
            Settings::instance().edit([&](SettingsModel &m) {
                m.BuzzerFile = m.PeriodEndSoundFile = wav;
                m.BuzzerKey = 77;
                m.PeriodEndSoundKey = 78;
            });
            frmOptions changed;
            prepare(changed);
            changed.chooseFile = [&](QWidget *, const QString &) { return siren; };
            click(changed, buzzer ? "cmdBuzzerSoundChange" : "cmdPeriodEndSoundChange");
            QCOMPARE(text(changed, "lblBuzzerKey"), "M");
            QCOMPARE(text(changed, "lblPeriodEndSoundKey"), "N");
            click(changed, "cmdOk");
            LoadSettings();
            const SettingsModel &m = settings();
            QCOMPARE(m.BuzzerFile, buzzer ? siren : wav);
            QCOMPARE(m.PeriodEndSoundFile, buzzer ? wav : siren);
            QCOMPARE(m.BuzzerKey, 77);
            QCOMPARE(m.PeriodEndSoundKey, 78);
        }

        // A sound without a key gets no key another command, or the New Bout key, holds: it says
        // so and stays without.
        const struct
        {
            const char *holder;
            qint16 SettingsModel::*key;
        } holders[] = {{"lblClear", &SettingsModel::ClearKey},
                       {"lblNewBoutKey", &SettingsModel::NewBoutKey}};
        for (const auto &[holder, key] : holders) {
            Settings::instance().edit([&](SettingsModel &m) {
                m.BuzzerKey = 32;
                m.ClearKey = 46;
                m.NewBoutKey = 0;
                m.*key = 66;
            });
            m_told.clear();
            frmOptions held;
            prepare(held);
            held.chooseFile = [&](QWidget *, const QString &) { return siren; };
            click(held, "cmdBuzzerSoundChange");
            QCOMPARE(text(held, "lblBuzzerKey"), QString());
            QCOMPARE(text(held, holder), "B");
            QCOMPARE(held.BuzzTemp, siren);
            QCOMPARE(m_told.size(), 1);
            QVERIFY2(m_told.first().startsWith("The key B is used by another command"),
                     qPrintable(m_told.first()));
            click(held, "cmdOk");
            QCOMPARE(settings().*key, 66);
            QCOMPARE(settings().BuzzerKey, 32);
        }
    }

    // The window stays on its screen. Where the screen has room (the test's own screen, 800
    // pixels high) it is as large as its tallest page and nothing scrolls; on a netbook's 1024 x
    // 600 (the same test, run once more on such a screen) the tallest pages scroll, Ok and Cancel
    // stay on the screen, and a control given the keyboard is scrolled into view.
    void fitsTheScreen()
    {
        frmOptions window;
        prepare(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QRect room = window.screen()->availableGeometry();
        QVERIFY2(room.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                    .arg(window.frameGeometry().width())
                                    .arg(window.frameGeometry().height())
                                    .arg(room.width())
                                    .arg(room.height())));
        for (const char *button : {"cmdOk", "cmdCancel"}) {
            const auto *shown = find<QPushButton>(window, button);
            QVERIFY(room.contains(QRect(shown->mapToGlobal(QPoint()), shown->size())));
        }

        auto *tabs = find<QTabWidget>(window, "SSTab1");
        int scrolling = 0;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            auto *page = qobject_cast<QScrollArea *>(tabs->widget(tab));
            QVERIFY(page);
            // Never squeezed: what does not fit scrolls.
            QCOMPARE(page->widget()->height(),
                     qMax(page->viewport()->height(), page->widget()->sizeHint().height()));
            QCOMPARE(page->widget()->width(),
                     qMax(page->viewport()->width(), page->widget()->sizeHint().width()));
            if (page->verticalScrollBar()->isVisible())
                ++scrolling;
        }
        if (room.height() >= window.sizeHint().height() + 100) {
            QCOMPARE(scrolling, 0);
            return;
        }
        QVERIFY(scrolling > 0);
        tabs->setCurrentIndex(4);
        auto *page = qobject_cast<QScrollArea *>(tabs->currentWidget());
        auto *port = find<QSpinBox>(window, "spnFeedPort");
        const auto inView = [page](const QWidget *control) {
            const QRect at(control->mapTo(page->viewport(), QPoint()), control->size());
            return page->viewport()->rect().contains(at);
        };
        QVERIFY(!inView(port));
        port->setFocus(Qt::TabFocusReason);
        QVERIFY(inView(port));
        // Back to the top with the first control of the page.
        auto *change = find<QPushButton>(window, "cmdBuzzerSoundChange");
        change->setFocus(Qt::BacktabFocusReason);
        QVERIFY(inView(change));
        QVERIFY(!inView(port));
    }

    // A page asks for what its contents need within its limits, and for the room of the scroll
    // bar a limit brings: beside contents cut shorter, below contents cut narrower.
    void pageAsksForWhatFits()
    {
        auto *contents = new QWidget;
        auto *layout = new QVBoxLayout(contents);
        layout->setContentsMargins(0, 0, 0, 0);
        (new QWidget(contents))->setFixedSize(500, 400);
        layout->addWidget(contents->findChild<QWidget *>());
        ScrollingPage page(contents);
        QCOMPARE(page.sizeHint(), QSize(500, 400));
        const int bar = page.verticalScrollBar()->sizeHint().width();
        const int sideBar = page.horizontalScrollBar()->sizeHint().height();
        QVERIFY(bar > 0 && sideBar > 0);
        page.setSizeLimit(1000, 300);
        QCOMPARE(page.sizeHint(), QSize(500 + bar, 300));
        page.setSizeLimit(400, 1000);
        QCOMPARE(page.sizeHint(), QSize(400, 400 + sideBar));
        page.setSizeLimit(400, 300);
        QCOMPARE(page.sizeHint(), QSize(400, 300));
        QCOMPARE(page.minimumSizeHint(), page.sizeHint());
    }

    // Opened from a board, the window stands within the screen on the side with more room: beside
    // the board where that room takes it whole, else at the screen's edge.
    void keepsClearOfTheBoard()
    {
        QWidget board;
        const QRect room = board.screen()->availableGeometry();
        const int width = 300;
        for (const int x : {room.left() + 20, room.right() - 20 - width}) {
            board.setGeometry(x, room.top() + 50, width, 200);
            board.show();
            QVERIFY(QTest::qWaitForWindowExposed(&board));
            frmOptions window(&board);
            prepare(window);
            window.keepClearOf(&board);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QRect placed = window.frameGeometry();
            const QRect beside = board.frameGeometry();
            const bool onRight = x == room.left() + 20;
            QVERIFY(room.contains(placed));
            if (room.width() - width - 20 < placed.width()) {
                QCOMPARE(onRight ? placed.right() : placed.left(),
                         onRight ? room.right() : room.left());
                continue;
            }
            QVERIFY(!placed.intersects(beside));
            QCOMPARE(onRight ? placed.left() - 1 : placed.right() + 1,
                     onRight ? beside.right() : beside.left());
        }
    }

    // Texts of any length in the settings, and a file name as long as a disk takes, leave the
    // window as wide as it is with the usual ones.
    // Every tab at the window's one size, its controls each in a place of their own, whatever
    // the texts and paths stored.
    void longTextsKeepTheWindowsSize()
    {
        frmOptions usual;
        usual.show();
        const QSize usualSize = usual.size();

        const QString longFile = m_files.filePath(QString(240, u'w') + ".wav");
        QVERIFY(writeFile(longFile, "RIFF"));
        const QString huge(10240, u'W');
        Settings::instance().edit([&](SettingsModel &m) {
            m.AudienceScreen = huge;
            m.TitleText = m.HomeText = m.VisitorText = huge;
            m.BuzzerFile = longFile;
            m.PeriodEndSoundFile = "/" + huge + ".wav";
            m.HomePic = huge;
        });
        frmOptions window;
        prepare(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *tabs = find<QTabWidget>(window, "SSTab1");
        QStringList seen;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), usualSize);
            // Every control of the tab in view has a place of its own, within its frame.
            checkLaidOut(&window);
            checkLaidOut(tabs->widget(tab));
            for (const QAbstractButton *option : window.findChildren<QAbstractButton *>()) {
                if (option->isVisible())
                    seen.append(option->objectName());
            }
        }
        // Each option the operator sets by a tick or a choice is on one of the tabs.
        for (const char *option : {"chkJoinJamPenalty", "chkSuppressPeriodSound", "chkGameFlow",
                                   "optNormal", "optKeepOn", "optKeepOff"})
            QVERIFY2(seen.contains(option), option);
        QCOMPARE(find<QComboBox>(window, "cmbAudienceScreen")->currentData().toString(), huge);
        QVERIFY(text(window, "lblBFile").endsWith(QString(240, u'w') + ".wav"));
    }

    void textLengthsAndClamping()
    {
        // A longer name stored by other means stays whole; typing cannot lengthen it again.
        const QString stored(30, u'V');
        Settings::instance().edit([&](SettingsModel &m) {
            m.VisitorText = stored;
            m.LEDSelectedWidth = 9;
            m.PenaltyIncrementSec = -4;
            m.LEDType = 3;
            m.JoinJamPenalty = false;
            m.SuppressPeriodSound = true;
            m.NumLockForce = NumLockMode(7);
        });
        frmOptions window;
        prepare(window);
        window.show();
        auto *title = find<QLineEdit>(window, "txtTitleText");
        auto *home = find<QLineEdit>(window, "txtHomeText");
        auto *visitor = find<QLineEdit>(window, "txtVisitorText");
        QCOMPARE(visitor->text(), stored);
        QTest::keyClicks(visitor, "x");
        QTest::keyClick(visitor, Qt::Key_Backspace);
        QTest::keyClicks(visitor, "x");
        QCOMPARE(visitor->text(), stored.left(29));
        // A text pasted whole into a field not yet typed in is cut at the field's length too.
        title->clear();
        QGuiApplication::clipboard()->setText("abcdefghijklmnopqrstuvwxyz");
        title->setFocus();
        QTest::keyClick(title, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(title->text(), "abcdefghijklmnopqrstuvwxy");
        home->clear();
        QTest::keyClicks(home, "abcdefghijklmnopqrstu");
        QCOMPARE(home->text(), "abcdefghijklmnopqrst");
        // So is a paste over the whole of a full field, one character longer than the field.
        QGuiApplication::clipboard()->setText("ABCDEFGHIJKLMNOPQRSTU");
        QTest::keyClick(home, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(home, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(home->text(), "ABCDEFGHIJKLMNOPQRST");
        // One character typed over a part of it takes that part's place.
        home->setSelection(2, 3);
        QTest::keyClicks(home, "x");
        QCOMPARE(home->text(), "ABxFGHIJKLMNOPQRST");
        QTest::keyClicks(home, "yz");
        QCOMPARE(home->text(), "ABxyzFGHIJKLMNOPQRST");

        // Stored values the widgets cannot hold are shown clamped, and Ok stores what is shown.
        QCOMPARE(text(window, "lblLEDSelectedWidthValue"), "5");
        QCOMPARE(text(window, "lblPenaltyIncrement"), "0");
        QCOMPARE(find<QComboBox>(window, "cmbLedType")->currentText(), "Dots");
        for (const char *option : {"optNormal", "optKeepOn", "optKeepOff"})
            QVERIFY(!find<QRadioButton>(window, option)->isChecked());
        click(window, "cmdOk");
        const SettingsModel &m = settings();
        QCOMPARE(m.TitleText, "abcdefghijklmnopqrstuvwxy");
        QCOMPARE(m.HomeText, "ABxyzFGHIJKLMNOPQRST");
        QCOMPARE(m.VisitorText, stored.left(29));
        QCOMPARE(m.LEDSelectedWidth, 5);
        QCOMPARE(m.PenaltyIncrementSec, 0);
        QCOMPARE(m.LEDType, 1);
        QCOMPARE(m.JoinJamPenalty, false);
        QCOMPARE(m.SuppressPeriodSound, true);
        QCOMPARE(m.NumLockForce, NumLockMode(7));

        Settings::instance().edit([](SettingsModel &m) { m.PenaltyIncrementSec = 700; });
        frmOptions again;
        QCOMPARE(text(again, "lblPenaltyIncrement"), "599");
    }

    // The limits count characters as the operator sees them: an emoji beyond the first 65536
    // code points, a flag of several, or a letter with its accent is one, and none is cut in two
    // to be saved as a broken half.
    void textLengthsInCharacters()
    {
        frmOptions window;
        prepare(window);
        window.show();
        auto *home = find<QLineEdit>(window, "txtHomeText");
        auto *title = find<QLineEdit>(window, "txtTitleText");
        const auto type = [](QLineEdit *box, const QString &character) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
            QApplication::sendEvent(box, &press);
        };
        const QString skate = QString::fromUtf8("\U0001F6FC");
        const QString flag = QString::fromUtf8("\U0001F3F3\uFE0F\u200D\U0001F308");
        home->clear();
        home->setFocus();
        QTest::keyClicks(home, "Tokyo Roller Derby ");
        type(home, skate);
        QCOMPARE(home->text(), "Tokyo Roller Derby " + skate);
        type(home, "x");
        type(home, skate);
        QCOMPARE(home->text(), "Tokyo Roller Derby " + skate);
        // What was refused left the box's undo as it was.
        QTest::keyClick(home, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(home->text(), QString());
        QTest::keyClick(home, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(home->text(), "Tokyo Roller Derby " + skate);
        // An accent typed after the last letter belongs to it.
        home->clear();
        QTest::keyClicks(home, QString(20, u'e'));
        type(home, QString(QChar(0x0301)));
        QCOMPARE(home->text(), QString(20, u'e') + QChar(0x0301));
        // Pasted, a text is cut after its last whole character that fits.
        title->clear();
        title->setFocus();
        QGuiApplication::clipboard()->setText("Pride Cup 2026 Roller D " + flag.repeated(3));
        QTest::keyClick(title, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(title->text(), "Pride Cup 2026 Roller D " + flag);
        // Typed in the middle of a full box, nothing goes in and nothing at the end is lost.
        title->setCursorPosition(5);
        type(title, skate);
        QCOMPARE(title->text(), "Pride Cup 2026 Roller D " + flag);
        click(window, "cmdOk");
        QCOMPARE(settings().HomeText, QString(20, u'e') + QChar(0x0301));
        QCOMPARE(settings().TitleText, "Pride Cup 2026 Roller D " + flag);
    }
};

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
