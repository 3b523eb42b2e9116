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
    // One key press while "Reset Jam Clock" (R) is being reassigned, with the default keys held.
    void keyPress_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("chosen"); // 0: refused

        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        QTest::newRow("own key") << 82 << int(Qt::Key_R) << none << 82;
        QTest::newRow("own key without a name") << 32 << int(Qt::Key_Space) << none << 32;
        QTest::newRow("key held by another command") << 82 << int(Qt::Key_J) << none << 0;
        QTest::newRow("Space") << 82 << int(Qt::Key_Space) << none << 0;
        QTest::newRow("F1") << 82 << int(Qt::Key_F1) << none << 0;
        QTest::newRow("F2") << 82 << int(Qt::Key_F2) << none << 0;
        // Enter commits a typed time or score.
        QTest::newRow("Enter") << 82 << int(Qt::Key_Return) << none << 0;
        QTest::newRow("Shift+X is X") << 82 << int(Qt::Key_X) << shift << 88;
        QTest::newRow("Shift+J is the held J") << 82 << int(Qt::Key_J) << shift << 0;
        QTest::newRow("F12") << 82 << int(Qt::Key_F12) << none << 123;
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

        QCOMPARE(dialog.chosenKey(), chosen);
        // Refused: the red message, one beep, and the dialog waits on.
        QCOMPARE(dialog.isVisible(), chosen == 0);
        QCOMPARE(dialog.findChild<QLabel *>("lblUsed")->isHidden(), chosen != 0);
        QCOMPARE(beeps, shiftBeeps + (chosen == 0 ? 1 : 0));
    }

    void promptRefusalsAndCloseBox()
    {
        frmChooseKey dialog(QStringLiteral("sound the buzzer"), 66, kDefaults);
        QCOMPARE(dialog.findChild<QLabel *>("lblChoose")->text(),
                 "Press the key you would like to sound the buzzer.");
        const auto *used = dialog.findChild<QLabel *>("lblUsed");
        QVERIFY(used->isHidden());
        int beeps = 0;
        dialog.beep = [&beeps] { ++beeps; };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_1);
        QVERIFY(!used->isHidden());
        QCOMPARE(beeps, 2);
        QVERIFY(dialog.close());
        QCOMPARE(dialog.chosenKey(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        // A refusal does not stay: the next good key is taken.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_K);
        QCOMPARE(dialog.chosenKey(), 75);
        QVERIFY(used->isHidden());
    }
};

QTEST_MAIN(TestFrmChooseKey)
#include "tst_frmchoosekey.moc"
