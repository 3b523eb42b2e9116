#include "frmoptions.h"
#include "numlock.h"

#include "settingsmodel.h"
#include "settingsstore.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// OK in the Options window forces the real keyboard's NumLock, here an X server's.
class TestOptionsNumLock : public QObject
{
    Q_OBJECT

private:
    static void confirm(const char *option, bool numLockBefore)
    {
        QVERIFY(SetNumLock(numLockBefore));
        frmOptions window;
        window.show();
        window.findChild<QRadioButton *>(QLatin1String(option))->setChecked(true);
        bool stateWhileOpen = numLockBefore;
        // Read at the moment the window closes: the state is forced before that.
        connect(&window, &QDialog::finished, &window,
                [&stateWhileOpen] { stateWhileOpen = NumLockState().value_or(false); });
        window.findChild<QPushButton *>("cmdOk")->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(NumLockState(), std::optional<bool>(stateWhileOpen));
    }

private slots:
    void initTestCase()
    {
        LoadSettings();
        if (!NumLockState())
            QSKIP("this X server has no NumLock modifier");
    }

    void modes_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<int>("force");

        QTest::newRow("normal leaves on") << "optNormal" << true << true << 0;
        QTest::newRow("keep on from off") << "optKeepOn" << false << true << 1;
        QTest::newRow("keep off from on") << "optKeepOff" << true << false << 2;
    }

    void modes()
    {
        QFETCH(QString, option);
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(int, force);
        confirm(option.toLatin1(), before);
        QCOMPARE(NumLockState(), std::optional<bool>(after));
        QCOMPARE(settings().NumLockForce, force);
    }

    // A stored "keep on" opens with its option selected, and OK turns NumLock back on after the
    // operator has turned it off.
    void storedModeIsForcedAgain()
    {
        settings().NumLockForce = 1;
        QVERIFY(SetNumLock(false));
        frmOptions window;
        QVERIFY(window.findChild<QWidget *>("fraNumLock")->isEnabled());
        QVERIFY(!window.findChild<QWidget *>("lblNumLockNote"));
        QVERIFY(window.findChild<QRadioButton *>("optKeepOn")->isChecked());
        window.findChild<QPushButton *>("cmdOk")->click();
        QCOMPARE(NumLockState(), std::optional<bool>(true));
        QCOMPARE(settings().NumLockForce, 1);
    }
};

QTEST_MAIN(TestOptionsNumLock)
#include "tst_optionsnumlock.moc"
