#include "scoreboarddesign.h"

#include "boutconstants.h"
#include "image.h"
#include "label.h"
#include "layoutscaling.h"
#include "numberled.h"
#include "picturebox.h"
#include "platformcolor.h"
#include "shape.h"
#include "timeled.h"
#include "twips.h"

#include <QRect>

#include <span>

namespace {

constexpr int kWhite = 0x00FFFFFF;
constexpr int kRed = 0x000000FF;
constexpr int kGreen = 0x0000C000;
constexpr int kKeep = -1; // the class default
constexpr int kDesignWidth = 9480;
constexpr int kDesignHeight = 6795;

// The displays in focus order. Paddings are in twips, Size is the digit height in pixels; the
// displays size themselves from these.
struct DisplayDesign
{
    const char *name;
    TimeLED *ScoreboardUi::*time; // or else a number display
    NumberLED *ScoreboardUi::*number;
    int left;
    int top;
    int size;
    int paddingH;
    int paddingV;
    int paddingI;
    int paddingD;
    int litColor;
    const char *groups; // time displays: digit cells before and after the colon
    int max = kKeep; // number displays: the largest number, unless a score's or the period's
};

constexpr DisplayDesign kDisplays[] = {
        {"nledHomeScore", nullptr, &ScoreboardUi::nledHomeScore, 604, 1125, 68, 100, 80, 175, kKeep,
         kRed, nullptr},
        {"tledPeriod", &ScoreboardUi::tledPeriod, nullptr, 3195, 1065, 65, 80, 65, 175, 125, kKeep,
         nullptr},
        {"nledVisitorScore", nullptr, &ScoreboardUi::nledVisitorScore, 6612, 1120, 68, 100, 80, 175,
         kKeep, kRed, nullptr},
        {"nledPeriod", nullptr, &ScoreboardUi::nledPeriod, 5145, 2460, 55, 80, 50, 60, kKeep,
         kGreen, nullptr},
        {"tledJam", &ScoreboardUi::tledJam, nullptr, 3600, 4000, 70, 80, 70, 160, 70, kKeep, "1,2"},
        {"tledHomePenalty1", &ScoreboardUi::tledHomePenalty1, nullptr, 673, 4540, 55, 100, 70, 160,
         95, kRed, "1,2"},
        {"tledVisitorPenalty1", &ScoreboardUi::tledVisitorPenalty1, nullptr, 6723, 4540, 55, 100,
         70, 160, 95, kRed, "1,2"},
        {"tledHomePenalty2", &ScoreboardUi::tledHomePenalty2, nullptr, 673, 5610, 55, 100, 70, 160,
         95, kRed, "1,2"},
        {"tledVisitorPenalty2", &ScoreboardUi::tledVisitorPenalty2, nullptr, 6723, 5610, 55, 100,
         70, 160, 95, kRed, "1,2"},
};

// The board with the game flow: the team pictures flank the title, each team's timeouts and
// reviews remaining stand under its name, three smaller penalty clocks per side, the period
// number smaller, the jam number beside the jam clock and the phase's caption under the clock
// that counts it. Digit heights against the scores' 68: jam number 56, penalties 45, period
// number 40, counts 36. The stacked penalty clocks stand apart by more than the widest selection
// frame, which lies beneath the displays and would otherwise show only at a clock's sides; the
// visitor's counts stand far enough from the board's frame for it not to cover its line.
constexpr DisplayDesign kFlowDisplays[] = {
        {"nledHomeScore", nullptr, &ScoreboardUi::nledHomeScore, 604, 1125, 68, 100, 80, 175, kKeep,
         kRed, nullptr},
        {"tledPeriod", &ScoreboardUi::tledPeriod, nullptr, 3195, 1065, 65, 80, 65, 175, 125, kKeep,
         nullptr},
        {"nledVisitorScore", nullptr, &ScoreboardUi::nledVisitorScore, 6612, 1120, 68, 100, 80, 175,
         kKeep, kRed, nullptr},
        {"nledPeriod", nullptr, &ScoreboardUi::nledPeriod, 5010, 2835, 40, 80, 40, 60, kKeep,
         kGreen, nullptr},
        {"tledJam", &ScoreboardUi::tledJam, nullptr, 3045, 4000, 70, 80, 70, 160, 70, kKeep, "1,2"},
        {"tledHomePenalty1", &ScoreboardUi::tledHomePenalty1, nullptr, 673, 3975, 45, 100, 60, 140,
         85, kRed, "1,2"},
        {"tledVisitorPenalty1", &ScoreboardUi::tledVisitorPenalty1, nullptr, 6950, 3975, 45, 100,
         60, 140, 85, kRed, "1,2"},
        {"tledHomePenalty2", &ScoreboardUi::tledHomePenalty2, nullptr, 673, 4860, 45, 100, 60, 140,
         85, kRed, "1,2"},
        {"tledVisitorPenalty2", &ScoreboardUi::tledVisitorPenalty2, nullptr, 6950, 4860, 45, 100,
         60, 140, 85, kRed, "1,2"},
        {"nledJamNumber", nullptr, &ScoreboardUi::nledJamNumber, 5535, 4100, 56, 80, 60, 120, kKeep,
         kKeep, nullptr, 99},
        {"nledHomeTimeouts", nullptr, &ScoreboardUi::nledHomeTimeouts, 1400, 2925, 36, 80, 40, 60,
         kKeep, kGreen, nullptr, 9},
        {"nledHomeReviews", nullptr, &ScoreboardUi::nledHomeReviews, 2895, 2925, 36, 80, 40, 60,
         kKeep, kGreen, nullptr, 9},
        {"nledVisitorTimeouts", nullptr, &ScoreboardUi::nledVisitorTimeouts, 7190, 2925, 36, 80, 40,
         60, kKeep, kGreen, nullptr, 9},
        {"nledVisitorReviews", nullptr, &ScoreboardUi::nledVisitorReviews, 8685, 2925, 36, 80, 40,
         60, kKeep, kGreen, nullptr, 9},
        {"tledHomePenalty3", &ScoreboardUi::tledHomePenalty3, nullptr, 673, 5745, 45, 100, 60, 140,
         85, kRed, "1,2"},
        {"tledVisitorPenalty3", &ScoreboardUi::tledVisitorPenalty3, nullptr, 6950, 5745, 45, 100,
         60, 140, 85, kRed, "1,2"},
};

struct LabelDesign
{
    const char *name;
    Label *ScoreboardUi::*member;
    int left;
    int top;
    int width;
    int height;
    const char *caption;
    double points;
};

constexpr LabelDesign kLabels[] = {
        {"lblTitle", &ScoreboardUi::lblTitle, 120, 0, 9255, 855, "", 36},
        {"lblHomeTeam", &ScoreboardUi::lblHomeTeam, 240, 2400, 3135, 495, "", 20.25},
        {"lblVisitorTeam", &ScoreboardUi::lblVisitorTeam, 6120, 2400, 3135, 495, "", 20.25},
        {"Label4", &ScoreboardUi::Label4, 3705, 2760, 1335, 450, "Period", 18},
        {"Label1", &ScoreboardUi::Label1, 3600, 3480, 2355, 450, "Jam", 18},
        {"Label2", &ScoreboardUi::Label2, 713, 3990, 1935, 465, "Penalty", 18},
        {"Label3", &ScoreboardUi::Label3, 6713, 3990, 2055, 465, "Penalty", 18},
        {"lblCreatedBy", &ScoreboardUi::lblCreatedBy, 3263, 5280, 2955, 300, "Corvanta scoreboard",
         11.25},
        // Passing words to the operator, e.g. that sound is unavailable, shown for a while in
        // place of the line above, in two lines where needed: between the penalty displays,
        // from below the jam clock down to the board picture.
        {"lblNotice", &ScoreboardUi::lblNotice, 2805, 5205, 3870, 430, "", 9},
};

constexpr LabelDesign kFlowLabels[] = {
        {"lblTitle", &ScoreboardUi::lblTitle, 1695, 0, 6090, 855, "", 36},
        {"lblHomeTeam", &ScoreboardUi::lblHomeTeam, 240, 2400, 3135, 495, "", 20.25},
        {"lblVisitorTeam", &ScoreboardUi::lblVisitorTeam, 6120, 2400, 3135, 495, "", 20.25},
        {"Label4", &ScoreboardUi::Label4, 3735, 2925, 1215, 450, "Period", 18},
        {"Label1", &ScoreboardUi::Label1, 3045, 3580, 2355, 420, "Jam", 18},
        {"Label2", &ScoreboardUi::Label2, 713, 3560, 1935, 405, "Penalty", 18},
        {"Label3", &ScoreboardUi::Label3, 6940, 3560, 1935, 405, "Penalty", 18},
        {"lblCreatedBy", &ScoreboardUi::lblCreatedBy, 3263, 5760, 2955, 300, "Corvanta scoreboard",
         11.25},
        {"lblNotice", &ScoreboardUi::lblNotice, 2775, 5685, 3930, 430, "", 9},
        {"lblPeriodCaption", &ScoreboardUi::lblPeriodCaption, 3420, 2340, 2640, 465, "", 18},
        {"lblJamCaption", &ScoreboardUi::lblJamCaption, 2775, 5205, 3930, 465, "", 18},
        {"lblHomeTimeouts", &ScoreboardUi::lblHomeTimeouts, 300, 2970, 1080, 375, "Timeouts", 12},
        {"lblHomeReviews", &ScoreboardUi::lblHomeReviews, 1950, 2970, 930, 375, "Reviews", 12},
        {"lblVisitorTimeouts", &ScoreboardUi::lblVisitorTimeouts, 6090, 2970, 1080, 375, "Timeouts",
         12},
        {"lblVisitorReviews", &ScoreboardUi::lblVisitorReviews, 7740, 2970, 930, 375, "Reviews",
         12},
};

struct PictureDesign
{
    const char *frame;
    PictureBox *ScoreboardUi::*frameMember;
    const char *image;
    Image *ScoreboardUi::*imageMember;
    int left;
    int top;
    int width;
    int height;
};

constexpr PictureDesign kPictures[] = {
        {"picHomePicContainer", &ScoreboardUi::picHomePicContainer, "imgHomePic",
         &ScoreboardUi::imgHomePic, 623, 2940, 2175, 975},
        {"picVisitorPicContainer", &ScoreboardUi::picVisitorPicContainer, "imgVisitorPic",
         &ScoreboardUi::imgVisitorPic, 6743, 2940, 2115, 975},
        {"picBoardPicContainer", &ScoreboardUi::picBoardPicContainer, "imgBoardPic",
         &ScoreboardUi::imgBoardPic, 3533, 5640, 2415, 950},
};

constexpr PictureDesign kFlowPictures[] = {
        {"picHomePicContainer", &ScoreboardUi::picHomePicContainer, "imgHomePic",
         &ScoreboardUi::imgHomePic, 240, 45, 1365, 780},
        {"picVisitorPicContainer", &ScoreboardUi::picVisitorPicContainer, "imgVisitorPic",
         &ScoreboardUi::imgVisitorPic, 7875, 45, 1365, 780},
        {"picBoardPicContainer", &ScoreboardUi::picBoardPicContainer, "imgBoardPic",
         &ScoreboardUi::imgBoardPic, 3533, 6120, 2415, 480},
};

template<typename T, typename Parent>
T *named(Parent *parent, const char *name)
{
    auto *object = new T(parent);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

constexpr int kFrameBorder = 7;
constexpr QRect kOuterFrame(113, 960, 9255, 5775);
constexpr QRect kPeriodFrame(3038, 960, 3405, 1350);
constexpr QRect kSelection(5280, 2760, 255, 255);
constexpr QRect kImage(0, 0, 1215, 855);

void placeFrame(Shape *frame, const QRect &twips)
{
    frame->setTwipGeometry(twips.x(), twips.y(), twips.width(), twips.height());
    frame->setBorderWidth(kFrameBorder);
}

Shape *addFrame(QWidget *window, const char *name, const QRect &twips)
{
    auto *frame = named<Shape>(window, name);
    placeFrame(frame, twips);
    frame->setKind(Shape::RoundedRectangle);
    frame->setBorderColor(kWhite);
    frame->setFilled(false);
    return frame;
}

SegmentDisplay *placeDisplay(SegmentDisplay *display, const DisplayDesign &design)
{
    if (auto *clock = qobject_cast<TimeLED *>(display); clock && design.paddingD != kKeep)
        clock->setPaddingD(design.paddingD);
    display->setSize(design.size);
    display->setPaddingH(design.paddingH);
    display->setPaddingV(design.paddingV);
    display->setPaddingI(design.paddingI);
    display->setLeft(design.left);
    display->setTop(design.top);
    return display;
}

SegmentDisplay *addDisplay(QWidget *window, ScoreboardUi &ui, const DisplayDesign &design)
{
    SegmentDisplay *display = nullptr;
    if (design.time) {
        auto *clock = named<TimeLED>(window, design.name);
        ui.*design.time = clock;
        if (design.groups)
            clock->setGroupLengths(QString::fromLatin1(design.groups));
        clock->setValue(3600);
        display = clock;
    } else {
        auto *number = named<NumberLED>(window, design.name);
        ui.*design.number = number;
        // The score displays count to three digits; the period number keeps the single digit.
        if (design.max != kKeep)
            number->setMax(design.max);
        else if (design.litColor == kRed)
            number->setMax(BoutConstants::ScoreLimit);
        display = number;
    }
    if (design.litColor != kKeep)
        display->setLitColor(design.litColor);
    return placeDisplay(display, design);
}

SegmentDisplay *displayOf(const ScoreboardUi &ui, const DisplayDesign &design)
{
    if (design.time)
        return ui.*design.time;
    return ui.*design.number;
}

void placeLabel(Label *label, const LabelDesign &design)
{
    label->setTwipGeometry(design.left, design.top, design.width, design.height);
    label->setFontSize(design.points);
}

Label *addLabel(QWidget *window, ScoreboardUi &ui, const LabelDesign &design)
{
    auto *label = named<Label>(window, design.name);
    ui.*design.member = label;
    placeLabel(label, design);
    label->setCaption(QString::fromLatin1(design.caption));
    label->setForeColor(kWhite);
    return label;
}

void placePicture(const ScoreboardUi &ui, const PictureDesign &design)
{
    (ui.*design.frameMember)->setTwipGeometry(design.left, design.top, design.width, design.height);
    (ui.*design.imageMember)
            ->setTwipGeometry(kImage.x(), kImage.y(), kImage.width(), kImage.height());
}

// The game flow's widgets, made once, after everything the plain board has: the displays join
// the end of the focus order.
void addFlowWidgets(QWidget *window, ScoreboardUi &ui)
{
    QWidget *previous = ui.tledVisitorPenalty2;
    for (const DisplayDesign &design : kFlowDisplays) {
        if (displayOf(ui, design))
            continue;
        QWidget *display = addDisplay(window, ui, design);
        QWidget::setTabOrder(previous, display);
        previous = display;
        display->show();
    }
    for (const LabelDesign &design : kFlowLabels) {
        if (!(ui.*design.member))
            addLabel(window, ui, design)->show();
    }
    ui.lblJamCaption->setWordWrap(false);
}

} // namespace

std::array<TimeLED *, 6> ScoreboardUi::penalties() const
{
    return {tledHomePenalty1,    tledHomePenalty2, tledVisitorPenalty1,
            tledVisitorPenalty2, tledHomePenalty3, tledVisitorPenalty3};
}

std::array<SegmentDisplay *, 7> ScoreboardUi::flowDisplays() const
{
    return {nledJamNumber,      nledHomeTimeouts, nledHomeReviews,    nledVisitorTimeouts,
            nledVisitorReviews, tledHomePenalty3, tledVisitorPenalty3};
}

std::array<SegmentDisplay *, 9> ScoreboardUi::displays() const
{
    return {nledHomeScore,    tledPeriod,          nledVisitorScore, nledPeriod,         tledJam,
            tledHomePenalty1, tledVisitorPenalty1, tledHomePenalty2, tledVisitorPenalty2};
}

ScoreboardUi buildScoreboardDesign(QWidget *window)
{
    ScoreboardUi ui;
    window->resize(kDesignWidth / Twips::perPixel, kDesignHeight / Twips::perPixel);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, PlatformColor::toQColor(0x00404040));
    window->setPalette(palette);
    window->setAutoFillBackground(true);

