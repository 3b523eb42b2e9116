#include "digitentry.h"

#include <QObject>
#include <QTest>

namespace {

constexpr int kEnter = 13;
constexpr int kSpace = 32;
constexpr int kClear = 0;

// A display as the entry procedures see it: a name and, for numbers, a caption.
struct FakeDisplay
{
    explicit FakeDisplay(const char *name, const char *caption = "0")
    {
        object.setObjectName(QLatin1String(name));
        object.setProperty("Caption", QString::fromLatin1(caption));
    }
    QString caption() const { return object.property("Caption").toString(); }
    QObject object;
};

// Character codes of a typed text: digits and signs as themselves, '\n' Enter, ' ' Space,
// '#' the clear key, '?' any other key.
QList<int> codes(const QString &typed)
{
    QList<int> result;
    for (QChar ch : typed) {
        switch (ch.unicode()) {
        case '\n':
            result.append(kEnter);
            break;
        case '#':
            result.append(kClear);
            break;
        case '?':
            result.append(-1);
            break;
        default:
            result.append(ch.unicode());
        }
    }
    return result;
}

} // namespace

class TestDigitEntry : public QObject
{
    Q_OBJECT

private:
    // Types on a time display and returns what the last key committed, in seconds (-1: nothing).
    static double typeTime(const QObject &display, const QString &typed, qint32 max)
    {
        std::optional<qint64> last;
        for (int c : codes(typed))
            last = TimeKeyEntry(&display, c, max);
        return last ? double(*last) / 10000 : -1;
    }

    static void typeNumber(FakeDisplay &display, const QString &typed, qint16 min, qint16 max)
    {
        for (int c : codes(typed))
            NumberKeyEntry(&display.object, c, min, max);
    }

private slots:
    void init()
    {
        DigitEntry::TimeEntryBuffer() = EntryBuffer();
        DigitEntry::NumberEntryBuffer() = EntryBuffer();
    }

    void timeEntry_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("max");
        QTest::addColumn<double>("seconds");
        QTest::newRow("minutes and seconds") << "2.00\n" << 599 << 120.0;
        QTest::newRow("seconds only") << ".45\n" << 599 << 45.0;
        QTest::newRow("one digit is seconds") << "1.5\n" << 599 << 65.0;
        QTest::newRow("third digit is tenths") << "1.305\n" << 599 << 90.5;
        QTest::newRow("digits before the point are minutes") << "10\n" << 5999 << 600.0;
        QTest::newRow("three pieces") << "1.2.3\n" << 5999 << -1.0;
        QTest::newRow("minutes over 99") << "100\n" << 9999 << -1.0;
        QTest::newRow("eight characters") << "01.30500\n" << 599 << 90.5;
        QTest::newRow("nine characters") << "01.305000\n" << 599 << -1.0;
        QTest::newRow("seconds above 59") << "1.90\n" << 599 << 150.0;
        QTest::newRow("empty Enter commits nothing") << "\n" << 599 << -1.0;
        QTest::newRow("jam limit") << "9.59\n" << 599 << 599.0;
        QTest::newRow("over the jam limit") << "10.00\n" << 599 << -1.0;
        QTest::newRow("period limit") << "99.59\n" << 5999 << 5999.0;
        QTest::newRow("over the period limit") << "99.99\n" << 5999 << -1.0;
        QTest::newRow("space empties") << "5 2.00\n" << 599 << 120.0;
        QTest::newRow("signs are not times") << "+2-.00\n" << 599 << 120.0;
        QTest::newRow("other keys ignored") << "2?.#00\n" << 599 << 120.0;
        QTest::newRow("nothing before Enter") << "2.00" << 599 << -1.0;
    }

    void timeEntry()
    {
        QFETCH(QString, typed);
        QFETCH(int, max);
        QFETCH(double, seconds);
        const FakeDisplay jam("tledJam");
        QCOMPARE(typeTime(jam.object, typed, max), seconds);
        // Enter always empties the buffer, accepted or not; without Enter the text stays pending.
        QCOMPARE(typeTime(jam.object, "\n", 5999), typed.endsWith(u'\n') ? -1.0 : 120.0);
    }

    void timeEntryBelongsToOneDisplay()
    {
        const FakeDisplay jam("tledJam");
        const FakeDisplay period("tledPeriod");
        typeTime(jam.object, "1.", 599);
        QCOMPARE(typeTime(period.object, "30\n", 5999), 1800.0);
        QCOMPARE(typeTime(jam.object, "\n", 599), -1.0);
    }

    void numberEntry_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits then Enter") << "0"
                                           << "12\n"
                                           << 999 << "12";
        QTest::newRow("digits wait for Enter") << "5"
                                               << "12" << 999 << "5";
        QTest::newRow("plus adds at once") << "4"
                                           << "+3" << 999 << "7";
        QTest::newRow("plus one, zero pending") << "4"
                                                << "+10" << 999 << "5";
        QTest::newRow("pending zero on Enter") << "4"
                                               << "+10\n"
                                               << 999 << "0";
        QTest::newRow("below blank refused") << "3"
                                             << "-5" << 999 << "3";
        QTest::newRow("minus within range") << "3"
                                            << "-4" << 999 << "-1";
        QTest::newRow("past 999 refused") << "999"
                                          << "+1" << 999 << "999";
        QTest::newRow("blank plus two") << "-1"
                                        << "+2" << 999 << "2";
        QTest::newRow("double plus adds") << "1"
                                          << "++5" << 999 << "1";
        QTest::newRow("period digit at once") << "1"
                                              << "3" << 9 << "3";
        QTest::newRow("period digits each at once") << "1"
                                                    << "37" << 9 << "7";
        QTest::newRow("lone plus waits") << "1"
                                         << "+" << 9 << "1";
        QTest::newRow("lone plus then digit") << "1"
                                              << "+2" << 9 << "3";
        QTest::newRow("point ignored") << "0"
                                       << "1.2\n"
                                       << 999 << "12";
        QTest::newRow("clear blanks") << "42"
                                      << "#" << 999 << "-1";
        QTest::newRow("clear keeps pending digits") << "42"
                                                    << "7#\n"
                                                    << 999 << "7";
        QTest::newRow("space empties") << "0"
                                       << "12 3\n"
                                       << 999 << "3";
        QTest::newRow("four digits refused") << "8"
                                             << "1000\n"
                                             << 999 << "8";
        QTest::newRow("long digits refused") << "8"
                                             << "99999999999999999999999\n"
                                             << 999 << "8";
        QTest::newRow("other key nothing") << "8"
                                           << "?\n"
                                           << 999 << "8";
    }

    void numberEntry()
    {
        QFETCH(QString, caption);
        QFETCH(QString, typed);
        QFETCH(int, max);
        QFETCH(QString, shown);
        FakeDisplay score("nledHomeScore", caption.toLatin1().constData());
        typeNumber(score, typed, -1, qint16(max));
        QCOMPARE(score.caption(), shown);
    }

    void typingOnAnotherDisplayDiscardsPending()
    {
        FakeDisplay home("nledHomeScore", "0");
        FakeDisplay visitor("nledVisitorScore", "0");
        typeNumber(home, "5", -1, 999);
        typeNumber(visitor, "\n", -1, 999);
        typeNumber(home, "\n", -1, 999);
        QCOMPARE(home.caption(), "0");
        QCOMPARE(visitor.caption(), "0");
    }

    void applyNumberEntryReadsLeadingNumbers()
    {
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
