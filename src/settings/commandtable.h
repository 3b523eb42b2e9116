#pragma once

#include "settingsmodel.h"

#include <QtGlobal>

#include <array>
#include <optional>

// The commands whose keys the operator assigns: the seven commands of the window, the three keys a
// selected display acts on (clear, add penalty time, start or stop its penalty clock), the key
// that shows and hides the audience board, and the game flow's timeouts, reviews and undo. A key
// runs at most one of them.
enum class Command {
    StartStopJamClock,
    ResetJamClock,
    StartStopPeriodClock,
    ResetPeriodClock,
    ClockSwitch,
    Buzzer,
    PeriodEndSound,
    Clear,
    PenaltyIncrement,
    SepTime,
    AudienceBoard,
    HomeTimeout,
    VisitorTimeout,
    OfficialTimeout,
    HomeReview,
    VisitorReview,
    Undo,
};

// One assignable command: where its key is stored, the key it has by default, the phrase that
// completes the key-capture prompt "Press the key you would like to ...", and whether "Reset Keys"
// gives it its default again (the three keys of the additional settings keep theirs, and the
// audience board's key too), and whether a key held down runs it again at each of its repeats.
struct CommandKey
{
    Command command;
    const char *settingsKey;
    qint16 SettingsModel::*field;
    qint16 defaultKey; // a virtual-key code; 0 for none
    const char *purpose;
    bool resetByResetKeys;
    // The ten first keys fill KeySettings; later ones go elsewhere, so that it keeps its keys.
    const char *section = "KeySettings";
    // The board's own ten repeat as the platform repeats a held key (a held J toggles the jam);
    // the later ones act once, so that a key held a moment too long takes no second timeout.
    bool repeatsWhenHeld = true;
};

using CommandTable = std::array<CommandKey, 17>;

// Every assignable command, in the order of Command.
const CommandTable &commandTable();

const CommandKey &commandKey(Command command);

// What a sound's key holds while the sound has none ("No Sound"): the space bar's code, which the
// key-capture window never gives.
constexpr qint16 SoundWithoutKey = 32;

// The command keyCode runs under these settings: of two commands on one key, the first in the
// table. Nothing for a key no command holds, for 0, no key, and for the space bar where it stands
// for a sound without a key.
std::optional<Command> commandOn(int keyCode, const SettingsModel &model);

// The keys the board keeps for itself, which no command may hold: F1 (help), F2 (the Options
// window) and every key that typing into a display reads (the digits of either block, ".", "+",
// "-", Enter and Space).
bool boardKeepsKey(int keyCode);

// Settings written by hand or by an older version may give a command a key the board keeps, a key
// without a name (Shift, Esc, Tab, an arrow: one the Options window could neither show nor give),
// or one key to two commands. Such a key is taken from the command for this run (0: no key), so
// that it neither types and runs a command at once, nor runs one the Options window shows without
// a key, nor leaves a command dead: of two commands on one key the first in the table keeps it,
// and the new-bout key, outside the table, comes last.
void untangleCommandKeys(SettingsModel &model);
