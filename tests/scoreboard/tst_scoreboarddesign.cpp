#include "boardwidget.h"
#include "colorapply.h"
#include "label.h"
#include "layoutscaling.h"
#include "picturebox.h"
#include "scoreboarddesign.h"
#include "segmentdisplay.h"
#include "settingsmodel.h"
#include "shape.h"

#include <QTest>
#include <QtMath>

namespace {

template<typename T = QWidget>
T *child(QWidget &window, const char *name)
{
    auto *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("the design has no %s", name);
    return found;
}

// Each home display, caption and picture stands level with the visitor's, and so do the two
// "Penalty" captions; the scores alone are designed a few twips apart. A home display is as wide
// as the visitor's. Nothing but the period's frame reaches into the outer frame's border, where its
// background would cut the line, and no caption, the notice among them, runs under a display.
void checkLaidOut(QWidget &window)
{
    int pairs = 0;
    for (const QWidget *home : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        QString name = home->objectName();
        if (name == "nledHomeScore" || !name.contains("Home") || home->isHidden())
            continue;
        const QWidget *visitor = child(window, qPrintable(name.replace("Home", "Visitor")));
        QVERIFY2(home->y() == visitor->y() && home->height() == visitor->height()
                         && (!qobject_cast<const SegmentDisplay *>(home)
                             || home->width() == visitor->width()),
                 qPrintable(home->objectName()));
        ++pairs;
    }
    QVERIFY(pairs >= 4);
    QCOMPARE(child(window, "Label2")->y(), child(window, "Label3")->y());

    const auto *frame = child<Shape>(window, "Shape3");
    const int border = int(frame->BorderWidth());
    const QRect inside = frame->geometry().adjusted(border, border, -border, -border);
    const QRect periodFrame = child(window, "Shape1")->geometry();
    for (const QWidget *widget : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect at = widget->geometry();
        if (!widget->isHidden() && !qobject_cast<const Shape *>(widget)
            && at.intersects(frame->geometry()) && !periodFrame.contains(at))
            QVERIFY2(inside.contains(at), qPrintable(widget->objectName()));
    }

    for (const Label *label : window.findChildren<Label *>()) {
        for (const SegmentDisplay *display : window.findChildren<SegmentDisplay *>()) {
            QVERIFY2(display->isHidden() || !label->geometry().intersects(display->geometry()),
                     qPrintable(label->objectName() + " " + display->objectName()));
        }
    }
}

// The selection frame, at its widest, shows all round any display: no other display or picture
// lies over its margin.
void checkSelectionShows(QWidget &window, bool inFrame = false)
{
    constexpr int widest = 5;
    for (const SegmentDisplay *display : window.findChildren<SegmentDisplay *>()) {
        if (!display->isVisibleTo(&window))
            continue;
        const QRect frame = display->geometry().adjusted(-widest, -widest, widest + 1, widest + 1);
        // With the game flow, not over the side or bottom line of the board's white frame (the
        // top line runs into the period clock's frame, and the scores stand at it).
        if (inFrame) {
            const auto *outer = window.findChild<Shape *>("Shape3");
            const int line = qCeil(outer->BorderWidth());
            const QRect inside = outer->geometry().adjusted(line, line, -line, -line);
            QVERIFY2(frame.left() >= inside.left() && frame.right() <= inside.right()
                             && frame.bottom() <= inside.bottom(),
                     qPrintable(display->objectName()));
        }
        for (const BoardWidget *other :
             window.findChildren<BoardWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != display && other->isVisibleTo(&window)
                && !qobject_cast<const Shape *>(other) && !qobject_cast<const Label *>(other))
                QVERIFY2(!frame.intersects(other->geometry()),
                         qPrintable(display->objectName() + " " + other->objectName()));
        }
    }
}

} // namespace

