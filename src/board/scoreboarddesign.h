#pragma once

#include <array>

class Image;
class Label;
class NumberLED;
class PictureBox;
class QWidget;
class SegmentDisplay;
class Shape;
class TimeLED;

// The designed scoreboard's widgets, each a named child of the window: what the window and its
// views address directly.
struct ScoreboardUi
{
    Shape *Shape3 = nullptr;
    Shape *Shape1 = nullptr;
    Shape *shpObjectSelected = nullptr;
    NumberLED *nledHomeScore = nullptr;
    TimeLED *tledPeriod = nullptr;
    NumberLED *nledVisitorScore = nullptr;
    NumberLED *nledPeriod = nullptr;
    TimeLED *tledJam = nullptr;
    TimeLED *tledHomePenalty1 = nullptr;
    TimeLED *tledVisitorPenalty1 = nullptr;
    TimeLED *tledHomePenalty2 = nullptr;
    TimeLED *tledVisitorPenalty2 = nullptr;
    Label *lblTitle = nullptr;
    Label *lblHomeTeam = nullptr;
    Label *lblVisitorTeam = nullptr;
    Label *Label4 = nullptr;
    Label *Label1 = nullptr;
    Label *Label2 = nullptr;
    Label *Label3 = nullptr;
    Label *lblCreatedBy = nullptr;
    Label *lblNotice = nullptr;
    PictureBox *picHomePicContainer = nullptr;
    PictureBox *picVisitorPicContainer = nullptr;
    PictureBox *picBoardPicContainer = nullptr;
    Image *imgHomePic = nullptr;
    Image *imgVisitorPic = nullptr;
    Image *imgBoardPic = nullptr;

    // Home 1, home 2, visitor 1, visitor 2: the order the bout numbers its penalty clocks.
    std::array<TimeLED *, 4> penalties() const;
    // The nine displays in focus order.
    std::array<SegmentDisplay *, 9> displays() const;
};

// Lays out the scoreboard as designed, at a client area of 9480 x 6795 twips: the nine LED
// displays, the captions, the three picture frames with their images, the frames drawn round the
// displays and the hidden selection frame: widgets only, no sound device and no timer. Every widget
// is a child of window, named, at its designed twip geometry, in the order the window's generic
// walk meets them; shapes lie beneath the displays and frames. Texts, pictures and colours from the
// settings are applied by the window.
ScoreboardUi buildScoreboardDesign(QWidget *window);
