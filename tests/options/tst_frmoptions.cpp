#include "colorswatch.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "frmoptions.h"
#include "image.h"

#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

namespace {

// A file whose full path has exactly the given length.
QString pathOfLength(const QTemporaryDir &dir, int length, const QString &suffix)
{
    const QString folder = dir.path() + u'/';
    return folder + QString(length - folder.size() - suffix.size(), u'n') + suffix;
}

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    static T *find(const frmOptions &window, const char *name)
    {
        T *child = window.findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("no widget %s", name);
        return child;
    }
    static void click(const frmOptions &window, const char *button)
    {
        find<QPushButton>(window, button)->click();
    }
    static QString text(const frmOptions &window, const char *label)
    {
        return find<QLabel>(window, label)->text();
    }
    static qint32 swatch(const frmOptions &window, const char *name)
    {
        return find<ColorSwatch>(window, name)->color();
    }
    // Answers the key-capture dialog with one key press, the way the operator would.
    static void answerKeys(frmOptions &window, Qt::Key key)
    {
        window.runChooseKey = [key](frmChooseKey &dialog) {
            dialog.beep = [] {};
            QTest::keyClick(&dialog, key);
        };
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

    void cancelDiscardsTheWorkingCopy()
    {
        const QString picture = m_files.filePath("home.bmp");
        QImage(40, 20, QImage::Format_RGB32).save(picture);
        settings().HomePic = picture;
        const SettingsModel before = settings();

        for (const bool byCloseBox : {false, true}) {
            frmOptions window;
            prepare(window);
            window.show();
            answerKeys(window, Qt::Key_X);
            click(window, "cmdStartStopJamClock");
            window.chooseColor = [](QWidget *) { return std::optional<qint32>(0x123456); };
            click(window, "cmdTimeC");
            click(window, "cmdClearHomePic");
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

        frmOptions again;
        QCOMPARE(text(again, "lblStartStopJamClock"), "J");
        QCOMPARE(swatch(again, "picTimeC"), 0x000080FF);
        QTRY_VERIFY(!find<Image>(again, "imgHomePicPreview")->Picture().isNull());
        QCOMPARE(again.BuzzTemp, before.BuzzerFile);
        QVERIFY(find<QRadioButton>(again, "optNormal")->isChecked());
    }

    void okWithoutChangeWritesEveryKey()
    {
        const SettingsModel before = settings();
        frmOptions window;
        prepare(window);
        window.show();
        click(window, "cmdOk");
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(settings(), before);
        QVERIFY(m_told.isEmpty());

        QSettings written = testStore();
        const auto count = [&written](const char *section) {
            written.beginGroup(QLatin1String(section));
            const auto n = written.childKeys().size();
            written.endGroup();
            return n;
        };
        QCOMPARE(count("ColorSettings"), 10);
        QCOMPARE(count("KeySettings"), 17);
        QCOMPARE(count("TextSettings"), 3);
        QCOMPARE(count("PicSettings"), 4);
        QCOMPARE(written.value("KeySettings/IsKeyCode").toString(), "Yes");
        QCOMPARE(written.value("KeySettings/BuzzerFile").toString(), before.BuzzerFile);
        QCOMPARE(written.value("KeySettings/JoinJamPenalty").toString(), "1");
        QCOMPARE(written.value("ColorSettings/TimeColor").toString(), "33023");
    }

    void opensOnKeyControlsWithFocusOnOk()
    {
        frmOptions window;
        prepare(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.focusWidget(), find<QPushButton>(window, "cmdOk"));
        // Offscreen, NumLock cannot be set: the group says so and cannot be changed.
        QVERIFY(!find<QGroupBox>(window, "fraNumLock")->isEnabled());
        QVERIFY(find<QLabel>(window, "lblNumLockNote")->isVisible());

        // Enter and Space press the focused button; Enter elsewhere presses "&Ok".
        int asked = 0;
        window.askYesNo = [&asked](QWidget *, const QString &, const QString &) {
            ++asked;
            return false;
        };
        auto *resetKeys = find<QPushButton>(window, "cmdResetKeys");
        resetKeys->setFocus();
        QTest::keyClick(resetKeys, Qt::Key_Return);
        QTest::keyClick(resetKeys, Qt::Key_Space);
        QCOMPARE(asked, 2);
        QVERIFY(window.isVisible());
        auto *joinJamPenalty = find<QCheckBox>(window, "chkJoinJamPenalty");
        joinJamPenalty->setFocus();
        QTest::keyClick(joinJamPenalty, Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        window.show();
        auto *tabs = find<QTabWidget>(window, "SSTab1");
        tabs->setCurrentIndex(3);
        window.reject();
        window.show();
        QCOMPARE(tabs->currentIndex(), 0);

        // After the key-capture dialog, Enter commits.
        answerKeys(window, Qt::Key_Escape);
        find<QPushButton>(window, "cmdResetJamClock")->setFocus();
        click(window, "cmdResetJamClock");
        QCOMPARE(window.focusWidget(), find<QPushButton>(window, "cmdOk"));
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    // Every key, the new-bout and audience keys too, is refused a key another command holds.
    void keyReassignment()
    {
        settings().AudienceScreen = "HDMI-9";
        frmOptions window;
        prepare(window);
        // Esc is refused like any nameless key; the dialog then leaves by its close box.
        window.runChooseKey = [](frmChooseKey &dialog) {
            dialog.beep = [] {};
            QTest::keyClick(&dialog, Qt::Key_Escape);
            dialog.close();
        };
        click(window, "cmdResetJamClock");
        QCOMPARE(window.ResetJamClockKeyTemp, 82);

        // J is held by the jam clock until it moves to X; then it is free at once.
        answerKeys(window, Qt::Key_J);
        click(window, "cmdResetJamClock");
        QCOMPARE(window.ResetJamClockKeyTemp, 82);
        click(window, "cmdNewBoutKey");
        QCOMPARE(window.NewBoutKeyTemp, 0);
        click(window, "cmdAudienceBoardKey");
        QCOMPARE(window.AudienceBoardKeyTemp, 0);
        answerKeys(window, Qt::Key_X);
        click(window, "cmdStartStopJamClock");
        answerKeys(window, Qt::Key_J);
        click(window, "cmdResetJamClock");
        QCOMPARE(window.ResetJamClockKeyTemp, 74);
        QCOMPARE(text(window, "lblResetJamClock"), "J");

        // The new-bout and audience keys hold theirs against each other and the rest.
        answerKeys(window, Qt::Key_N);
        click(window, "cmdNewBoutKey");
        click(window, "cmdAudienceBoardKey");
        QCOMPARE(window.AudienceBoardKeyTemp, 0);
        answerKeys(window, Qt::Key_F8);
        click(window, "cmdAudienceBoardKey");
        QCOMPARE(text(window, "lblAudienceBoardKey"), "F8");
        click(window, "cmdNewBoutKey");
        QCOMPARE(window.NewBoutKeyTemp, 78);
        click(window, "cmdPenaltyIncrementKey");
        QCOMPARE(window.PenaltyIncrementSecKeyTemp, 65);

        // A screen that is not connected stays chosen until another is picked.
        auto *screens = find<QComboBox>(window, "cmbAudienceScreen");
        QScreen *only = QGuiApplication::screens().constFirst();
        QCOMPARE(screens->count(), 3);
        QCOMPARE(screens->itemText(1),
                 QStringLiteral("%1 (%2 x %3)")
                         .arg(only->name())
                         .arg(only->size().width())
                         .arg(only->size().height()));
        QCOMPARE(screens->currentText(), "HDMI-9 (not connected)");
        screens->setCurrentIndex(1);

        click(window, "cmdOk");
        QCOMPARE(settings().StartStopJamClockKey, 88);
        QCOMPARE(settings().ResetJamClockKey, 74);
        QCOMPARE(settings().NewBoutKey, 78);
        QCOMPARE(settings().AudienceBoardKey, 119);
        QCOMPARE(settings().AudienceScreen, only->name());
        QSettings stored = testStore();
        QCOMPARE(stored.value("KeySettings/ResetJamClockKey").toString(), "74");
        QCOMPARE(stored.value("BoutSettings/NewBoutKey").toString(), "78");
        QCOMPARE(stored.value("ScreenSettings/AudienceScreen").toString(), only->name());
        QCOMPARE(stored.value("ScreenSettings/AudienceBoardKey").toString(), "119");
        QVERIFY(!stored.contains("KeySettings/AudienceBoardKey"));
    }

    // The button asks, and only then tells a listening board; it is off where none listens.
    void newBout()
    {
        frmOptions window;
        prepare(window);
        int confirmed = 0;
        connect(&window, &frmOptions::newBoutConfirmed, this, [&confirmed] { ++confirmed; });
        window.show();
        click(window, "cmdNewBout");
        QCOMPARE(confirmed, 0);
        window.askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
        click(window, "cmdNewBout");
        QCOMPARE(confirmed, 1);

        frmOptions alone;
        prepare(alone);
        alone.show();
        QVERIFY(!find<QPushButton>(alone, "cmdNewBout")->isEnabled());
    }

    void resetKeys()
    {
        settings().NumLockForce = 2;
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
        QCOMPARE(window.NewBoutKeyTemp, 46);
        QCOMPARE(window.AudienceBoardKeyTemp, 65);

        // Answered No: nothing changes.
        click(window, "cmdResetKeys");
        QCOMPARE(window.ClearKeyTemp, 81);

        window.askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
        click(window, "cmdResetKeys");
        QCOMPARE(window.StartStopJamClockKeyTemp, 74);
        QCOMPARE(window.ClearKeyTemp, 46);
        QCOMPARE(text(window, "lblClear"), "Delete");
        QVERIFY(find<QRadioButton>(window, "optNormal")->isChecked());
        // The jam takes J back, so the buzzer goes back to B, and the increment from B to A.
        QCOMPARE(window.BuzzerKeyTemp, 66);
        QCOMPARE(window.PenaltyIncrementSecKeyTemp, 65);
        // A key no command takes back stays.
        QCOMPARE(window.PeriodEndSoundKeyTemp, 89);
        QCOMPARE(text(window, "lblPenaltyIncrementKey"), "A");
        // Neither of the keys without a default keeps a key a command has taken back.
        QCOMPARE(window.NewBoutKeyTemp, 0);
        QCOMPARE(window.AudienceBoardKeyTemp, 0);
        QCOMPARE(text(window, "lblAudienceBoardKey"), "");
    }

    void colors()
    {
        settings().LEDSelectedWidth = 1;
        settings().LEDType = 1;
        frmOptions window;
        prepare(window);
        // The digit style's preview follows the list, the settings only Ok.
        auto *preview = find<Facetra>(window, "pledPreview");
        QCOMPARE(preview->LedType(), 1);
        find<QComboBox>(window, "cmbLedType")->setCurrentIndex(0);
        QCOMPARE(preview->LedType(), 0);
        QCOMPARE(settings().LEDType, 1);

        // A cancelled pick leaves the swatch; a pick sets it.
        click(window, "cmdScoreC");
        QCOMPARE(swatch(window, "picScoreC"), 0x000000FF);
        window.chooseColor = [](QWidget *) { return std::optional<qint32>(0x00ABCDEF); };
        for (const char *button : {"cmdTimeC", "cmdLEDB", "cmdVisitorC"})
            click(window, button);
        QCOMPARE(swatch(window, "picVisitorC"), 0x00ABCDEF);
        find<QScrollBar>(window, "scrLEDSelectedWidth")->setValue(4);
        QCOMPARE(text(window, "lblLEDSelectedWidthValue"), "4");

        click(window, "cmdResetColors");
        QCOMPARE(swatch(window, "picTimeC"), 0x00ABCDEF);

        window.askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
        click(window, "cmdResetColors");
        QCOMPARE(text(window, "lblLEDSelectedWidthValue"), "0");
        click(window, "cmdOk");
        const SettingsModel &m = settings();
        QCOMPARE(m.TimeColor, 0x000080FF);
        QCOMPARE(m.LEDBack, 0);
        QCOMPARE(m.VisitorColor, 0x00FFFFFF);
        QCOMPARE(m.LEDSelectedWidth, 0);
        QCOMPARE(m.LEDType, 0);
    }

    // The up arrow, the page area above the thumb and the wheel turned away raise the value; the
    // thumb can be dragged to the top for the maximum.
    void scrollBarsRaiseUpward()
    {
        settings().LEDSelectedWidth = 0;
        settings().PenaltyIncrementSec = 0;
        frmOptions window;
        prepare(window);
        window.show();
        auto *tabs = find<QTabWidget>(window, "SSTab1");
        for (const auto &[tab, name] :
             {std::pair(1, "scrLEDSelectedWidth"), std::pair(4, "vsPenaltyIncrement")}) {
            tabs->setCurrentIndex(tab);
            auto *bar = find<QScrollBar>(window, name);
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
            QWheelEvent away(QPointF(x, arrow), bar->mapToGlobal(QPointF(x, arrow)), {},
                             QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &away);
            QCOMPARE(bar->value(), 2);
            bar->setValue(0);
            const QPoint thumb(x, bar->height() - arrow - 4);
            QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
            QTest::mouseMove(bar, QPoint(x, 0));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, 0));
            QCOMPARE(bar->value(), bar->maximum());
        }
        QCOMPARE(text(window, "lblPenaltyIncrement"), "599");
    }

    void pictures()
    {
        const QString old = m_files.filePath("old.bmp");
        QImage(60, 30, QImage::Format_RGB32).save(old);
        const QString tall = m_files.filePath("tall.jpg");
        QImage(10, 40, QImage::Format_RGB32).save(tall, "JPG");
        const QString broken = m_files.filePath("broken.jpg");
        QVERIFY(writeFile(broken, "this is no picture"));
        settings().HomePic = old;
        settings().VisitorPic = old;

        frmOptions window;
        prepare(window);
        auto *image = find<Image>(window, "imgHomePicPreview");
        QTRY_COMPARE(image->Picture().size(), QSize(60, 30));

        // A file that is no picture: a message, and path and preview stay.
        QString filter;
        window.chooseFile = [&](QWidget *, const QString &f) {
            filter = f;
            return broken;
        };
        click(window, "cmdChangeHomePic");
        QCOMPARE(filter, "Pictures (*.bmp *.gif *.jpg *.jpeg *.png)");
        QTRY_COMPARE(m_told.size(), 1);
        QVERIFY(m_told.first().contains(broken));
        QCOMPARE(window.HomePicTemp, old);
        QTRY_COMPARE(image->Picture().size(), QSize(60, 30));

        // A file that does not exist is not taken, silently.
        window.chooseFile
                = [&](QWidget *, const QString &) { return m_files.filePath("gone.bmp"); };
        click(window, "cmdChangeHomePic");
        QCOMPARE(window.HomePicTemp, old);
        QCOMPARE(m_told.size(), 1);

        window.chooseFile = [&](QWidget *, const QString &) { return tall; };
        click(window, "cmdChangeBoardPic");
        // Taken at once: Ok pressed before the picture is decoded keeps the choice.
        QCOMPARE(window.BoardPicTemp, tall);
        auto *board = find<Image>(window, "imgBoardPicPreview");
        QTRY_COMPARE(board->Picture().isNull(), false);
        QVERIFY(board->Height() > board->Width());

        click(window, "cmdClearHomePic");
        QVERIFY(image->Picture().isNull());
        click(window, "cmdClearVisitorPic");
        click(window, "cmdOk");
        QCOMPARE(settings().HomePic, QString());
        QCOMPARE(settings().VisitorPic, QString());
        QCOMPARE(settings().BoardPic, tall);
        QCOMPARE(testStore().value("PicSettings/VisitorPic").toString(), QString());
    }

    void sounds()
    {
        // A path of up to 50 characters is shown whole, a longer one shortened to its file.
        for (const int length : {50, 51}) {
            const QString path = pathOfLength(m_files, length, "z.wav");
            QVERIFY(writeFile(path, "RIFF"));
            settings().BuzzerFile = path;
            frmOptions window;
            QCOMPARE(text(window, "lblBFile"),
                     length == 50 ? path : path.left(25) + " .../" + path.section(u'/', -1));
            QFile::remove(path);
        }

        const QString wav = m_files.filePath("horn.wav");
        QFile::remove(wav);
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/buzzer.wav", wav));
        // The jam clock holds B, so the buzzer cannot get it back.
        settings().StartStopJamClockKey = 66;
        settings().BuzzerFile = wav;
        settings().PeriodEndSoundFile.clear();
        frmOptions window;
        prepare(window);
        QCOMPARE(text(window, "lblPeriodEndSound"), "[No File Selected]");
        QVERIFY(!find<QPushButton>(window, "cmdPeriodEndSoundKey")->isEnabled());
        QVERIFY(!find<QPushButton>(window, "cmdPeriodEndSoundNone")->isEnabled());

        click(window, "cmdBuzzerSoundNone");
        QCOMPARE(window.BuzzTemp, QString());
        QCOMPARE(window.BuzzerKeyTemp, 32);
        QCOMPARE(text(window, "lblBuzzerKey"), QString());
        QVERIFY(!find<QPushButton>(window, "cmdBuzzerKey")->isEnabled());

        // A sound that cannot play is refused with the reason; one over 30 seconds is taken
        // with a warning; a cancelled file dialog changes nothing.
        const QString adpcm = m_files.filePath("adpcm.wav");
        QVERIFY(writeFile(adpcm,
                          QByteArray::fromHex("524946462800000057415645666d74201000000002000100"
                                              "401f0000a00f000001000400646174610400000000000000")));
        const QString longSound = m_files.filePath("long.wav");
        QCOMPARE(QProcess::execute(
                         "sox",
                         {"-n", "-r", "8000", "-c", "1", "-b", "8", longSound, "trim", "0", "75"}),
                 0);
        QString filter;
        for (const QString &chosen : {adpcm, longSound, QString()}) {
            window.chooseFile = [&](QWidget *, const QString &f) {
                filter = f;
                return chosen;
            };
            click(window, "cmdBuzzerSoundChange");
        }
        QCOMPARE(filter, "Sounds (*.wav)");
        QCOMPARE(window.BuzzTemp, longSound);
        // Each choice also says that the jam clock holds the buzzer's key.
        QCOMPARE(m_told.size(), 3);
        QCOMPARE(m_told.first(),
                 "The file " + adpcm
                         + " cannot be played: it is compressed (WAV format 0x0002); save it as "
                           "uncompressed PCM.");
        QVERIFY(m_told.contains("The file " + longSound
                                + " plays for 1:15; the scoreboard stops every sound after 30 "
                                  "seconds."));

        // A new sound keeps a real key; a key still free is given back.
        answerKeys(window, Qt::Key_Y);
        click(window, "cmdBuzzerKey");
        window.chooseFile = [&](QWidget *, const QString &) { return wav; };
        click(window, "cmdBuzzerSoundChange");
        QCOMPARE(window.BuzzerKeyTemp, 89);
        click(window, "cmdPeriodEndSoundChange");
        QCOMPARE(window.PeriodEndSoundKeyTemp, 80);
        QCOMPARE(text(window, "lblPeriodEndSoundKey"), "P");
        click(window, "cmdPeriodEndSoundNone");
        click(window, "cmdOk");
        QCOMPARE(settings().PeriodEndSoundFile, QString());
        QCOMPARE(settings().PeriodEndSoundKey, 32);
        QCOMPARE(testStore().value("KeySettings/PeriodEndSoundKey").toString(), "32");
        QCOMPARE(settings().BuzzerFile, wav);
    }

    void textLengths()
    {
        // A longer name stored by other means stays whole; typing cannot lengthen it again.
        const QString stored(30, u'V');
        settings().VisitorText = stored;
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
        title->clear();
        QTest::keyClicks(title, "abcdefghijklmnopqrstuvwxyz");
        QCOMPARE(title->text(), "abcdefghijklmnopqrstuvwxy");
        home->clear();
        QTest::keyClicks(home, "abcdefghijklmnopqrstu");
        QCOMPARE(home->text(), "abcdefghijklmnopqrst");
        home->clear();
        click(window, "cmdOk");
        QCOMPARE(settings().TitleText, "abcdefghijklmnopqrstuvwxy");
        QCOMPARE(settings().HomeText, QString());
        QCOMPARE(settings().VisitorText, stored.left(29));
    }

    // Stored values the widgets cannot hold are shown clamped, and OK stores what is shown.
    void outOfRangeValuesAreClamped()
    {
        SettingsModel &m = settings();
        m.LEDSelectedWidth = 9;
        m.PenaltyIncrementSec = -4;
        m.LEDType = 3;
        m.JoinJamPenalty = 2;
        m.SuppressPeriodSound = 1;
        m.NumLockForce = 7;
        frmOptions window;
        prepare(window);
        QCOMPARE(text(window, "lblLEDSelectedWidthValue"), "5");
        QCOMPARE(text(window, "lblPenaltyIncrement"), "0");
        QCOMPARE(find<QComboBox>(window, "cmbLedType")->currentText(), "Dots");
        QVERIFY(!find<QCheckBox>(window, "chkJoinJamPenalty")->isChecked());
        QVERIFY(find<QCheckBox>(window, "chkSuppressPeriodSound")->isChecked());
        for (const char *option : {"optNormal", "optKeepOn", "optKeepOff"})
            QVERIFY(!find<QRadioButton>(window, option)->isChecked());
        click(window, "cmdOk");
        QCOMPARE(m.LEDSelectedWidth, 5);
        QCOMPARE(m.PenaltyIncrementSec, 0);
        QCOMPARE(m.LEDType, 1);
        QCOMPARE(m.JoinJamPenalty, 0);
        QCOMPARE(m.SuppressPeriodSound, 1);
        QCOMPARE(m.NumLockForce, 7);

        m.PenaltyIncrementSec = 700;
        frmOptions again;
        QCOMPARE(text(again, "lblPenaltyIncrement"), "599");
    }
};

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
