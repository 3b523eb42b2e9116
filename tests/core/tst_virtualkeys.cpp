#include "virtualkeys.h"

#include <QKeyEvent>
#include <QTest>

class TestVirtualKeys : public QObject
{
    Q_OBJECT

private slots:
    // The ends of each range, the keypad against the main block, the shifted symbols and the keys
    // that were once read wrong.
    void mapsKeys()
    {
        struct Row
        {
            int qtKey;
            Qt::KeyboardModifiers modifiers;
            int code;
        };
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
        const Row rows[] = {
                {Qt::Key_A, none, 65},
                {Qt::Key_Z, none, 90},
                {Qt::Key_J, Qt::ControlModifier, 74},
                {Qt::Key_0, none, 48},
                {Qt::Key_9, none, 57},
                {Qt::Key_0, keypad, 96},
                {Qt::Key_9, keypad, 105},
                {Qt::Key_Minus, keypad, 109},
                {Qt::Key_Minus, none, 189},
                {Qt::Key_Comma, keypad, 110},
                {Qt::Key_Enter, keypad, 13},
                {Qt::Key_Delete, keypad, 46},
                {Qt::Key_Delete, none, 46},
                {Qt::Key_F1, none, 112},
                {Qt::Key_F12, none, 123},
                {Qt::Key_Backtab, shift, 9},
                {Qt::Key_ParenRight, shift, 48},
                {Qt::Key_Apostrophe, none, 222},
                {Qt::Key_QuoteDbl, shift, 222},
                {Qt::Key_Semicolon, none, 186},
                {Qt::Key_Bar, shift, 220},
                {Qt::Key_unknown, none, 0},
                {Qt::Key_Adiaeresis, none, 0},
        };
        for (const Row &row : rows) {
            const QKeyEvent press(QEvent::KeyPress, row.qtKey, row.modifiers);
            QCOMPARE(VirtualKeys::fromQt(row.qtKey, row.modifiers), row.code);
            QCOMPARE(VirtualKeys::fromEvent(&press), row.code);
        }
    }
};

QTEST_APPLESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
