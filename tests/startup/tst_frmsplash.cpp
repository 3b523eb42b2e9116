#include "frmoptions.h"
#include "frmsplash.h"
#include "version.h"

#include <QApplication>
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
    static QWidget *shown(const char *window)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == window && w->isVisible())
                return w;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            delete w;
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
        QCOMPARE(shown("frmScoreboard") != nullptr, bypassed);
        if (bypassed) {
            QCOMPARE(shown("frmScoreboard")->windowTitle(), "Corvanta");
            QTRY_VERIFY(splash.isNull());
            return;
        }
        QCOMPARE(splash->size(), QSize(416, 216));
        // Centred as if it were 392 pixels high.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(splash->pos(), QPoint((screen.width() - 416) / 2, (screen.height() - 392) / 2));
        QCOMPARE(splash->findChild<QLabel *>("lblVersion")->text(),
                 QString("Version ") + CORVANTA_VERSION);
        QVERIFY(!splash->findChild<QLabel *>("picLogo")->pixmap().isNull());
        delete splash;
    }

    void clicksGoOnButButtonsDoNot()
    {
        QPointer<frmSplash> splash = new frmSplash;
        QVERIFY(splash->Form_Load(QString()));
        splash->show();
        QTest::mouseClick(splash->findChild<QPushButton *>("cmdHelp"), Qt::LeftButton);
        QWidget *help = shown("frmHelp");
        QVERIFY(help);

        // Options is modal and leaves the start-up window as it was.
        QTimer::singleShot(0, this, [] {
            auto *options = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            QVERIFY(options);
            options->findChild<QPushButton *>("cmdOk")->click();
        });
        QTest::mouseClick(splash->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        QVERIFY(!splash->isGone());
        QVERIFY(!shown("frmScoreboard"));

        QTest::mouseClick(splash->findChild<QLabel *>("Label2"), Qt::LeftButton);
        QVERIFY(splash->isGone());
        QVERIFY(shown("frmScoreboard"));
        QTRY_VERIFY(splash.isNull());
        // The help window outlives the start-up window, and closes with the scoreboard.
        QVERIFY(help->isVisible());
        shown("frmScoreboard")->close();
        QVERIFY(!help->isVisible());
    }
};

QTEST_MAIN(TestFrmSplash)
#include "tst_frmsplash.moc"
