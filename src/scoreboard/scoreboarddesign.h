#pragma once

class QWidget;

// Lays out the scoreboard as designed, at a client area of 9480 x 6795 twips: the nine LED
// displays, the captions, the three picture frames with their images, the frames drawn round the
// displays and the hidden selection frame, the six timing engines, the buzzer's media control and
// the refresh timer (50 ms, not started). Every widget is a child of window, named, at its designed
// twip geometry, in the order the window's generic walk meets them; shapes lie beneath the
// displays and frames. Texts, pictures and colours from the settings are applied by the window.
void buildScoreboardDesign(QWidget *window);
