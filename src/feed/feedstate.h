#pragma once

#include "boutreadout.h"

#include <QByteArray>
#include <QJsonObject>

struct SettingsModel;

// The live feed's message: the whole bout as the board shows it, one JSON object (docs/feed.md).
namespace FeedState {

inline constexpr int Format = 1;

// Everything a page shows: the texts, running flags, names and colours, without the clocks'
// values and the time of sending, so that two equal results show the same.
QJsonObject shown(const Bout &bout, const SettingsModel &settings, const BoutReadout::Texts &texts);

// The message: what is shown, with each clock's value now and the wall time sentMs.
QByteArray message(const Bout &bout, const QJsonObject &shown, qint64 sentMs);

// A platform colour (0x00BBGGRR) as CSS writes it, "#rrggbb".
QString cssColor(qint32 color);

} // namespace FeedState
