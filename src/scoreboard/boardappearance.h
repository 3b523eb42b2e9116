#pragma once

class QWidget;
struct ScoreboardUi;
struct SettingsModel;

// The operator's appearance settings on a designed board (window with the widgets of ui).

// The window title, the title and team texts, the three pictures fitted to their frames and the
// LED digit style.
void ApplyBoardLabels(QWidget *window, const ScoreboardUi &ui, const SettingsModel &settings);

// The window background, the displays' lit colours and frames, the generic colouring of the other
// labels and shapes, the team names' own colours and the selection frame's fill.
void ApplyBoardColors(QWidget *window, const ScoreboardUi &ui, const SettingsModel &settings);
