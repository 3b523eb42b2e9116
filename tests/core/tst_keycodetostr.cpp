#include "keycodetostr.h"

#include <QTest>

class TestKeyCodeToStr : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");

        QTest::newRow("Backspace") << 8 << "Backspace";
        QTest::newRow("Enter") << 13 << "Enter";
        QTest::newRow("Ctrl") << 17 << "Ctrl";
        QTest::newRow("Pause") << 19 << "Pause/Break";
        QTest::newRow("Page Up") << 33 << "Page Up";
        QTest::newRow("Page Down") << 34 << "Page Down";
        QTest::newRow("End") << 35 << "End";
        QTest::newRow("Home") << 36 << "Home";
        QTest::newRow("Insert") << 45 << "Insert";
        QTest::newRow("Delete") << 46 << "Delete";
        QTest::newRow("first letter") << 65 << "A";
        QTest::newRow("J") << 74 << "J";
        QTest::newRow("last letter") << 90 << "Z";
        QTest::newRow("Numpad *") << 106 << "Numpad *";
        QTest::newRow("Numpad /") << 111 << "Numpad /";
        QTest::newRow("F3") << 114 << "F3";
        QTest::newRow("F12") << 123 << "F12";
        QTest::newRow(";") << 186 << ";";
        QTest::newRow(",") << 188 << ",";
        QTest::newRow(".") << 190 << ".";
        QTest::newRow("/") << 191 << "/";
        QTest::newRow("`") << 192 << "`";
        QTest::newRow("[") << 219 << "[";
        QTest::newRow("backslash") << 220 << "\\";
        QTest::newRow("]") << 221 << "]";
        QTest::newRow("quote") << 222 << "\"";

        // Keys without a name can never be assigned.
        QTest::newRow("none") << 0 << "";
        QTest::newRow("Tab") << 9 << "";
        QTest::newRow("Shift") << 16 << "";
        QTest::newRow("Alt") << 18 << "";
        QTest::newRow("Esc") << 27 << "";
        QTest::newRow("Space") << 32 << "";
        QTest::newRow("Left") << 37 << "";
        QTest::newRow("Down") << 40 << "";
        QTest::newRow("digit 0") << 48 << "";
        QTest::newRow("digit 9") << 57 << "";
        QTest::newRow("before A") << 64 << "";
        QTest::newRow("after Z") << 91 << "";
        QTest::newRow("Numpad 0") << 96 << "";
        QTest::newRow("Numpad +") << 107 << "";
        QTest::newRow("Numpad -") << 109 << "";
        QTest::newRow("Numpad .") << 110 << "";
        QTest::newRow("F1") << 112 << "";
        QTest::newRow("F2") << 113 << "";
        QTest::newRow("F13") << 124 << "";
        QTest::newRow("NumLock") << 144 << "";
        QTest::newRow("=") << 187 << "";
        QTest::newRow("-") << 189 << "";
        QTest::newRow("negative") << -1 << "";
    }

    void names()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(KeyCodeToStr(code), name);
    }
};

QTEST_APPLESS_MAIN(TestKeyCodeToStr)
#include "tst_keycodetostr.moc"
