#include "scoreboarddesign.h"

#include "boutconstants.h"
#include "image.h"
#include "label.h"
#include "numberled.h"
#include "picturebox.h"
#include "platformcolor.h"
#include "shape.h"
#include "timeled.h"
#include "twips.h"

namespace {

constexpr int kWhite = 0x00FFFFFF;
constexpr int kRed = 0x000000FF;
constexpr int kGreen = 0x0000C000;
constexpr int kKeep = -1; // the class default

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
        {"tledJam", &ScoreboardUi::tledJam, nullptr, 3600, 4000, 70, 80, 70, 160, kKeep, kKeep,
         "1,2"},
        {"tledHomePenalty1", &ScoreboardUi::tledHomePenalty1, nullptr, 673, 4540, 55, 100, 70, 160,
         95, kRed, "1,2"},
        {"tledVisitorPenalty1", &ScoreboardUi::tledVisitorPenalty1, nullptr, 6723, 4540, 55, 100,
         70, 160, 95, kRed, "1,2"},
        {"tledHomePenalty2", &ScoreboardUi::tledHomePenalty2, nullptr, 673, 5610, 55, 100, 70, 160,
         95, kRed, "1,2"},
        {"tledVisitorPenalty2", &ScoreboardUi::tledVisitorPenalty2, nullptr, 6723, 5610, 55, 100,
         70, 160, 95, kRed, "1,2"},
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
        {"lblNotice", &ScoreboardUi::lblNotice, 2775, 5205, 3930, 430, "", 9},
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

template<typename T, typename Parent>
T *named(Parent *parent, const char *name)
{
    auto *object = new T(parent);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

Shape *addFrame(QWidget *window, const char *name, int left, int top, int width, int height)
{
    auto *frame = named<Shape>(window, name);
    frame->setTwipGeometry(left, top, width, height);
    frame->setKind(Shape::RoundedRectangle);
    frame->setBorderColor(kWhite);
    frame->setBorderWidth(7);
    frame->setFilled(false);
    return frame;
}

SegmentDisplay *addDisplay(QWidget *window, ScoreboardUi &ui, const DisplayDesign &design)
{
    SegmentDisplay *display = nullptr;
    if (design.time) {
        auto *clock = named<TimeLED>(window, design.name);
        ui.*design.time = clock;
        if (design.groups)
            clock->setGroupLengths(QString::fromLatin1(design.groups));
        if (design.paddingD != kKeep)
            clock->setPaddingD(design.paddingD);
        clock->setValue(3600);
        display = clock;
    } else {
        auto *number = named<NumberLED>(window, design.name);
        ui.*design.number = number;
        // The score displays count to three digits; the period number keeps the single digit.
        if (design.litColor == kRed)
            number->setMax(BoutConstants::ScoreLimit);
        display = number;
    }
    display->setSize(design.size);
    display->setPaddingH(design.paddingH);
    display->setPaddingV(design.paddingV);
    display->setPaddingI(design.paddingI);
    if (design.litColor != kKeep)
        display->setLitColor(design.litColor);
    display->setLeft(design.left);
    display->setTop(design.top);
    return display;
}

} // namespace

std::array<TimeLED *, 4> ScoreboardUi::penalties() const
{
    return {tledHomePenalty1, tledHomePenalty2, tledVisitorPenalty1, tledVisitorPenalty2};
}

std::array<SegmentDisplay *, 9> ScoreboardUi::displays() const
{
    return {nledHomeScore,    tledPeriod,          nledVisitorScore, nledPeriod,         tledJam,
            tledHomePenalty1, tledVisitorPenalty1, tledHomePenalty2, tledVisitorPenalty2};
}

ScoreboardUi buildScoreboardDesign(QWidget *window)
{
    ScoreboardUi ui;
    window->resize(9480 / Twips::perPixel, 6795 / Twips::perPixel);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, PlatformColor::toQColor(0x00404040));
    window->setPalette(palette);
    window->setAutoFillBackground(true);

    // Created first, the shapes lie beneath everything else.
    ui.Shape3 = addFrame(window, "Shape3", 113, 960, 9255, 5775);
    ui.Shape1 = addFrame(window, "Shape1", 3038, 960, 3405, 1350);
    auto *selection = named<Shape>(window, "shpObjectSelected");
    ui.shpObjectSelected = selection;
    selection->setTwipGeometry(5280, 2760, 255, 255);
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

    for (const LabelDesign &design : kLabels) {
        auto *label = named<Label>(window, design.name);
        ui.*design.member = label;
        label->setTwipGeometry(design.left, design.top, design.width, design.height);
        label->setCaption(QString::fromLatin1(design.caption));
        label->setFontSize(design.points);
        label->setForeColor(kWhite);
    }
    ui.lblNotice->setWordWrap(true);

    for (const PictureDesign &design : kPictures) {
        auto *frame = named<PictureBox>(window, design.frame);
        ui.*design.frameMember = frame;
        frame->setTwipGeometry(design.left, design.top, design.width, design.height);
        auto *image = named<Image>(frame, design.image);
        ui.*design.imageMember = image;
        image->setTwipGeometry(0, 0, 1215, 855);
    }

    return ui;
}
