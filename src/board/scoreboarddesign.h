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

    // The game flow's own widgets: built the first time the board is laid out for the game flow
    // (null until then), hidden whenever it is laid out without.
    NumberLED *nledJamNumber = nullptr;
    NumberLED *nledHomeTimeouts = nullptr;
    NumberLED *nledHomeReviews = nullptr;
    NumberLED *nledVisitorTimeouts = nullptr;
    NumberLED *nledVisitorReviews = nullptr;
    TimeLED *tledHomePenalty3 = nullptr;
    TimeLED *tledVisitorPenalty3 = nullptr;
    Label *lblPeriodCaption = nullptr;
    Label *lblJamCaption = nullptr;
    Label *lblHomeTimeouts = nullptr;
    Label *lblHomeReviews = nullptr;
    Label *lblVisitorTimeouts = nullptr;
    Label *lblVisitorReviews = nullptr;
    // Whether the board is laid out for the game flow.
    bool gameFlow = false;

    // Home 1, home 2, visitor 1, visitor 2, home 3, visitor 3: the order the bout numbers its
    // penalty clocks; the third ones null until the game flow's widgets are built.
    std::array<TimeLED *, 6> penalties() const;
    // The nine displays in focus order.
    std::array<SegmentDisplay *, 9> displays() const;
    // The game flow's displays in focus order (after the nine): the jam number, the home team's
    // timeouts and reviews, the visitor's, and the third penalty clocks; null until built.
    std::array<SegmentDisplay *, 7> flowDisplays() const;
};

// Lays out the scoreboard as designed, at a client area of 9480 x 6795 twips: the nine LED
// displays, the captions, the three picture frames with their images, the frames drawn round the
// displays and the hidden selection frame: widgets only, no sound device and no timer. Every widget
// is a child of window, named, at its designed twip geometry, in the order the window's generic
// walk meets them; shapes lie beneath the displays and frames. Texts, pictures and colours from the
// settings are applied by the window.
ScoreboardUi buildScoreboardDesign(QWidget *window);

// Lays the board out as designed with or without the game flow, building the game flow's widgets
// the first time they are wanted: every widget goes to its designed twip geometry for the chosen
// variant, the game flow's widgets show or hide with it, and the window's layout record is taken
// anew from the design, scaled to the window's present size. Without the game flow the board is
// exactly the one buildScoreboardDesign makes. Pictures must be fitted again afterwards.
void layOutScoreboard(QWidget *window, ScoreboardUi &ui, bool gameFlow);
