#include "frmoptions.h"
#include "frmsplash.h"
#include "settingsstore.h"
#include "version.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

class TestFrmSplash : public QObject
{
    Q_OBJECT

private:
    static QWidget *scoreboard()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmScoreboard" && w->isVisible())
                return w;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        QFile::remove(settingsFileName());
        for (QWidget *w : QApplication::topLevelWidgets())
            delete w;
    }

    void loadPlacesTheWindowAndShowsTheVersion()
    {
        frmSplash splash;
        QVERIFY(splash.Form_Load(QString()));
        QVERIFY(!splash.isGone());
        QCOMPARE(splash.size(), QSize(416, 216));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(splash.y(), (screen.height() - 392) / 2);
        QCOMPARE(splash.x(), (screen.width() - 416) / 2);
        QCOMPARE(splash.findChild<QLabel *>("lblVersion")->text(),
                 QString("Version ") + CORVANTA_VERSION);
        QVERIFY(!splash.findChild<QLabel *>("picLogo")->pixmap().isNull());
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("bypassed");
        QTest::newRow("bypass") << "bypass" << true;
        QTest::newRow("capitalised") << "Bypass" << false;
        QTest::newRow("further word") << "bypass now" << false;
        QTest::newRow("empty") << "" << false;
    }

    void commandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, bypassed);
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load(commandLine));
        QCOMPARE(splash->isGone(), bypassed);
        QCOMPARE(scoreboard() != nullptr, bypassed);
        if (bypassed) {
            QCOMPARE(scoreboard()->windowTitle(), "Corvanta");
            QTRY_VERIFY(splash.isNull());
        } else {
            delete splash;
        }
    }

    void clicksGoOnButButtonsDoNot()
    {
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load(QString()));
        splash->show();
        QTest::mouseClick(splash->findChild<QPushButton *>("cmdHelp"), Qt::LeftButton);
        QWidget *help = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmHelp" && w->isVisible())
                help = w;
        }
        QVERIFY(help);

        // Options is modal; the new colours are what the scoreboard opens in.
        QTimer::singleShot(0, this, [] {
            auto *options = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            QVERIFY(options);
            options->chooseColor = [](QWidget *) { return std::optional<qint32>(0x00123456); };
            options->findChild<QPushButton *>("cmdBackC")->click();
            options->findChild<QPushButton *>("cmdOk")->click();
        });
        QTest::mouseClick(splash->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        QVERIFY(!splash->isGone());
        QVERIFY(!scoreboard());

        QTest::mouseClick(splash->findChild<QLabel *>("Label2"), Qt::LeftButton);
        QVERIFY(splash->isGone());
        QVERIFY(scoreboard());
        QCOMPARE(scoreboard()->palette().color(QPalette::Window), QColor(0x56, 0x34, 0x12));
        QTRY_VERIFY(splash.isNull());
        // The help window outlives the start-up window, and closes with the scoreboard.
        QVERIFY(help->isVisible());
        scoreboard()->close();
        QVERIFY(!help->isVisible());
    }
};

QTEST_MAIN(TestFrmSplash)
#include "tst_frmsplash.moc"
