#include "colorapply.h"
#include "facetra.h"
#include "image.h"
#include "label.h"
#include "layoutscaling.h"
#include "numberled.h"
#include "picturebox.h"
#include "shape.h"
#include "timeled.h"

#include <QDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>

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
    TimeLED *clock = nullptr;
    NumberLED *score = nullptr;
    Facetra *preview = nullptr;
    QPushButton *button = nullptr;

    Board()
    {
        window.resize(632, 453);
        title = new Label(&window);
        title->setObjectName("lblTitle");
        title->setTwipGeometry(120, 0, 9255, 855);
        title->setFontSize(20.25); // recorded as 20
        frame = new Shape(&window);
        frame->setObjectName("shpFrame");
        frame->setTwipGeometry(113, 960, 9255, 5775);
        frame->setBorderWidth(7);
        borderless = new Shape(&window);
        borderless->setTwipGeometry(5280, 2760, 255, 255);
        borderless->setBorderWidth(0);
        pictureFrame = new PictureBox(&window);
        pictureFrame->setObjectName("picHome");
        pictureFrame->setTwipGeometry(623, 2940, 2175, 975);
        picture = new Image(pictureFrame);
        picture->setTwipGeometry(30, 60, 1215, 855);
        clock = new TimeLED(&window);
        clock->setObjectName("tledClock");
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

class MoveCounter final : public QObject
{
public:
    QHash<const QObject *, int> count;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Move)
            ++count[watched];
        return false;
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
    void scalesAndCentresEveryWidget()
    {
        Board board;
        // Windows the board owns are not part of it.
        QDialog dialog(&board.window);
        auto *caption = new Label(&dialog);
        caption->setTwipGeometry(150, 150, 1500, 300);
        // Measures beyond what the record holds are kept at the nearest it holds; one that is no
        // number is not recorded, and so left as it is.
        auto *far = new Label(&board.window);
        far->setTwipGeometry(40000, -40000, 40000, 300);
        far->setFontSize(std::nan(""));
        // One at the very edges of what the record holds is kept as it is, without a warning.
        auto *edge = new Label(&board.window);
        edge->setObjectName("edge");
        edge->setTwipGeometry(-32768, 32767, 300, 300);
        QTest::failOnWarning(QRegularExpression("\"edge\""));
        SaveLayout(&board.window);
        // A minimised window is left alone until it is shown again.
        board.window.setWindowState(Qt::WindowMinimized);
        board.stretchTo(1264, 906);
        QCOMPARE(twips(board.title), QRectF(120, 0, 9255, 855));
        board.window.setWindowState(Qt::WindowNoState);
        StretchLayout(&board.window);

        QCOMPARE(twips(caption), QRectF(150, 150, 1500, 300));
        QCOMPARE(twips(far), QRectF(65534, -65536, 65534, 600));
        QCOMPARE(twips(edge), QRectF(-65536, 65534, 600, 600));
        QVERIFY(std::isnan(far->FontSize()));
        QCOMPARE(twips(board.title), QRectF(240, 0, 18510, 1710));
        QCOMPARE(board.title->FontSize(), 40.0);
        QCOMPARE(twips(board.frame), QRectF(226, 1920, 18510, 11550));
        QCOMPARE(board.frame->BorderWidth(), 14.0);
        QCOMPARE(twips(board.pictureFrame), QRectF(1246, 5880, 4350, 1950));
        QCOMPARE(twips(board.picture), QRectF(60, 120, 2430, 1710));
        // A member recorded as 0 is never set.
        QCOMPARE(board.borderless->BorderWidth(), 0.0);
        QCOMPARE(board.button->geometry(), QRect(10, 10, 50, 20));

        // LED displays get their digit size and paddings, and size themselves from them.
        QCOMPARE(QPointF(board.clock->Left(), board.clock->Top()), QPointF(6390, 2130));
        QCOMPARE(board.clock->Size(), 130);
        QCOMPARE(board.clock->PaddingD(), 250);
        QCOMPARE(board.score->PaddingI(), 350);
        QCOMPARE(board.preview->Size(), 64);

        // A wider window only: half the added 9480 twips go left of every widget of the window
        // itself, but the picture keeps its place in its frame, which has moved.
        board.stretchTo(1264, 453);
        QCOMPARE(twips(board.title), QRectF(120 + 4740, 0, 9255, 855));
        QCOMPARE(twips(board.pictureFrame), QRectF(623 + 4740, 2940, 2175, 975));
        QCOMPARE(board.title->FontSize(), 20.0);
        QCOMPARE(twips(board.picture), QRectF(30, 60, 1215, 855));
        board.stretchTo(632, 906);
        QCOMPARE(twips(board.title), QRectF(120, 3398, 9255, 855));

        // The LED type reaches every LED display.
        SetLEDType(&board.window, 1);
        QCOMPARE(board.clock->LedType(), 1);
        QCOMPARE(board.score->LedType(), 1);
        QCOMPARE(board.preview->LedType(), 1);
    }

    // Each widget of a shown board goes to its scaled place and size in one step: moved first and
    // sized after, it would have its old pixels copied to a place it leaves at once.
    void movesEachWidgetOnce()
    {
        Board board;
        board.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&board.window));
        MoveCounter moves;
        const QList<BoardWidget *> widgets = BoardWidget::laidOutIn(&board.window);
        for (BoardWidget *widget : widgets)
            widget->installEventFilter(&moves);
        board.stretchTo(1264, 906);
        for (BoardWidget *widget : widgets)
            QVERIFY2(moves.count.value(widget) <= 1, qPrintable(widget->objectName()));
        for (const QWidget *moved :
             std::initializer_list<const QWidget *> {board.clock, board.score, board.title})
            QCOMPARE(moves.count.value(moved), 1);
        QCOMPARE(twips(board.title), QRectF(240, 0, 18510, 1710));
        QCOMPARE(QPointF(board.clock->Left(), board.clock->Top()), QPointF(6390, 2130));
    }

    // Saving again after scaling keeps the design: widgets already recorded keep their design
    // size, and one added since is recorded in design units.
    void reRecordKeepsTheDesign()
    {
        Board reference;
        reference.stretchTo(500, 700);

        Board board;
        board.stretchTo(1500, 453);
        SaveLayout(&board.window);
        // A tiny window keeps every dimension at least one unit.
        board.stretchTo(1, 1);
        QVERIFY(board.picture->Width() >= 1 && board.picture->Height() >= 1);
        QCOMPARE(board.borderless->Width(), 1.0);
        QCOMPARE(board.title->FontSize(), 1.0);
        QCOMPARE(board.frame->BorderWidth(), 1.0);
        QCOMPARE(AtLeastOne(0.9999), 1.0);
        QCOMPARE(AtLeastOne(std::nan("")), 1.0);
        SaveLayout(&board.window);
        board.stretchTo(500, 700);
        QCOMPARE(twips(board.title), twips(reference.title));
        QCOMPARE(twips(board.picture), twips(reference.picture));

        board.stretchTo(1896, 906); // scale 2, design centred 4740 twips from the left
        auto *late = new Label(&board.window);
        late->setTwipGeometry(4740 + 2000, 1000, 600, 400);
        late->setFontSize(24);
        SaveLayout(&board.window);
        board.stretchTo(632, 453);
        QCOMPARE(twips(late), QRectF(1000, 500, 300, 200));
        QCOMPARE(late->FontSize(), 12.0);
    }

    // A frame is drawn inside its bounds, its border the width and colour given: a rectangle out
    // to its corners, a rounded one clear of them; a code of no other shape is a rectangle.
    void shapesDrawTheirKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<int>("drawn");
        QTest::newRow("rectangle") << 0 << false << 0;
        QTest::newRow("rectangle, filled") << 0 << true << 0;
        QTest::newRow("rounded, filled") << 4 << true << 4;
        QTest::newRow("other code") << 2 << false << 0;
    }

    void shapesDrawTheirKind()
    {
        QFETCH(int, kind);
        QFETCH(bool, filled);
        QFETCH(int, drawn);
        Board board;
        Shape *frame = board.frame;
        frame->setKind(drawn == 4 ? 0 : 4);
        frame->setKind(kind);
        QCOMPARE(frame->property("Shape").toInt(), drawn);
        frame->setBorderColor(0x0000FF00);
        frame->setFillColor(0x00FF0000);
        frame->setFilled(filled);
        const auto rendered = [frame] {
            QImage image(frame->size(), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            frame->render(&image, QPoint(), QRegion(), {});
            return image;
        };
        QImage image = rendered();
        const QRgb border = qRgb(0, 255, 0), none = qRgba(0, 0, 0, 0);
        const int middle = image.height() / 2;
        QCOMPARE(image.pixel(0, 0), drawn == 4 ? none : border);
        QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), drawn == 4 ? none : border);
        for (const QPoint edge : {QPoint(0, middle), QPoint(6, middle),
                                  QPoint(image.width() / 2, 6), QPoint(image.width() - 7, middle)})
            QCOMPARE(image.pixel(edge), border);
        for (const QPoint inside : {QPoint(8, middle), image.rect().center()})
            QCOMPARE(image.pixel(inside), filled ? qRgb(0, 0, 255) : none);

        // A frame lower, or narrower, than twice its border is border all through.
        const QSize size = frame->size();
        for (const bool low : {true, false}) {
            frame->resize(low ? QSize(size.width(), 12) : QSize(12, size.height()));
            image = rendered();
            const int along = low ? image.width() : image.height();
            for (const int at : {along / 4, along / 2, along * 3 / 4}) {
                for (const int across : {0, 6, 11})
                    QCOMPARE(image.pixel(low ? QPoint(at, across) : QPoint(across, at)), border);
            }
        }
    }

    // Colours go by type to every named widget not excluded; a dialog's widgets are its own. LED
    // colours go to a display.
    void colorsByTypeAndSkipsExclusions()
    {
        Board board;
        const auto label = [&board](const char *name) {
            auto *l = new Label(&board.window);
            l->setObjectName(QString::fromLatin1(name));
            l->setForeColor(0x00FFFFFF);
            return l;
        };
        Label *excluded = label("lblHomeTeam");
        Label *other = label("lblHome");
        Label *unnamed = label("");
        QDialog dialog(&board.window);
        auto *dialogLabel = new Label(&dialog);
        dialogLabel->setObjectName("lblCaption");
        dialogLabel->setForeColor(0x00FFFFFF);
        auto *colouredFrame = new PictureBox(&board.window);
        colouredFrame->setObjectName("picBoard");
        board.pictureFrame->setBackColor(0x00404040);
        board.frame->setFillColor(0x000000FF);
        board.clock->setBackColor(0x00010203);

        ColorFormControls(&board.window, {excluded, board.pictureFrame}, 0x00112233, 0x00445566);
        QCOMPARE(excluded->ForeColor(), 0x00FFFFFF);
        QCOMPARE(board.pictureFrame->BackColor(), 0x00404040);
        QCOMPARE(other->ForeColor(), 0x00112233);
        QCOMPARE(unnamed->ForeColor(), 0x00FFFFFF);
        QCOMPARE(dialogLabel->ForeColor(), 0x00FFFFFF);
        QCOMPARE(colouredFrame->BackColor(), 0x00445566);
        QCOMPARE(board.frame->BorderColor(), 0x00112233);
        QCOMPARE(board.frame->FillColor(), 0x000000FF);
        QCOMPARE(board.clock->BackColor(), 0x00010203);

        ColorLED(board.clock, 0x000000FF, 0x00445566);
        QCOMPARE(board.clock->BackColor(), 0x00445566);
        QCOMPARE(board.clock->LitColor(), 0x000000FF);
    }
};

QTEST_MAIN(tst_LayoutScaling)
#include "tst_layoutscaling.moc"
