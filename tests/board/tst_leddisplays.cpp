#include "facetra.h"
#include "label.h"
#include "numberled.h"
#include "segmentglyphs.h"
#include "timeled.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

// Pixels of a grabbed display, lit and unlit, for a lit colour of pure green.
std::pair<int, int> lighting(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    int lit = 0, unlit = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 10)
                continue; // the border
            lit += c.green() > 150;
            unlit += c.green() > 25 && c.green() < 50;
        }
    }
    return {lit, unlit};
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
            display.setObjectName("tledJam");
            display.setGroupLengths(QString::fromLatin1(groups));
            display.setDisplayFormat(QString::fromLatin1(format));
            display.setValue(value);
            // The display keeps what it was given, whatever it shows, and tells screen readers
            // what it shows, under its name.
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&display);
            if (!std::isnan(value) && display.Value() != value)
                return QStringLiteral("value changed");
            if (!accessible || accessible->text(QAccessible::Value) != display.Text()
                || accessible->text(QAccessible::Name) != "tledJam")
                return QStringLiteral("not told");
            return display.Text();
        };
        QCOMPARE(shown("60,1", "2,2", 600), "10:00");
        QCOMPARE(shown("60,1", "2,2", 59.95f), " 0:59");
        // A ten-thousandth before a whole second is still the second before it.
        QCOMPARE(shown("60,1", "2,2", 59.9999f), " 0:59");
        // Tenths are the tenth the clock is in.
        QCOMPARE(shown("1,.1", "2,2", 59.8501f), "59.9");
        QCOMPARE(shown("1,.1", "2,2", 0.0001f), " 0.1");
        QCOMPARE(shown("60,1", "1,2", -5), "0:00");
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

        // A time shown with more groups than the display is built with keeps the display's
        // size, and draws the row smaller within it.
        TimeLED jam;
        jam.setGroupLengths("1,2");
        jam.setPaddingH(600);
        jam.setValue(620);
        QCOMPARE(jam.Text(), "9:59");
        const QSize built = jam.size();
        const QImage before = jam.grab().toImage();
        jam.showGroups({2, 2});
        QCOMPARE(jam.Text(), "10:20");
        QCOMPARE(jam.size(), built);
        QCOMPARE(jam.GroupLengths(), "1,2");
        const QImage after = jam.grab().toImage();
        // The cells drawn, lit or not, span no more than the built ones did.
        const auto drawnSpan = [](const QImage &image) {
            int left = image.width(), right = -1;
            for (int y = 4; y < image.height() - 4; ++y) {
                for (int x = 4; x < image.width() - 4; ++x) {
                    if (qGray(image.pixel(x, y)) > 8) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
                }
            }
            return std::pair(left, right);
        };
        QVERIFY(after != before);
        QVERIFY(drawnSpan(after).first >= drawnSpan(before).first - 1);
        QVERIFY(drawnSpan(after).second <= drawnSpan(before).second + 1);
        jam.showGroups({1, 2});
        QCOMPARE(jam.Text(), "9:59");
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
        QCOMPARE(shown("5", 0), "0");
        QCOMPARE(shown("-2", 999), "  0");
        QCOMPARE(shown("-1", 999), "");
        QCOMPARE(shown("x", 9), "");
        // A label tells screen readers its caption as its name, and follows a new one.
        Label label;
        label.setCaption("Home");
        label.setCaption("Visitor");
        QCOMPARE(QAccessible::queryAccessibleInterface(&label)->text(QAccessible::Name), "Visitor");
    }

    // The text follows a change of format or cells; the size follows the cells only.
    void formatCellsAndBounds()
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

        // Setters hold their values within bounds.
        time.setLitColor(0x01000000);
        QCOMPARE(time.LitColor(), 0x00FFFFFF);
        time.setLedType(7);
        QCOMPARE(time.LedType(), 1);
        time.setSize(0);
        QCOMPARE(time.Size(), 1);
        QVERIFY(time.width() >= 1 && time.height() >= 1);
        time.setPaddingH(-10);
        QCOMPARE(time.PaddingH(), 0);

        time.setGroupLengths("9,1");
        QCOMPARE(time.GroupLengths(), "4,2");
        time.setGroupLengths("one,two");
        QCOMPARE(time.GroupLengths(), "4,2");

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
            const auto [eightLit, eightUnlit] = lighting(&display);
            display.setCaption("1");
            const auto [oneLit, oneUnlit] = lighting(&display);
            display.setCaption("-1");
            const auto [blankLit, blankUnlit] = lighting(&display);
            QVERIFY(oneLit > 0 && eightLit > 2 * oneLit);
            QVERIFY(oneUnlit > 0 && blankUnlit > oneUnlit);
            QCOMPARE(blankLit, 0);

            const QImage image = display.grab().toImage();
            QCOMPARE(image.pixelColor(0, image.height() / 2), QColor(Qt::red));
            QCOMPARE(image.pixelColor(image.width() - 1, 0), QColor(Qt::red));
            QCOMPARE(image.pixelColor(3, image.height() / 2), QColor(Qt::black));
        }

        // Lit from the front: a lit cell's shading is the same on its left and right halves.
        for (const QChar c : {QChar(':'), QChar('8')}) {
            SegmentGlyphs glyphs;
            glyphs.setLook({60, SegmentGlyphs::Lines, QColor(0, 255, 0), QColor(Qt::black), 1});
            const QImage cell = glyphs.glyph(c, true).toImage();
            int worst = 0;
            for (int y = 0; y < cell.height(); ++y) {
                for (int x = 0; x < cell.width() / 2; ++x)
                    worst = qMax(worst,
                                 qAbs(qGreen(cell.pixel(x, y))
                                      - qGreen(cell.pixel(cell.width() - 1 - x, y))));
            }
            QVERIFY2(worst <= 3, qPrintable(QString("%1: %2").arg(c).arg(worst)));
        }

        // However small a board is drawn, every cell keeps a pixel of width: a clock's colon and
        // point never vanish, nor grow as wide as a digit once a digit is wider than a pixel.
        for (int height = 1; height <= 12; ++height) {
            const int digit = SegmentGlyphs::cellWidth('8', height);
            for (const QChar c : {QChar(':'), QChar('.')}) {
                const int separator = SegmentGlyphs::cellWidth(c, height);
                QVERIFY(separator >= 1 && digit >= 1);
                QVERIFY2(digit == 1 || separator < digit, qPrintable(QString::number(height)));
            }
        }

        // Lines draw a segment as one bar, Dots as a row of separate dots: down the column of
        // a lit 1 that is lit most, one long run against short ones.
        for (const int style : {SegmentGlyphs::Lines, SegmentGlyphs::Dots}) {
            SegmentGlyphs glyphs;
            glyphs.setLook({60, style, QColor(0, 255, 0), QColor(Qt::black), 1});
            const QImage cell = glyphs.glyph('1', true).toImage();
            int longest = 0;
            for (int x = 0; x < cell.width(); ++x) {
                for (int y = 0, run = 0; y < cell.height(); ++y) {
                    run = qGreen(cell.pixel(x, y)) > 128 ? run + 1 : 0;
                    longest = qMax(longest, run);
                }
            }
            if (style == SegmentGlyphs::Lines)
                QVERIFY2(longest > cell.height() / 3, qPrintable(QString::number(longest)));
            else
                QVERIFY2(longest < cell.height() / 6, qPrintable(QString::number(longest)));
            // Each lit LED is shaded as a real one: paler than its colour in its middle, darker
            // towards its edge.
            int palest = 0, darkest = 255;
            for (int y = 0; y < cell.height(); ++y) {
                for (int x = 0; x < cell.width(); ++x) {
                    const QRgb pixel = cell.pixel(x, y);
                    if (qAlpha(pixel) == 255 && qGreen(pixel) > 100) {
                        palest = qMax(palest, qRed(pixel));
                        darkest = qMin(darkest, qGreen(pixel));
                    }
                }
            }
            QVERIFY2(palest > 50 && darkest < 230,
                     qPrintable(QString("%1 %2").arg(palest).arg(darkest)));
            // A lit point sits on the cell's foot: lit down to its last rows, nowhere high up.
            const QImage point = glyphs.glyph('.', true).toImage();
            int top = point.height(), bottom = -1, left = point.width(), right = -1;
            for (int y = 0; y < point.height(); ++y) {
                for (int x = 0; x < point.width(); ++x) {
                    if (qGreen(point.pixel(x, y)) > 128) {
                        top = qMin(top, y);
                        bottom = qMax(bottom, y);
                        left = qMin(left, x);
                        right = qMax(right, x);
                    }
                }
            }
            // And whole, as high as it is wide, not cut by the cell's foot.
            QVERIFY2(bottom >= point.height() - 2 && top > point.height() * 3 / 4
                             && bottom - top == right - left,
                     qPrintable(QString("%1-%2, %3-%4").arg(top).arg(bottom).arg(left).arg(right)));
        }

        // The preview shows an 8 in the board's orange, in either style.
        Facetra preview;
        preview.setSize(40);
        const QImage lines = preview.grab().toImage();
        preview.setLedType(5);
        QCOMPARE(preview.LedType(), 1);
        QVERIFY(preview.grab().toImage() != lines);
        const QColor middle = lines.pixelColor(lines.width() / 2, lines.height() / 2);
        QVERIFY(middle.red() > 200 && middle.blue() < 60);
    }

    // Displays of one look share its drawings, and only theirs: each shows its own colours and
    // style whatever the others show, before and after one of them changes its look.
    void displaysDrawTheirOwnLook()
    {
        NumberLED first, second, other;
        for (NumberLED *display : {&first, &second, &other}) {
            display->setSize(40);
            display->setBackColor(0);
            display->setLitColor(0x0000FF00);
            display->setCaption("8");
        }
        other.setLitColor(0x00FF0000);
        const QImage green = first.grab().toImage();
        const QImage blue = other.grab().toImage();
        QCOMPARE(second.grab().toImage(), green);
        QVERIFY(blue != green);
        // Lit segments of the one colour, none of the other.
        const auto pixels = [](const QImage &image, bool greener) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += greener ? c.green() > c.blue() + 100 : c.blue() > c.green() + 100;
                }
            }
            return count;
        };
        QVERIFY(pixels(green, true) > 0 && pixels(green, false) == 0);
        QVERIFY(pixels(blue, false) > 0 && pixels(blue, true) == 0);

        second.setLedType(1);
        QVERIFY(second.grab().toImage() != green);
        second.setBackColor(0x00202020);
        const QImage dotsOnGrey = second.grab().toImage();
        QCOMPARE(first.grab().toImage(), green);
        // A look no display has any more looks the same when one takes it on again.
        other.setLitColor(0x0000FF00);
        QCOMPARE(other.grab().toImage(), green);
        first.setLitColor(0x00FF0000);
        QCOMPARE(first.grab().toImage(), blue);
        second.setLedType(0);
        second.setBackColor(0);
        QCOMPARE(second.grab().toImage(), green);
        second.setLedType(1);
        second.setBackColor(0x00202020);
        QCOMPARE(second.grab().toImage(), dotsOnGrey);

        // A display that changes size shows its digits at the new size at once, and as before
        // when it goes back.
        NumberLED larger;
        larger.setSize(80);
        larger.setBackColor(0);
        larger.setLitColor(0x0000FF00);
        larger.setCaption("8");
        const QImage large = larger.grab().toImage();
        QVERIFY(large.size() != green.size());
        larger.setSize(40);
        QCOMPARE(larger.grab().toImage(), green);
        other.setSize(80);
        QCOMPARE(other.grab().toImage(), large);
        other.setSize(40);
        QCOMPARE(other.grab().toImage(), green);
        larger.setSize(80);
        QCOMPARE(larger.grab().toImage(), large);
    }

    // The drawings of a look that no display has any more are kept for a board going back to it,
    // the latest first and within a budget: a board resized again and again keeps few sizes.
    void lookLeftIsKeptWithinABudget()
    {
        const auto look = [](int height) {
            return SegmentGlyphs::Look {height, SegmentGlyphs::Lines, Qt::green, Qt::black};
        };
        SegmentGlyphs glyphs;
        glyphs.setLook(look(1000));
        const qint64 first = glyphs.glyph('8', true).cacheKey();
        glyphs.setLook(look(1001));
        glyphs.glyph('8', true);
        glyphs.setLook(look(1000));
        QCOMPARE(glyphs.glyph('8', true).cacheKey(), first);
        // A cell of 2 MB a look: after ten other sizes the first is drawn anew.
        for (int height = 1001; height <= 1010; ++height) {
            glyphs.setLook(look(height));
            glyphs.glyph('8', true);
        }
        glyphs.setLook(look(1000));
        QVERIFY(glyphs.glyph('8', true).cacheKey() != first);
    }

    void focusAndKeys()
    {
        QWidget window;
        auto *first = new NumberLED(&window);
        auto *second = new TimeLED(&window);
        // A caption laid over a display lets a click through to it.
        auto *caption = new Label(&window);
        caption->setTwipGeometry(0, 0, second->Width(), second->Height());
        caption->setCaption("Jam");
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QSignalSpy gotFocus(second, &SegmentDisplay::GotFocus);
        QSignalSpy keyUp(second, &SegmentDisplay::KeyUp);
        QList<QPair<int, int>> keyDowns;
        connect(second, &SegmentDisplay::KeyDown, this, [&keyDowns](int &keyCode, int shift) {
            keyDowns.append({keyCode, shift});
        });

        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, second->geometry().center());
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
};

QTEST_MAIN(TestLedDisplays)
#include "tst_leddisplays.moc"
