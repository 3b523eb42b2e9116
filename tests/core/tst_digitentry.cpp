#include "digitentry.h"

#include <QObject>
#include <QTest>

namespace {

// A display as the entry procedures see it: a name and, for numbers, a caption.
struct FakeDisplay
{
    explicit FakeDisplay(const char *name, const QString &caption = "0")
    {
        object.setObjectName(QLatin1String(name));
        object.setProperty("Caption", caption);
    }
    QString caption() const { return object.property("Caption").toString(); }
    QObject object;
};

// Key codes of a typed text: digits and signs as themselves, '\n' Enter, ' ' Space, '#' the
// clear key (0), '?' any other key.
QList<int> codes(const QString &typed)
{
    QList<int> result;
    for (QChar ch : typed)
        result.append(ch == u'\n' ? 13 : ch == u'#' ? 0 : ch == u'?' ? -1 : ch.unicode());
    return result;
}

// Types on a time display and returns what the last key committed, in seconds (-1: nothing).
double typeTime(const QObject &display, const QString &typed, qint32 max)
{
    std::optional<qint64> last;
    for (int c : codes(typed))
        last = TimeKeyEntry(&display, c, max);
    return last ? double(*last) / 10000 : -1;
}

void typeNumber(FakeDisplay &display, const QString &typed, qint16 max)
{
    for (int c : codes(typed))
        NumberKeyEntry(&display.object, c, -1, max);
}

} // namespace

class TestDigitEntry : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        DigitEntry::TimeEntryBuffer() = EntryBuffer();
        DigitEntry::NumberEntryBuffer() = EntryBuffer();
    }

    void timeEntry()
    {
        struct Row
        {
            const char *typed;
            int max;
            double seconds; // -1: nothing committed
        };
        const Row rows[] = {
                {"2.00\n", 599, 120},   {".45\n", 599, 45},        {"1.5\n", 599, 65},
                {"1.305\n", 599, 90.5}, {"10\n", 5999, 600},       {"1.2.3\n", 5999, -1},
                {"100\n", 9999, -1},    {"01.30500\n", 599, 90.5}, {"01.305000\n", 599, -1},
                {"1.90\n", 599, 150},   {"\n", 599, -1},           {"9.59\n", 599, 599},
                {"10.00\n", 599, -1},   {"99.59\n", 5999, 5999},   {"99.99\n", 5999, -1},
                {"5 2.00\n", 599, 120}, {"+2-?.#00\n", 599, 120},  {"2.00", 599, -1},
        };
        for (const Row &row : rows) {
            init();
            const FakeDisplay jam("tledJam");
            const QString typed = row.typed;
            QCOMPARE(typeTime(jam.object, typed, row.max), row.seconds);
            // Enter always empties the buffer, accepted or not; without it the text stays pending.
            QCOMPARE(typeTime(jam.object, "\n", 5999), typed.endsWith(u'\n') ? -1.0 : 120.0);
        }

        // Typing on another display starts over.
        const FakeDisplay jam("tledJam");
        const FakeDisplay period("tledPeriod");
        typeTime(jam.object, "1.", 599);
        QCOMPARE(typeTime(period.object, "30\n", 5999), 1800.0);
        QCOMPARE(typeTime(jam.object, "\n", 599), -1.0);
    }

    void numberEntry()
    {
        struct Row
        {
            const char *caption;
            const char *typed;
            int max;
            const char *shown;
        };
        const Row rows[] = {
                {"0", "12\n", 999, "12"},
                {"5", "12", 999, "5"},
                {"4", "+3", 999, "7"},
                {"4", "+10", 999, "5"},
                {"4", "+10\n", 999, "0"},
                {"3", "-5", 999, "3"},
                {"3", "-4", 999, "-1"},
                {"999", "+1", 999, "999"},
                {"998", "+1", 999, "999"},
                {"-1", "+2", 999, "2"},
                {"1", "++5", 999, "1"},
                {"1", "37", 9, "7"},
                {"1", "+", 9, "1"},
                {"1", "+2", 9, "3"},
                {"0", "1.2\n", 999, "12"},
                {"42", "#", 999, "-1"},
                {"42", "7#\n", 999, "7"},
                {"0", "12 3\n", 999, "3"},
                {"8", "1000\n", 999, "8"},
                {"8", "?\n", 999, "8"},
                {"8", "99999999999999999999999\n", 999, "8"},
        };
        for (const Row &row : rows) {
            init();
            FakeDisplay score("nledHomeScore", row.caption);
            typeNumber(score, row.typed, qint16(row.max));
            QVERIFY2(score.caption() == row.shown, row.typed);
        }

        // Typing on another display discards what was pending.
        FakeDisplay home("nledHomeScore", "0");
        FakeDisplay visitor("nledVisitorScore", "0");
        typeNumber(home, "5", 999);
        typeNumber(visitor, "\n", 999);
        typeNumber(home, "\n", 999);
        QCOMPARE(home.caption(), "0");
        QCOMPARE(visitor.caption(), "0");

        // A finished entry reads its leading number only.
        FakeDisplay score("nledHomeScore", "10");
        ApplyNumberEntry(&score.object, "12+3", -1, 999);
        QCOMPARE(score.caption(), "12");
        ApplyNumberEntry(&score.object, "+-2", -1, 999);
        QCOMPARE(score.caption(), "10");
        ApplyNumberEntry(&score.object, "", -1, 999);
        QCOMPARE(score.caption(), "10");
    }
};

QTEST_GUILESS_MAIN(TestDigitEntry)
#include "tst_digitentry.moc"
