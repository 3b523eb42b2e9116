#pragma once

#include "gamerules.h"
#include "settingsmodel.h"

#include <QString>

#include <optional>

// Conversions of stored text into the model's integers. Widget-free so that they can be tested
// and fuzzed on their own.
namespace SettingsConversion {

// The text must be a number, blanks around it allowed; a fraction is rounded to the nearest
// integer, ties to the even one; the result must lie within [min, max]. Otherwise nothing.
std::optional<qint64> strictInteger(const QString &text, qint64 min, qint64 max);

// The leading number of the text after blanks ("1abc" gives 1); text without one gives 0. Rounded
// like strictInteger() and held to [min, max]. Never fails.
qint64 lenientInteger(const QString &text, qint64 min, qint64 max);

} // namespace SettingsConversion

// The game rules the settings ask for, in ticks. A value outside what a setting can take (as a
// model edited elsewhere may hold) gives that rule its default.
GameRules gameRules(const SettingsModel &model);
