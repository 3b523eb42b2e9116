#include "frmoptions.h"
#include "numlock.h"

#include "settings.h"
#include "settingsmodel.h"
#include "settingsstore.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The Options window where NumLock can be set, here on an X server: OK forces the real keyboard's
// NumLock, and Tab reaches the NumLock options in their place.
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
            NumLockMode force;
        };
        for (const Row &row : {Row {"optNormal", true, true, NumLockMode::Normal},
                               Row {"optKeepOn", false, true, NumLockMode::KeepOn},
                               Row {"optKeepOff", true, false, NumLockMode::KeepOff}}) {
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
        Settings::instance().edit([&](SettingsModel &m) { m.NumLockForce = NumLockMode::KeepOn; });
        QVERIFY(SetNumLock(false));
        frmOptions window;
        QVERIFY(window.findChild<QWidget *>("fraNumLock")->isEnabled());
        QVERIFY(!window.findChild<QWidget *>("lblNumLockNote"));
        QVERIFY(window.findChild<QRadioButton *>("optKeepOn")->isChecked());
        window.findChild<QPushButton *>("cmdOk")->click();
        QCOMPARE(NumLockState(), std::optional<bool>(true));
    }

    // Tab goes through the Key Controls tab in reading order: down the commands on the left, then
    // the right-hand column, then what lies below both.
    void keyControlsTabOrder()
    {
        frmOptions window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QPushButton *>("cmdStartStopJamClock")->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int press = 0; press < 18; ++press) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // Of the NumLock options, Tab stops at the chosen one only.
        QCOMPARE(order,
                 QStringList({"cmdStartStopJamClock", "cmdResetJamClock", "cmdStartStopPeriodClock",
                              "cmdResetPeriodClock", "cmdClockSwitch", "cmdSepTime", "cmdClearKey",
                              "cmdHomeTimeout", "cmdVisitorTimeout", "cmdOfficialTimeout",
                              "cmdHomeReview", "cmdVisitorReview", "cmdUndo", "optNormal",
                              "cmdResetKeys", "chkJoinJamPenalty", "cmdOk", "cmdCancel"}));
    }
};

QTEST_MAIN(TestOptionsNumLock)
#include "tst_optionsnumlock.moc"
