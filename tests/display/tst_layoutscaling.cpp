#include "facetra.h"
#include "image.h"
#include "label.h"
#include "latebinding.h"
#include "layoutscaling.h"
#include "numberled.h"
#include "picturebox.h"
#include "shape.h"
#include "timeled.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>

// A display built of round lights: the one laid-out type whose spacing is recorded offset by 15.
class LEDDisplay final : public BoardWidget
{
    Q_OBJECT
    Q_PROPERTY(double LightDiameter MEMBER lightDiameter)
    Q_PROPERTY(double LightSpacing MEMBER lightSpacing)
public:
    using BoardWidget::BoardWidget;
    double lightDiameter = 30;
    double lightSpacing = 0;
};

namespace {

// A small board at 632 x 453 pixels, 9480 x 6795 twips.
struct Board
{
    QWidget window;
    Label *title = nullptr;
    Shape *frame = nullptr;
    Shape *borderless = nullptr;
    PictureBox *pictureFrame = nullptr;
    Image *picture = nullptr;
    LEDDisplay *lights = nullptr;
    TimeLED *clock = nullptr;
    NumberLED *score = nullptr;
    Facetra *preview = nullptr;
    QPushButton *button = nullptr;

    Board()
    {
        window.resize(632, 453);
        title = new Label(&window);
        title->setObjectName(QStringLiteral("lblTitle"));
        title->setTwipGeometry(120, 0, 9255, 855);
        title->setFontSize(20.25); // recorded as 20
        frame = new Shape(&window);
        frame->setTwipGeometry(113, 960, 9255, 5775);
        frame->setBorderWidth(7);
        borderless = new Shape(&window);
        borderless->setTwipGeometry(5280, 2760, 255, 255);
        borderless->setBorderWidth(0);
        pictureFrame = new PictureBox(&window);
        pictureFrame->setObjectName(QStringLiteral("picHome"));
        pictureFrame->setTwipGeometry(623, 2940, 2175, 975);
        picture = new Image(pictureFrame);
        picture->setTwipGeometry(30, 60, 1215, 855);
        lights = new LEDDisplay(&window);
        lights->setTwipGeometry(3000, 4000, 1500, 900);
        clock = new TimeLED(&window);
        score = new NumberLED(&window);
        for (SegmentDisplay *display : std::initializer_list<SegmentDisplay *> {clock, score}) {
            display->setTwipGeometry(3195, 1065, 0, 0);
            display->setSize(65);
            display->setPaddingH(80);
            display->setPaddingV(65);
            display->setPaddingI(175);
        }
        clock->setPaddingD(125);
        preview = new Facetra(&window);
        preview->setSize(32);
        new QTimer(&window);
        button = new QPushButton(&window);
        button->setGeometry(10, 10, 50, 20);
        SaveLayout(&window);
    }

    void stretchTo(int width, int height)
    {
        window.resize(width, height);
        StretchLayout(&window);
    }
};

QRectF twips(const BoardWidget *w)
{
    return QRectF(w->Left(), w->Top(), w->Width(), w->Height());
}

} // namespace

class tst_LayoutScaling final : public QObject
{
    Q_OBJECT

private slots:
    void doubleSizeDoublesEverything()
    {
        Board board;
        // Windows the board owns are not part of it.
        QDialog dialog(&board.window);
        auto *caption = new Label(&dialog);
        caption->setTwipGeometry(150, 150, 1500, 300);
        SaveLayout(&board.window);
        board.stretchTo(1264, 906);
        QCOMPARE(twips(caption), QRectF(150, 150, 1500, 300));
        QVERIFY(!LateBinding::controls(&board.window).contains(caption));
        QCOMPARE(twips(board.title), QRectF(240, 0, 18510, 1710));
        QCOMPARE(board.title->FontSize(), 40.0);
        QCOMPARE(twips(board.frame), QRectF(226, 1920, 18510, 11550));
        QCOMPARE(board.frame->BorderWidth(), 14.0);
        QCOMPARE(twips(board.pictureFrame), QRectF(1246, 5880, 4350, 1950));
        QCOMPARE(twips(board.picture), QRectF(60, 120, 2430, 1710));
        QCOMPARE(board.lights->lightDiameter, 60.0);
        // A spacing of 0 is recorded and becomes one unit of the scale.
        QCOMPARE(board.lights->lightSpacing, 2.0);
        // A member recorded as 0 is never set.
        QCOMPARE(board.borderless->BorderWidth(), 0.0);
        QCOMPARE(board.button->geometry(), QRect(10, 10, 50, 20));

        // LED displays get their digit size and paddings, and size themselves from them.
        QCOMPARE(QPointF(board.clock->Left(), board.clock->Top()), QPointF(6390, 2130));
        QCOMPARE(board.clock->Size(), 130);
        QCOMPARE(board.clock->PaddingH(), 160);
        QCOMPARE(board.clock->PaddingD(), 250);
        QCOMPARE(board.score->PaddingI(), 350);
        QCOMPARE(board.preview->Size(), 64);
    }

