#include "virtualkeys.h"

#include <QKeyEvent>
#include <QTest>

class TestVirtualKeys : public QObject
{
    Q_OBJECT

private slots:
    void mapsKeys_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("code");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;

        QTest::newRow("A") << int(Qt::Key_A) << none << 65;
        QTest::newRow("J") << int(Qt::Key_J) << none << 74;
        QTest::newRow("Shift+J") << int(Qt::Key_J) << shift << 74;
        QTest::newRow("Ctrl+J") << int(Qt::Key_J) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                << 74;
        QTest::newRow("Z") << int(Qt::Key_Z) << none << 90;
        QTest::newRow("0") << int(Qt::Key_0) << none << 48;
        QTest::newRow("9") << int(Qt::Key_9) << none << 57;

        QTest::newRow("keypad 0") << int(Qt::Key_0) << keypad << 96;
        QTest::newRow("keypad 7") << int(Qt::Key_7) << keypad << 103;
        QTest::newRow("keypad 9") << int(Qt::Key_9) << keypad << 105;
        QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 106;
        QTest::newRow("keypad +") << int(Qt::Key_Plus) << keypad << 107;
        QTest::newRow("keypad -") << int(Qt::Key_Minus) << keypad << 109;
        QTest::newRow("keypad .") << int(Qt::Key_Period) << keypad << 110;
        QTest::newRow("keypad decimal comma") << int(Qt::Key_Comma) << keypad << 110;
        QTest::newRow("keypad /") << int(Qt::Key_Slash) << keypad << 111;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 13;
        QTest::newRow("keypad Home, NumLock off") << int(Qt::Key_Home) << keypad << 36;
        QTest::newRow("keypad Delete, NumLock off") << int(Qt::Key_Delete) << keypad << 46;

        QTest::newRow("F1") << int(Qt::Key_F1) << none << 112;
        QTest::newRow("F2") << int(Qt::Key_F2) << none << 113;
        QTest::newRow("F12") << int(Qt::Key_F12) << none << 123;

        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << 8;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << none << 9;
        QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << shift << 9;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << 13;
        QTest::newRow("Shift") << int(Qt::Key_Shift) << shift << 16;
        QTest::newRow("Ctrl") << int(Qt::Key_Control) << none << 17;
        QTest::newRow("Alt") << int(Qt::Key_Alt) << none << 18;
        QTest::newRow("Pause") << int(Qt::Key_Pause) << none << 19;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << none << 27;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << 32;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 33;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 34;
        QTest::newRow("End") << int(Qt::Key_End) << none << 35;
        QTest::newRow("Home") << int(Qt::Key_Home) << none << 36;
        QTest::newRow("Left") << int(Qt::Key_Left) << none << 37;
        QTest::newRow("Up") << int(Qt::Key_Up) << none << 38;
        QTest::newRow("Right") << int(Qt::Key_Right) << none << 39;
        QTest::newRow("Down") << int(Qt::Key_Down) << none << 40;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << none << 45;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << none << 46;
        QTest::newRow("NumLock") << int(Qt::Key_NumLock) << none << 144;

        QTest::newRow(";") << int(Qt::Key_Semicolon) << none << 186;
        QTest::newRow("=") << int(Qt::Key_Equal) << none << 187;
        QTest::newRow(",") << int(Qt::Key_Comma) << none << 188;
        QTest::newRow("-") << int(Qt::Key_Minus) << none << 189;
        QTest::newRow(".") << int(Qt::Key_Period) << none << 190;
        QTest::newRow("/") << int(Qt::Key_Slash) << none << 191;
        QTest::newRow("`") << int(Qt::Key_QuoteLeft) << none << 192;
        QTest::newRow("[") << int(Qt::Key_BracketLeft) << none << 219;
        QTest::newRow("\\") << int(Qt::Key_Backslash) << none << 220;
        QTest::newRow("]") << int(Qt::Key_BracketRight) << none << 221;
        QTest::newRow("'") << int(Qt::Key_Apostrophe) << none << 222;

        // Qt reports the shifted symbol; the code is that of the key that typed it.
        const int shiftedDigits[]
                = {Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,          Qt::Key_NumberSign,
                   Qt::Key_Dollar,     Qt::Key_Percent,  Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                   Qt::Key_Asterisk,   Qt::Key_ParenLeft};
        for (int digit = 0; digit < 10; ++digit)
            QTest::addRow("Shift+%d", digit) << shiftedDigits[digit] << shift << 48 + digit;
        QTest::newRow("Shift+;") << int(Qt::Key_Colon) << shift << 186;
        QTest::newRow("Shift+=") << int(Qt::Key_Plus) << shift << 187;
        QTest::newRow("Shift+,") << int(Qt::Key_Less) << shift << 188;
        QTest::newRow("Shift+-") << int(Qt::Key_Underscore) << shift << 189;
        QTest::newRow("Shift+.") << int(Qt::Key_Greater) << shift << 190;
        QTest::newRow("Shift+/") << int(Qt::Key_Question) << shift << 191;
        QTest::newRow("Shift+`") << int(Qt::Key_AsciiTilde) << shift << 192;
        QTest::newRow("Shift+[") << int(Qt::Key_BraceLeft) << shift << 219;
        QTest::newRow("Shift+\\") << int(Qt::Key_Bar) << shift << 220;
        QTest::newRow("Shift+]") << int(Qt::Key_BraceRight) << shift << 221;
        QTest::newRow("Shift+'") << int(Qt::Key_QuoteDbl) << shift << 222;

        QTest::newRow("unknown") << int(Qt::Key_unknown) << none << 0;
        QTest::newRow("no key") << 0 << none << 0;
        QTest::newRow("letter outside ASCII") << int(Qt::Key_Adiaeresis) << none << 0;
        QTest::newRow("volume key") << int(Qt::Key_VolumeUp) << none << 0;
    }
    void mapsKeys()
    {
        QFETCH(int, qtKey);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, code);
        QCOMPARE(VirtualKeys::fromQt(qtKey, modifiers), code);
        const QKeyEvent press(QEvent::KeyPress, qtKey, modifiers);
        QCOMPARE(VirtualKeys::fromEvent(&press), code);
    }
};

QTEST_APPLESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
