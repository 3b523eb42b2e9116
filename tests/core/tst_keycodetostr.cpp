#include "keycodetostr.h"

#include <QTest>

class TestKeyCodeToStr : public QObject
{
    Q_OBJECT

private slots:
    // The ends of the letter and function-key ranges, a few named keys, and keys without a name,
    // which can never be assigned.
    void names()
    {
        const std::pair<int, QString> rows[] = {
                {8, "Backspace"}, {19, "Pause/Break"},
                {46, "Delete"},   {65, "A"},
                {90, "Z"},        {111, "Numpad /"},
                {114, "F3"},      {123, "F12"},
                {186, ";"},       {222, "\""},
                {-1, ""},         {0, ""},
                {9, ""},          {48, ""},
                {64, ""},         {91, ""},
                {96, ""},         {109, ""},
                {113, ""},        {124, ""},
                {187, ""},
        };
        for (const auto &[code, name] : rows)
            QCOMPARE(KeyCodeToStr(code), name);
    }
};

QTEST_APPLESS_MAIN(TestKeyCodeToStr)
#include "tst_keycodetostr.moc"