    void ledTypeReachesEveryLedDisplayOnly()
    {
        Board board;
        // Any member set on a widget without it would be reported and fail the test.
        QTest::failOnWarning(QRegularExpression(".*"));
        SetLEDType(&board.window, 1);
        QCOMPARE(board.clock->LedType(), 1);
        QCOMPARE(board.score->LedType(), 1);
        QCOMPARE(board.preview->LedType(), 1);
    }

    void widthOnlyCentresWithoutScaling()
    {
        Board board;
        board.stretchTo(1264, 453);
        // Half the added 9480 twips on the left of every widget of the window itself...
        QCOMPARE(twips(board.title), QRectF(120 + 4740, 0, 9255, 855));
        QCOMPARE(twips(board.pictureFrame), QRectF(623 + 4740, 2940, 2175, 975));
        QCOMPARE(board.title->FontSize(), 20.0);
        // ...but the picture keeps its place in its frame, which has moved.
        QCOMPARE(twips(board.picture), QRectF(30, 60, 1215, 855));

        board.stretchTo(632, 906);
        QCOMPARE(twips(board.title), QRectF(120, 3398, 9255, 855));
    }

    void minimisedWindowIsLeftAlone()
    {
        Board board;
        board.window.setWindowState(Qt::WindowMinimized);
        board.stretchTo(1264, 906);
        QCOMPARE(twips(board.title), QRectF(120, 0, 9255, 855));

        board.window.setWindowState(Qt::WindowNoState);
        StretchLayout(&board.window);
        QCOMPARE(twips(board.title), QRectF(240, 0, 18510, 1710));
    }

    void tinyWindowKeepsEveryDimensionAtLeastOne()
    {
        QCOMPARE(AtLeastOne(2.5), 2.5);
        QCOMPARE(AtLeastOne(0.9999), 1.0);
        QCOMPARE(AtLeastOne(-40), 1.0);
        QCOMPARE(AtLeastOne(std::nan("")), 1.0);

        Board board;
        board.stretchTo(1, 1); // scale 15 / 9480
        QVERIFY(board.picture->Width() >= 1 && board.picture->Height() >= 1);
        QCOMPARE(board.borderless->Width(), 1.0);
        QCOMPARE(board.title->FontSize(), 1.0);
        QCOMPARE(board.frame->BorderWidth(), 1.0);
        QCOMPARE(board.lights->lightDiameter, 1.0);
        QCOMPARE(board.borderless->BorderWidth(), 0.0);
    }

    void reRecordKeepsTheDesign()
    {
        Board reference;
        reference.stretchTo(500, 700);

        Board board;
        // Options visits in a wide window and in a tiny one, then a window of the reference's size.
        board.stretchTo(1500, 453);
        SaveLayout(&board.window);
        board.stretchTo(20, 10);
        SaveLayout(&board.window);
        board.stretchTo(500, 700);

        QCOMPARE(twips(board.title), twips(reference.title));
        QCOMPARE(board.title->FontSize(), reference.title->FontSize());
        QCOMPARE(twips(board.frame), twips(reference.frame));
        QCOMPARE(twips(board.pictureFrame), twips(reference.pictureFrame));
        QCOMPARE(twips(board.picture), twips(reference.picture));
        QCOMPARE(board.lights->lightDiameter, reference.lights->lightDiameter);
    }

    void widgetAddedAfterScalingIsRecordedInDesignUnits()
    {
        Board board;
        board.stretchTo(1896, 906); // scale 2, design centred 4740 twips from the left
        auto *late = new Label(&board.window);
        late->setTwipGeometry(4740 + 2000, 1000, 600, 400);
        late->setFontSize(24);
        SaveLayout(&board.window);

        board.stretchTo(632, 453);
        QCOMPARE(twips(late), QRectF(1000, 500, 300, 200));
        QCOMPARE(late->FontSize(), 12.0);
        QCOMPARE(twips(board.title), QRectF(120, 0, 9255, 855));
    }

    void missingOrReadOnlyMemberIsReported()
    {
        Label label;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("has no member LitColor"));
        QVERIFY(!LateBinding::set(&label, "LitColor", 255));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refuses Name"));
        QVERIFY(!LateBinding::set(&label, "Name", QStringLiteral("x")));
    }
};

QTEST_MAIN(tst_LayoutScaling)
#include "tst_layoutscaling.moc"
