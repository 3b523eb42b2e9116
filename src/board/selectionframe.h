#pragma once

class QWidget;
class Shape;

// Puts the selection frame round a display: the frame lies beneath the displays, so only a
// margin of widthPixels (held to 0-5) shows round it, and one pixel more on the right and below.
// With no display, or one without a twip position, the frame stays hidden.
void FrameSelection(Shape *frame, const QWidget *selected, int widthPixels);
