#pragma once

class QWidget;

// Proportional scaling of a window's design. SaveLayout records the designed geometry of every
// laid-out widget (labels, shapes, picture frames and images, LED displays); StretchLayout scales
// it by one factor, the smaller of the width and height ratios, and centres it along the other
// axis, so the board fills any window without distortion.
//
// The record is kept per window. Once a window is recorded, a later SaveLayout keeps its designed
// baseline and only adds widgets that were not there before, so rescaling after any number of
// re-records gives exactly the geometry of scaling the design itself.
void SaveLayout(QWidget *window);

// Records the window's widgets afresh as they stand, as its design at widthTwips x heightTwips,
// whatever the window's present size or an earlier record: for a window whose widgets have just
// been placed at their designed geometry again (a different variant of its design).
void SaveDesignedLayout(QWidget *window, int widthTwips, int heightTwips);

// Scales the recorded widgets to the window's present size. Does nothing while the window is
// minimised. Painting is suspended while the widgets move, and the window repaints once at the end.
void StretchLayout(QWidget *window);

// Gives every LED display of the window (time, number and preview displays) the digit style.
void SetLEDType(QWidget *window, int ledType);

// x when x is at least 1, else 1 (also when x is not a number).
double AtLeastOne(double x);
