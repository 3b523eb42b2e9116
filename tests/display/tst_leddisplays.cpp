#include "facetra.h"
#include "numberled.h"
#include "timeled.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Pixels of a grabbed display by how they are lit, for a lit colour of pure green.
struct Lighting
{
    int lit = 0;
    int unlit = 0;
};

Lighting lighting(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    Lighting result;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 10)
                continue; // the border
            if (c.green() > 150)
                ++result.lit;
            else if (c.green() > 25 && c.green() < 50)
                ++result.unlit;
        }
    }
    return result;
}

} // namespace

class TestLedDisplays : public QObject
{
    Q_OBJECT

private slots:
    // Values as the refresh writes them: whole seconds above 59.9 s (it rounds them itself),
    // the unrounded time at or below.
    void timeText()
    {
        const auto shown = [](const char *format, const char *groups, float value) {
            TimeLED display;
            display.setGroupLengths(QString::fromLatin1(groups));
            display.setDisplayFormat(QString::fromLatin1(format));
            display.setValue(value);
            // The display keeps what it was given, whatever it shows, and tells screen readers
            // what it shows.
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&display);
            if (!std::isnan(value) && display.Value() != value)
                return QStringLiteral("value changed");
            if (!accessible || accessible->text(QAccessible::Value) != display.Text())
                return QStringLiteral("not told");
            return display.Text();
        };
        QCOMPARE(shown("60,1", "2,2", 600), "10:00");
        QCOMPARE(shown("60,1", "2,2", 120), " 2:00");
        QCOMPARE(shown("60,1", "2,2", 59.95f), " 0:59");
        QCOMPARE(shown("60,1", "1,2", -5), "0:00");
        QCOMPARE(shown("60,1", "2,2", 5999), "99:59");
        QCOMPARE(shown("60,1", "2,2", 6000), "99:59");
        QCOMPARE(shown("60,1", "1,2", 3600), "9:59");
        QCOMPARE(shown("1,.1", "2,2", 59.9f), "59.9");
        QCOMPARE(shown("1,.1", "2,2", 0.7f), " 0.7");
        QCOMPARE(shown("1,.1", "2,2", -0.03f), " 0.0");
        QCOMPARE(shown("1,.1", "2,2", 100), "99.9");
        // -1 blanks a penalty clock; a value that is not a number shows nothing either.
        QCOMPARE(shown("60,1", "2,2", -1), "");
        QCOMPARE(shown("1,.1", "2,2", -1), "");
        QCOMPARE(shown("60,1", "2,2", NAN), "");
    }

    void numberText()
    {
        const auto shown = [](const char *caption, int max) {
            NumberLED display;
            display.setMax(max);
            display.setCaption(QString::fromLatin1(caption));
            return display.Caption() == QLatin1String(caption) ? display.Text()
                                                               : QStringLiteral("caption lost");
        };
        QCOMPARE(shown("7", 999), "  7");
        QCOMPARE(shown("999", 999), "999");
        QCOMPARE(shown("1000", 999), "999");
        QCOMPARE(shown("12", 9), "9");
        QCOMPARE(shown("-2", 999), "  0");
        QCOMPARE(shown("-1", 999), "");
        QCOMPARE(shown("x", 9), "");
    }

    // The text follows a change of format or cells; the size follows the cells only.
    void formatAndCellsChangeTheShownValue()
    {
        TimeLED time;
        const QSize period = time.size();
        time.setValue(90);
        QCOMPARE(time.Text(), " 1:30");
        time.setDisplayFormat("1,.1");
        QCOMPARE(time.Text(), "90.0");
        time.setValue(-1);
        QCOMPARE(time.size(), period);
        time.setDisplayFormat("60,1");
        time.setValue(90);
        time.setGroupLengths("1,2");
        QCOMPARE(time.Text(), "1:30");
        QVERIFY(time.width() < period.width());
        QCOMPARE(time.height(), period.height());

        NumberLED number;
        const QSize oneCell = number.size();
        number.setCaption("-1");
        QCOMPARE(number.size(), oneCell);
        number.setMax(999);
        QVERIFY(number.width() > 2 * oneCell.width());
    }

    void settersClamp()
    {
        TimeLED display;
        display.setLitColor(0x01000000);
        QCOMPARE(display.LitColor(), 0x00FFFFFF);
        display.setLedType(7);
        QCOMPARE(display.LedType(), 1);
        display.setSize(0);
        QCOMPARE(display.Size(), 1);
        QVERIFY(display.width() >= 1 && display.height() >= 1);
        display.setPaddingH(-10);
        QCOMPARE(display.PaddingH(), 0);

        display.setGroupLengths("9,1");
        QCOMPARE(display.GroupLengths(), "4,2");
        display.setGroupLengths("one,two");
        QCOMPARE(display.GroupLengths(), "4,2");

        NumberLED number;
        number.setMax(100000);
        QCOMPARE(number.Max(), NumberLED::LargestMax);
        number.setCaption("99999");
        QCOMPARE(number.Text(), "32767");
    }

    // Lit and faint unlit segments in either style, within a border in the border colour.
    void drawsLitAndUnlitSegments()
    {
        for (int ledType : {0, 1}) {
            NumberLED display;
            display.setLedType(ledType);
            display.setSize(60);
            display.setLitColor(0x0000FF00);
            display.setBackColor(0);
            display.setBorderColor(0x000000FF);

            display.setCaption("8");
            const Lighting eight = lighting(&display);
            display.setCaption("1");
            const Lighting one = lighting(&display);
            display.setCaption("-1");
            const Lighting blank = lighting(&display);

            QVERIFY(one.lit > 0);
            QVERIFY(eight.lit > 2 * one.lit);
            QVERIFY(one.unlit > 0);
            QCOMPARE(blank.lit, 0);
            QVERIFY(blank.unlit > one.unlit);

            const QImage image = display.grab().toImage();
            QCOMPARE(image.pixelColor(0, image.height() / 2), QColor(Qt::red));
            QCOMPARE(image.pixelColor(image.width() - 1, 0), QColor(Qt::red));
            QCOMPARE(image.pixelColor(3, image.height() / 2), QColor(Qt::black));
        }
    }

    void focusAndKeys()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *first = new NumberLED;
        auto *second = new TimeLED;
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QSignalSpy gotFocus(second, &SegmentDisplay::GotFocus);
        QSignalSpy keyUp(second, &SegmentDisplay::KeyUp);
        QList<QPair<int, int>> keyDowns;
        connect(
                second, &SegmentDisplay::KeyDown, this,
                [&keyDowns](int &keyCode, int shift) {
                    keyDowns.append({keyCode, shift});
                },
                Qt::DirectConnection);

        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), second);
        QCOMPARE(gotFocus.count(), 1);

        QTest::keyClick(second, Qt::Key_5, Qt::ShiftModifier);
        QTest::keyClick(second, Qt::Key_F2, Qt::ControlModifier | Qt::AltModifier);
        // The modifier keys are keys of their own, pressed first, as the platform reports them.
        QCOMPARE(keyDowns, (QList<QPair<int, int>> {{16, 1}, {53, 1}, {17, 2}, {18, 6}, {113, 6}}));
        QCOMPARE(keyUp.count(), 5);

        // Tab still moves the focus and is no key of the board's.
        QTest::keyClick(second, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), first);
        QCOMPARE(keyDowns.size(), 5);
    }

    void previewShowsEightInEitherStyle()
    {
        Facetra preview;
        preview.setSize(40);
        QCOMPARE(preview.height(), 40 + 2 * 6);

        const QImage lines = preview.grab().toImage();
        preview.setLedType(5);
        QCOMPARE(preview.LedType(), 1);
        QVERIFY(preview.grab().toImage() != lines);

        // Lit: the board's orange, at the middle segment.
        const QColor middle = lines.pixelColor(lines.width() / 2, lines.height() / 2);
        QVERIFY(middle.red() > 200 && middle.blue() < 60);
    }
};

QTEST_MAIN(TestLedDisplays)
#include "tst_leddisplays.moc"
