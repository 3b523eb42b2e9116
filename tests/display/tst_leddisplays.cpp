#include "facetra.h"
#include "numberled.h"
#include "timeled.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Counts the paint events a widget receives.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

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
    void timeText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("groups");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");

        // Values as the refresh writes them: whole seconds above 59.9 s (it rounds them itself),
        // the unrounded time at or below.
        QTest::newRow("period start") << "60,1"
                                      << "2,2" << 600.0f << "10:00";
        QTest::newRow("jam start on a period face") << "60,1"
                                                    << "2,2" << 120.0f << " 2:00";
        QTest::newRow("jam start") << "60,1"
                                   << "1,2" << 120.0f << "2:00";
        QTest::newRow("60.0") << "60,1"
                              << "2,2" << 60.0f << " 1:00";
        QTest::newRow("59.95, rounded up by the refresh") << "60,1"
                                                          << "2,2" << 60.0f << " 1:00";
        QTest::newRow("59.9") << "1,.1"
                              << "2,2" << 59.9f << "59.9";
        QTest::newRow("0.7 stays on its tenth") << "1,.1"
                                                << "2,2" << 0.7f << " 0.7";
        QTest::newRow("0.0001") << "1,.1"
                                << "2,2" << 0.0001f << " 0.0";
        QTest::newRow("-0.03") << "1,.1"
                               << "2,2" << -0.03f << " 0.0";
        QTest::newRow("below zero in minutes") << "60,1"
                                               << "1,2" << -5.0f << "0:00";
        QTest::newRow("time of day 14:05") << "60,1"
                                           << "2,2" << 845.0f << "14:05";
        QTest::newRow("3600") << "60,1"
                              << "2,2" << 3600.0f << "60:00";
        QTest::newRow("largest period") << "60,1"
                                        << "2,2" << 5999.0f << "99:59";
        QTest::newRow("beyond the cells") << "60,1"
                                          << "2,2" << 6000.0f << "99:59";
        QTest::newRow("3600 on a jam face") << "60,1"
                                            << "1,2" << 3600.0f << "9:59";
        QTest::newRow("unrounded fraction is cut") << "60,1"
                                                   << "2,2" << 59.95f << " 0:59";
        QTest::newRow("blank") << "60,1"
                               << "2,2" << -1.0f << "";
        QTest::newRow("blank in tenths") << "1,.1"
                                         << "2,2" << -1.0f << "";
        QTest::newRow("not a number") << "60,1"
                                      << "2,2" << float(NAN) << "";
    }

    void timeText()
    {
        QFETCH(QString, format);
        QFETCH(QString, groups);
        QFETCH(float, value);
        QFETCH(QString, text);

        TimeLED display;
        QVERIFY(display.setProperty("GroupLengths", groups));
        QVERIFY(display.setProperty("DisplayFormat", format));
        QVERIFY(display.setProperty("Value", value));
        QCOMPARE(display.property("Text").toString(), text);
        // The display keeps what it was given, whatever it shows.
        if (!std::isnan(value))
            QCOMPARE(display.property("Value").toFloat(), value);

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&display);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Value), text);
    }

    void numberText_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("text");

        QTest::newRow("score 7") << "7" << 999 << "  7";
        QTest::newRow("score 999") << "999" << 999 << "999";
        QTest::newRow("above the largest") << "1000" << 999 << "999";
        QTest::newRow("leading zeros") << "007" << 999 << "  7";
        QTest::newRow("blank") << "-1" << 999 << "";
        QTest::newRow("below zero") << "-2" << 999 << "  0";
        QTest::newRow("period number") << "3" << 9 << "3";
        QTest::newRow("period number too large") << "12" << 9 << "9";
        QTest::newRow("not a number") << "x" << 9 << "";
    }

    void numberText()
    {
        QFETCH(QString, caption);
        QFETCH(int, max);
        QFETCH(QString, text);

        NumberLED display;
        QVERIFY(display.setProperty("Max", max));
        QVERIFY(display.setProperty("Caption", caption));
        QCOMPARE(display.property("Text").toString(), text);
        QCOMPARE(display.property("Caption").toString(), caption);
    }

    void designedGeometry_data()
    {
        QTest::addColumn<bool>("time");
        QTest::addColumn<QString>("groups"); // or the largest value of a number display
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("paddingH");
        QTest::addColumn<int>("paddingV");
        QTest::addColumn<int>("paddingI");
        QTest::addColumn<int>("paddingD"); // 0: the class default
        QTest::addColumn<int>("widthTwips");
        QTest::addColumn<int>("heightTwips");

        QTest::newRow("score displays")
                << false << "999" << 68 << 100 << 80 << 175 << 0 << 2265 << 1200;
        QTest::newRow("tledPeriod")
                << true << "2,2" << 65 << 80 << 65 << 175 << 125 << 3090 << 1110;
        QTest::newRow("nledPeriod") << false << "9" << 55 << 80 << 50 << 60 << 0 << 630 << 930;
        QTest::newRow("tledJam") << true << "1,2" << 70 << 80 << 70 << 160 << 0 << 2385 << 1170;
        QTest::newRow("penalty displays")
                << true << "1,2" << 55 << 100 << 70 << 160 << 95 << 2085 << 960;
    }

    // The layout code sets only the digit size and the paddings, with doubles; the display must
    // come out at its designed size, and scale with them.
    void designedGeometry()
    {
        QFETCH(bool, time);
        QFETCH(QString, groups);
        QFETCH(int, size);
        QFETCH(int, paddingH);
        QFETCH(int, paddingV);
        QFETCH(int, paddingI);
        QFETCH(int, paddingD);
        QFETCH(int, widthTwips);
        QFETCH(int, heightTwips);

        std::unique_ptr<SegmentDisplay> display;
        if (time) {
            display = std::make_unique<TimeLED>();
            display->setProperty("GroupLengths", groups);
        } else {
            display = std::make_unique<NumberLED>();
            display->setProperty("Max", groups.toInt());
        }
        for (double scale : {1.0, 2.0, 4.77}) {
            QVERIFY(display->setProperty("Size", size * scale));
            QVERIFY(display->setProperty("PaddingH", paddingH * scale));
            QVERIFY(display->setProperty("PaddingV", paddingV * scale));
            QVERIFY(display->setProperty("PaddingI", paddingI * scale));
            if (paddingD != 0)
                QVERIFY(display->setProperty("PaddingD", paddingD * scale));
            else if (time)
                display->setProperty("PaddingD", 70 * scale);

            const double tolerance = 2 * scale;
            QVERIFY2(
                    std::abs(display->width() - widthTwips * scale / 15) <= tolerance,
                    qPrintable(
                            QStringLiteral("scale %1: width %2").arg(scale).arg(display->width())));
            QVERIFY2(std::abs(display->height() - heightTwips * scale / 15) <= tolerance,
                     qPrintable(QStringLiteral("scale %1: height %2")
                                        .arg(scale)
                                        .arg(display->height())));
            QCOMPARE(display->property("Width").toDouble(), display->width() * 15.0);
            QCOMPARE(display->property("Height").toDouble(), display->height() * 15.0);
        }
    }

    void sizeFollowsCellsNotValue()
    {
        TimeLED time;
        const QSize period = time.size();
        time.setValue(59.9f);
        time.setDisplayFormat("1,.1");
        time.setValue(-1);
        QCOMPARE(time.size(), period);
        time.setGroupLengths("1,2");
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
        display.setBackColor(-5);
        QCOMPARE(display.BackColor(), 0);
        display.setLedType(7);
        QCOMPARE(display.LedType(), 1);
        display.setLedType(-1);
        QCOMPARE(display.LedType(), 0);
        display.setSize(0);
        QCOMPARE(display.Size(), 1);
        QVERIFY(display.width() >= 1 && display.height() >= 1);
        display.setPaddingH(-10);
        QCOMPARE(display.PaddingH(), 0);

        display.setGroupLengths("9,1");
        QCOMPARE(display.GroupLengths(), QStringLiteral("4,2"));
        display.setGroupLengths("one,two");
        QCOMPARE(display.GroupLengths(), QStringLiteral("4,2"));

        NumberLED number;
        number.setMax(100000);
        QCOMPARE(number.Max(), NumberLED::LargestMax);
        number.setCaption("99999");
        QCOMPARE(number.Text(), QStringLiteral("32767"));
    }

    // The refresh writes every clock twenty times a second: only a change in what is drawn may
    // repaint, and the cell drawings are reused until the look changes.
    void repaintsOnlyWhatChanged()
    {
        TimeLED display;
        display.setValue(600);
        display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&display));
        QCoreApplication::processEvents();
        PaintCounter paints(&display);
        const int renders = display.glyphRenderCount();

        display.setValue(600);
        display.setValue(600.5f); // still 10:00
        display.setDisplayFormat("60,1");
        display.setLitColor(display.LitColor());
        display.setSize(display.Size());
        display.setProperty("PaddingI", double(display.PaddingI()));
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 0);

        display.setValue(599);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 1);
        display.setValue(600);
        QCoreApplication::processEvents();
        QCOMPARE(display.glyphRenderCount(), renders + 3); // a blank cell, a 9 and a 5, once each

        display.setLitColor(0x0000FF00);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 3);
        QVERIFY(display.glyphRenderCount() > renders + 3);
    }

    void drawsLitAndUnlitSegments_data()
    {
        QTest::addColumn<int>("ledType");
        QTest::newRow("Lines") << 0;
        QTest::newRow("Dots") << 1;
    }

    void drawsLitAndUnlitSegments()
    {
        QFETCH(int, ledType);
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
        QVERIFY(one.unlit > 0); // the other five segments stay faintly visible
        QCOMPARE(blank.lit, 0);
        QVERIFY(blank.unlit > one.unlit);

        const QImage image = display.grab().toImage();
        QCOMPARE(image.pixelColor(0, image.height() / 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(image.width() - 1, 0), QColor(Qt::red));
        QCOMPARE(image.pixelColor(3, image.height() / 2), QColor(Qt::black));
    }

    void separatorFollowsFormat()
    {
        TimeLED display;
        display.setValue(90);
        QCOMPARE(display.Text(), QStringLiteral(" 1:30"));
        display.setDisplayFormat("1,.1");
        QCOMPARE(display.Text(), QStringLiteral("90.0"));
        display.setDisplayFormat("60,1");
        display.setGroupLengths("1,2");
        QCOMPARE(display.Text(), QStringLiteral("1:30"));
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

        QTest::keyClick(second, Qt::Key_J);
        QTest::keyClick(second, Qt::Key_5, Qt::ShiftModifier);
        QTest::keyClick(second, Qt::Key_F2, Qt::ControlModifier | Qt::AltModifier);
        // The modifier keys are keys of their own, pressed first, as the platform reports them.
        QCOMPARE(keyDowns,
                 (QList<QPair<int, int>> {{74, 0}, {16, 1}, {53, 1}, {17, 2}, {18, 6}, {113, 6}}));
        QCOMPARE(keyUp.count(), 6);
        QCOMPARE(keyUp.at(0), (QList<QVariant> {74, 0}));

        // Tab still moves the focus and is no key of the board's.
        QTest::keyClick(second, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), first);
        QCOMPARE(keyDowns.size(), 6);
        QTest::keyClick(first, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), second);
        QCOMPARE(gotFocus.count(), 2);
    }

    void previewShowsEightInEitherStyle()
    {
        Facetra preview;
        preview.setSize(40);
        QCOMPARE(preview.height(), 40 + 2 * 6);
        QVERIFY(preview.width() > 22 && preview.width() < preview.height());

        const QImage lines = preview.grab().toImage();
        QVERIFY(preview.setProperty("LedType", 1));
        QCOMPARE(preview.LedType(), 1);
        const QImage dots = preview.grab().toImage();
        QVERIFY(lines != dots);
        preview.setLedType(5);
        QCOMPARE(preview.LedType(), 1);

        // Lit: the board's orange, at the middle segment.
        const QColor middle = lines.pixelColor(lines.width() / 2, lines.height() / 2);
        QVERIFY2(middle.red() > 200 && middle.blue() < 60, qPrintable(middle.name()));
    }
};

QTEST_MAIN(TestLedDisplays)
#include "tst_leddisplays.moc"