class tst_ScoreboardDesign final : public QObject
{
    Q_OBJECT

private slots:
    // Sizes and places at the design's edges and its smallest display, stacking and focus order.
    void designedBoard()
    {
        QWidget window, flow;
        buildScoreboardDesign(&window);
        QCOMPARE(window.size(), QSize(632, 453));
        ScoreboardUi flowUi = buildScoreboardDesign(&flow);
        layOutScoreboard(&flow, flowUi, true);
        // Laid out at every height of a window from 360 to 2160 pixels, however its rounding falls,
        // in the design's shape, a 4:3 screen's and a wide screen's.
        SaveLayout(&window);
        for (int height = 360; height <= 2160; ++height) {
            for (const int width : {height * 632 / 453, height * 4 / 3, height * 16 / 9}) {
                window.resize(width, height);
                StretchLayout(&window);
                checkLaidOut(window);
                flow.resize(width, height);
                StretchLayout(&flow);
                checkLaidOut(flow);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QString("at %1 by %2").arg(width).arg(height)));
            }
        }
        window.resize(632, 453);
        StretchLayout(&window);
        const auto near = [](int actual, int twips) { return qAbs(actual - twips / 15.0) <= 2; };
        for (const auto &[name, twips] :
             {std::pair("nledHomeScore", QRect(604, 1125, 2265, 1200)),
              std::pair("tledPeriod", QRect(3195, 1065, 3090, 1110)),
              std::pair("nledPeriod", QRect(5145, 2460, 630, 930)),
              std::pair("tledVisitorPenalty2", QRect(6723, 5610, 2085, 960))}) {
            const QRect pixels = child(window, name)->geometry();
            QVERIFY2(near(pixels.x(), twips.x()) && near(pixels.y(), twips.y())
                             && near(pixels.width(), twips.width())
                             && near(pixels.height(), twips.height()),
                     name);
        }

        const QObjectList stack = window.children(); // bottom to top
        // Widgets only: a window showing the design brings its own sound device and timer.
        for (const QObject *object : stack)
            QVERIFY2(object->isWidgetType(), qPrintable(object->objectName()));
        qsizetype highestShape = -1, lowestFace = stack.size();
        for (qsizetype i = 0; i < stack.size(); ++i) {
            if (qobject_cast<Shape *>(stack[i]))
                highestShape = i;
            else if (qobject_cast<SegmentDisplay *>(stack[i])
                     || qobject_cast<PictureBox *>(stack[i]))
                lowestFace = qMin(lowestFace, i);
        }
        QVERIFY(highestShape >= 0 && highestShape < lowestFace);
        QVERIFY(child(window, "shpObjectSelected")->isHidden());
        QVERIFY(!child(window, "Shape3")->isHidden());

        QStringList order;
        QWidget *widget = &window;
        do {
            widget = widget->nextInFocusChain();
            if (widget->focusPolicy() & Qt::TabFocus)
                order.append(widget->objectName());
        } while (widget != &window);
        QCOMPARE(order,
                 QStringList({"nledHomeScore", "tledPeriod", "nledVisitorScore", "nledPeriod",
                              "tledJam", "tledHomePenalty1", "tledVisitorPenalty1",
                              "tledHomePenalty2", "tledVisitorPenalty2"}));
    }

    // The game flow's variant: every display visible, apart and inside the frame, in focus order
    // after the nine; switched off again at any size, the board is the plain design scaled.
    void gameFlowLayout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("designed") << QSize(632, 453);
        QTest::newRow("doubled, wider") << QSize(1400, 906);
    }

    void gameFlowLayout()
    {
        QFETCH(QSize, size);
        QWidget window, plain;
        ScoreboardUi ui = buildScoreboardDesign(&window);
        buildScoreboardDesign(&plain);
        SaveLayout(&window);
        SaveLayout(&plain);
        window.resize(size);
        plain.resize(size);
        StretchLayout(&window);
        StretchLayout(&plain);

        layOutScoreboard(&window, ui, true);
        QVERIFY(ui.gameFlow);
        checkLaidOut(window);
        checkSelectionShows(window, true);
        checkSelectionShows(plain);
        const auto visible
                = [&window](const QWidget *widget) { return widget->isVisibleTo(&window); };
        QList<QWidget *> shown;
        for (QWidget *widget : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // The notice shows in place of the line it lies over.
            if (visible(widget) && !qobject_cast<Shape *>(widget)
                && widget->objectName() != "lblNotice")
                shown.append(widget);
        }
        const QRect frame = child(window, "Shape3")->geometry();
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QWidget *a = shown[i];
            QVERIFY2(frame.contains(a->geometry()) || a->objectName() == "lblTitle"
                             || qobject_cast<const PictureBox *>(a),
                     qPrintable(a->objectName()));
            for (qsizetype j = i + 1; j < shown.size(); ++j) {
                const QWidget *b = shown[j];
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " " + b->objectName()));
            }
        }
        QStringList order;
        QWidget *widget = &window;
        do {
            widget = widget->nextInFocusChain();
            if (widget->focusPolicy() & Qt::TabFocus && visible(widget))
                order.append(widget->objectName());
        } while (widget != &window);
        QCOMPARE(order,
                 QStringList({"nledHomeScore", "tledPeriod", "nledVisitorScore", "nledPeriod",
                              "tledJam", "tledHomePenalty1", "tledVisitorPenalty1",
                              "tledHomePenalty2", "tledVisitorPenalty2", "nledJamNumber",
                              "nledHomeTimeouts", "nledHomeReviews", "nledVisitorTimeouts",
                              "nledVisitorReviews", "tledHomePenalty3", "tledVisitorPenalty3"}));
        // Read from the back of a hall: no display's digits under half the score's.
        const int score = child<SegmentDisplay>(window, "nledHomeScore")->Size();
        for (const SegmentDisplay *display : window.findChildren<SegmentDisplay *>())
            QVERIFY2(display->Size() * 2 >= score, qPrintable(display->objectName()));

        layOutScoreboard(&window, ui, false);
        for (const BoardWidget *display : plain.findChildren<BoardWidget *>()) {
            const QWidget *same = child(window, qPrintable(display->objectName()));
            QCOMPARE(same->geometry(), display->geometry());
            QCOMPARE(visible(same), display->isVisibleTo(&plain));
        }
        for (const SegmentDisplay *display : ui.flowDisplays())
            QVERIFY(!visible(display));
        QVERIFY(!visible(ui.lblJamCaption));
    }

    // The window's generic procedures find every member they address on the designed widgets.
    void scalesAndColoursAsAWhole()
    {
        QTest::failOnWarning(QRegularExpression(".*"));
        QWidget window;
        buildScoreboardDesign(&window);
        SaveLayout(&window);
        window.resize(1264, 906);
        StretchLayout(&window);
        QCOMPARE(child<Label>(window, "lblTitle")->FontSize(), 72.0);
        QCOMPARE(child<Label>(window, "lblHomeTeam")->FontSize(), 40.0); // recorded whole
        QCOMPARE(child<BoardWidget>(window, "imgBoardPic")->Left(), 0.0);
        QCOMPARE(child<Shape>(window, "Shape3")->BorderWidth(), 14.0);
        const QSize penalty = child(window, "tledHomePenalty1")->size();
        for (const char *name : {"tledHomePenalty2", "tledVisitorPenalty1", "tledVisitorPenalty2"})
            QCOMPARE(child(window, name)->size(), penalty);
        QVERIFY(qAbs(penalty.width() - 2 * 2085 / 15.0) <= 4);

        const QList<QWidget *> exclusions
                = {child(window, "lblHomeTeam"), child(window, "lblVisitorTeam"),
                   child(window, "picHomePicContainer"), child(window, "picVisitorPicContainer"),
                   child(window, "picBoardPicContainer")};
        ColorFormControls(&window, exclusions, 0x00123456, 0x00654321);
        QCOMPARE(child<Label>(window, "Label4")->ForeColor(), 0x00123456);
        QCOMPARE(child<Label>(window, "lblHomeTeam")->ForeColor(), 0x00FFFFFF);
        QCOMPARE(child<Shape>(window, "Shape1")->BorderColor(), 0x00123456);
        QCOMPARE(child<PictureBox>(window, "picBoardPicContainer")->BackColor(), 0x00404040);

        SetLEDType(&window, 1);
        for (const SegmentDisplay *display : window.findChildren<SegmentDisplay *>())
            QCOMPARE(display->LedType(), 1);
    }
};

QTEST_MAIN(tst_ScoreboardDesign)
#include "tst_scoreboarddesign.moc"
