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

private slots:
    void initTestCase()
    {
        LoadSettings();
        if (!NumLockState())
            QSKIP("this X server has no NumLock modifier");
    }

    void okForcesTheChosenMode()
    {
        struct Row
        {
            const char *option;
            bool before, after;
            int force;
        };
        for (const Row &row : {Row {"optNormal", true, true, 0}, Row {"optKeepOn", false, true, 1},
                               Row {"optKeepOff", true, false, 2}}) {
            QVERIFY(SetNumLock(row.before));
            frmOptions window;
            window.show();
            window.findChild<QRadioButton *>(QLatin1String(row.option))->setChecked(true);
            // Read at the moment the window closes: the state is forced before that.
            std::optional<bool> whenClosed;
            connect(&window, &QDialog::finished, &window,
                    [&whenClosed] { whenClosed = NumLockState(); });
            window.findChild<QPushButton *>("cmdOk")->click();
            QCOMPARE(whenClosed, std::optional<bool>(row.after));
            QCOMPARE(NumLockState(), std::optional<bool>(row.after));
            QCOMPARE(settings().NumLockForce, row.force);
        }

        // A stored "keep on" opens selected, and OK turns NumLock back on after the operator has
        // turned it off.
        settings().NumLockForce = 1;
        QVERIFY(SetNumLock(false));
        frmOptions window;
        QVERIFY(window.findChild<QWidget *>("fraNumLock")->isEnabled());
        QVERIFY(!window.findChild<QWidget *>("lblNumLockNote"));
        QVERIFY(window.findChild<QRadioButton *>("optKeepOn")->isChecked());
        window.findChild<QPushButton *>("cmdOk")->click();
        QCOMPARE(NumLockState(), std::optional<bool>(true));
    }
};

QTEST_MAIN(TestOptionsNumLock)
#include "tst_optionsnumlock.moc"