    // Created first, the shapes lie beneath everything else.
    ui.Shape3 = addFrame(window, "Shape3", kOuterFrame);
    ui.Shape1 = addFrame(window, "Shape1", kPeriodFrame);
    auto *selection = named<Shape>(window, "shpObjectSelected");
    ui.shpObjectSelected = selection;
    selection->setTwipGeometry(kSelection.x(), kSelection.y(), kSelection.width(),
                               kSelection.height());
    selection->setKind(Shape::Rectangle);
    selection->setBorderWidth(0);
    selection->setFilled(true);
    selection->setFillColor(kRed);
    selection->hide();

    QWidget *previous = nullptr;
    for (const DisplayDesign &design : kDisplays) {
        QWidget *display = addDisplay(window, ui, design);
        if (previous)
            QWidget::setTabOrder(previous, display);
        previous = display;
    }

    for (const LabelDesign &design : kLabels)
        addLabel(window, ui, design);
    ui.lblNotice->setWordWrap(true);

    for (const PictureDesign &design : kPictures) {
        ui.*design.frameMember = named<PictureBox>(window, design.frame);
        ui.*design.imageMember = named<Image>(ui.*design.frameMember, design.image);
        placePicture(ui, design);
    }

    return ui;
}

void layOutScoreboard(QWidget *window, ScoreboardUi &ui, bool gameFlow)
{
    if (gameFlow && !ui.nledJamNumber)
        addFlowWidgets(window, ui);
    ui.gameFlow = gameFlow;
    const bool painting = window->updatesEnabled();
    window->setUpdatesEnabled(false);

    placeFrame(ui.Shape3, kOuterFrame);
    placeFrame(ui.Shape1, kPeriodFrame);
    ui.shpObjectSelected->setTwipGeometry(kSelection.x(), kSelection.y(), kSelection.width(),
                                          kSelection.height());
    for (const DisplayDesign &design : gameFlow ? std::span<const DisplayDesign>(kFlowDisplays)
                                                : std::span<const DisplayDesign>(kDisplays))
        placeDisplay(displayOf(ui, design), design);
    for (const LabelDesign &design : gameFlow ? std::span<const LabelDesign>(kFlowLabels)
                                              : std::span<const LabelDesign>(kLabels))
        placeLabel(ui.*design.member, design);
    for (const PictureDesign &design : gameFlow ? std::span<const PictureDesign>(kFlowPictures)
                                                : std::span<const PictureDesign>(kPictures))
        placePicture(ui, design);
    if (ui.nledJamNumber) {
        for (SegmentDisplay *display : ui.flowDisplays())
            display->setVisible(gameFlow);
        for (Label *label : {ui.lblPeriodCaption, ui.lblJamCaption, ui.lblHomeTimeouts,
                             ui.lblHomeReviews, ui.lblVisitorTimeouts, ui.lblVisitorReviews})
            label->setVisible(gameFlow);
    }

    SaveDesignedLayout(window, kDesignWidth, kDesignHeight);
    StretchLayout(window);
    window->setUpdatesEnabled(painting);
}
