#pragma once

#include "boutreadout.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

struct SettingsModel;

// The live feed's message: the whole bout as the board shows it, one JSON object (docs/feed.md).
namespace FeedState {

inline constexpr int Format = 1;

// Everything a page shows: the texts, running flags, names and colours, without the clocks'
// values and the time of sending, so that two equal results show the same.
QJsonObject shown(const Bout &bout, const SettingsModel &settings, const BoutReadout::Texts &texts);

// What a message holds: what is shown, each clock's value and the wall time of sending. Taken
// on the board's thread, it can be written out on any other.
struct Values
{
    QJsonObject shown;
    qint64 periodMs = 0;
    qint64 jamMs = 0;
    QList<qint64> penaltyMs[2]; // home's and visitor's, as "penalties" lists them
    qint64 sentMs = 0;

    // The same clock values, whenever they were taken.
    bool sameTimes(const Values &other) const
    {
        return periodMs == other.periodMs && jamMs == other.jamMs
                && penaltyMs[0] == other.penaltyMs[0] && penaltyMs[1] == other.penaltyMs[1];
    }
};

// Whether a penalty clock counts as the feed tells it: shown and running, and above zero. An
// expired penalty's engine runs on below zero while its display holds 0:00 until it blanks; the
// feed reports that clock stopped at zero.
bool penaltyCounts(const Bout &bout, int penalty);

// The clocks' values now, with what is shown and the wall time sentMs.
Values values(const Bout &bout, const QJsonObject &shown, qint64 sentMs);
// The message, as JSON text.
QByteArray message(const Values &values);

// A platform colour (0x00BBGGRR) as CSS writes it, "#rrggbb".
QString cssColor(qint32 color);

} // namespace FeedState
