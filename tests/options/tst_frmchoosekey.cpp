#include "frmchoosekey.h"

#include <QLabel>
#include <QTest>

namespace {

// The defaults of the ten commands: J R S T C I Delete B P A.
const QList<int> kDefaults {74, 82, 83, 84, 67, 73, 46, 66, 80, 65};

} // namespace

class TestFrmChooseKey : public QObject
{
    Q_OBJECT

private slots:
    void prompt()
    {
        frmChooseKey dialog(QStringLiteral("sound the buzzer"), 66, kDefaults);
        QCOMPARE(dialog.windowTitle(), "Choose Key");
        QCOMPARE(dialog.findChild<QLabel *>("lblChoose")->text(),
                 "Press the key you would like to sound the buzzer.");
        const auto *used = dialog.findChild<QLabel *>("lblUsed");
        QCOMPARE(used->text(),
                 "This is not a valid key, please choose another or close this window to return.");
        QVERIFY(used->isHidden());
        QCOMPARE(dialog.chosenKey(), 0);
    }

    // One key press while "Reset Jam Clock" (R) is being reassigned, with the default keys held.
    void keyPress_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("chosen"); // 0: refused

        const Qt::KeyboardModifiers none = Qt::NoModifier;
        QTest::newRow("own key") << 82 << int(Qt::Key_R) << none << 82;
        QTest::newRow("own key without a name") << 32 << int(Qt::Key_Space) << none << 32;
        QTest::newRow("key held by another command") << 82 << int(Qt::Key_J) << none << 0;
        QTest::newRow("Space") << 82 << int(Qt::Key_Space) << none << 0;
        QTest::newRow("digit") << 82 << int(Qt::Key_5) << none << 0;
        QTest::newRow("arrow") << 82 << int(Qt::Key_Left) << none << 0;
        QTest::newRow("F1") << 82 << int(Qt::Key_F1) << none << 0;
        QTest::newRow("F2") << 82 << int(Qt::Key_F2) << none << 0;
        QTest::newRow("Esc") << 82 << int(Qt::Key_Escape) << none << 0;
        QTest::newRow("Tab") << 82 << int(Qt::Key_Tab) << none << 0;
        // Keys that typing a time or a score uses.
        QTest::newRow("Enter") << 82 << int(Qt::Key_Return) << none << 0;
        QTest::newRow(".") << 82 << int(Qt::Key_Period) << none << 0;
        QTest::newRow("Shift+X is X")
                << 82 << int(Qt::Key_X) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 88;
        QTest::newRow("Shift+J is the held J")
                << 82 << int(Qt::Key_J) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0;
        QTest::newRow("Shift+R is the own R")
                << 82 << int(Qt::Key_R) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 82;
        QTest::newRow("F3") << 82 << int(Qt::Key_F3) << none << 114;
        QTest::newRow("F12") << 82 << int(Qt::Key_F12) << none << 123;
        QTest::newRow("Numpad *") << 82 << int(Qt::Key_Asterisk)
                                  << Qt::KeyboardModifiers(Qt::KeypadModifier) << 106;
    }

    void keyPress()
    {
        QFETCH(int, current);
        QFETCH(int, qtKey);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, chosen);
        // Shift goes down first and is a key of its own: nameless, so refused with a beep.
        const int shiftBeeps = modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0;

        frmChooseKey dialog(QStringLiteral("reset the jam clock"), current, kDefaults);
        int beeps = 0;
        dialog.beep = [&beeps] { ++beeps; };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key(qtKey), modifiers);

        const auto *used = dialog.findChild<QLabel *>("lblUsed");
        QCOMPARE(dialog.chosenKey(), chosen);
        if (chosen == 0) {
            // Refused: the red message, one beep, and the dialog waits on.
            QVERIFY(dialog.isVisible());
            QVERIFY(!used->isHidden());
            QCOMPARE(beeps, 1 + shiftBeeps);
        } else {
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(beeps, shiftBeeps);
        }
    }

    void refusedThenAccepted()
    {
        frmChooseKey dialog(QStringLiteral("reset the jam clock"), 82, kDefaults);
        int beeps = 0;
        dialog.beep = [&beeps] { ++beeps; };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_1);
        QVERIFY(dialog.isVisible());
        QCOMPARE(beeps, 2);
        QTest::keyClick(&dialog, Qt::Key_K);
        QCOMPARE(dialog.chosenKey(), 75);
        QVERIFY(dialog.findChild<QLabel *>("lblUsed")->isHidden());
    }

    void closeBoxLeavesWithoutAKey()
    {
        frmChooseKey dialog(QStringLiteral("reset the jam clock"), 82, kDefaults);
        dialog.beep = [] {};
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Space);
        QVERIFY(dialog.close());
        QCOMPARE(dialog.chosenKey(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestFrmChooseKey)
#include "tst_frmchoosekey.moc"
