#include "commandtable.h"

#include "keycharacter.h"
#include "keycodetostr.h"
#include "virtualkeycodes.h"

#include <QList>

namespace {

using M = SettingsModel;
using VirtualKeys::letter;

constexpr CommandTable kCommands {{
        {Command::StartStopJamClock, "StartStopJamClockKey", &M::StartStopJamClockKey, letter('J'),
         "start /stop the jam clock", true},
        {Command::ResetJamClock, "ResetJamClockKey", &M::ResetJamClockKey, letter('R'),
         "reset the jam clock", true},
        {Command::StartStopPeriodClock, "StartStopPeriodClockKey", &M::StartStopPeriodClockKey,
         letter('S'), "start / stop the period clock", true},
        {Command::ResetPeriodClock, "ResetPeriodClockKey", &M::ResetPeriodClockKey, letter('T'),
         "reset the period clock", true},
        {Command::ClockSwitch, "ClockSwitchKey", &M::ClockSwitchKey, letter('C'),
         "switch between clock and game time", true},
        {Command::Buzzer, "BuzzerKey", &M::BuzzerKey, letter('B'), "sound the buzzer", false},
        {Command::PeriodEndSound, "PeriodEndSoundKey", &M::PeriodEndSoundKey, letter('P'),
         "sound the end of period", false},
        {Command::Clear, "ClearKey", &M::ClearKey, VirtualKeys::kDelete, "clear a number", true},
        {Command::PenaltyIncrement, "PenaltyIncrementSecKey", &M::PenaltyIncrementSecKey,
         letter('A'), "increment the selected penalty", false},
        {Command::SepTime, "SepTimeKey", &M::SepTimeKey, letter('I'),
         "start / stop an independent penalty clock", true},
        {Command::AudienceBoard, "AudienceBoardKey", &M::AudienceBoardKey, 0,
         "show / hide the audience board", false, "ScreenSettings", false},
        {Command::HomeTimeout, "HomeTimeoutKey", &M::HomeTimeoutKey, letter('H'),
         "call a home timeout", true, "GameSettings", false},
        {Command::VisitorTimeout, "VisitorTimeoutKey", &M::VisitorTimeoutKey, letter('V'),
         "call a visitor timeout", true, "GameSettings", false},
        {Command::OfficialTimeout, "OfficialTimeoutKey", &M::OfficialTimeoutKey, letter('O'),
         "call an official timeout", true, "GameSettings", false},
        {Command::HomeReview, "HomeReviewKey", &M::HomeReviewKey, letter('E'),
         "call a home official review", true, "GameSettings", false},
        {Command::VisitorReview, "VisitorReviewKey", &M::VisitorReviewKey, letter('W'),
         "call a visitor official review", true, "GameSettings", false},
        {Command::Undo, "UndoKey", &M::UndoKey, letter('U'), "undo the last command", true,
         "GameSettings", false},
}};

constexpr bool inCommandOrder()
{
    for (std::size_t row = 0; row < kCommands.size(); ++row) {
        if (std::size_t(kCommands[row].command) != row)
            return false;
    }
    return true;
}
static_assert(inCommandOrder(), "commandKey() finds a row by its command's number");

} // namespace

const CommandTable &commandTable()
{
    return kCommands;
}

const CommandKey &commandKey(Command command)
{
    return commandTable()[std::size_t(command)];
}

std::optional<Command> commandOn(int keyCode, const SettingsModel &model)
{
    if (keyCode == 0)
        return std::nullopt;
    for (const CommandKey &row : commandTable()) {
        const bool sound = row.command == Command::Buzzer || row.command == Command::PeriodEndSound;
        if (keyCode == model.*row.field && !(sound && keyCode == SoundWithoutKey))
            return row.command;
    }
    return std::nullopt;
}

bool boardKeepsKey(int keyCode)
{
    // Typing reads exactly the keys that give a character with no clear key assigned.
    return keyCode == VirtualKeys::kF1 || keyCode == VirtualKeys::kF2
            || KeyCharacter(keyCode, 0) > 0;
}

void untangleCommandKeys(SettingsModel &model)
{
    QList<qint16> held;
    const auto untangle = [&held](qint16 &key) {
        if (key == 0)
            return;
        if (boardKeepsKey(key) || KeyCodeToStr(key).isEmpty() || held.contains(key))
            key = 0;
        else
            held.append(key);
    };
    for (const CommandKey &command : commandTable())
        untangle(model.*command.field);
    untangle(model.NewBoutKey);
}
