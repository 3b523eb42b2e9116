#pragma once

#include <QRect>

// Where a window goes beside another on the same screen, so that as much of the other stays in
// view as can: on the side with more room, right against it, narrowed to that room down to the
// least width it takes, and level with the other's middle as far as the screen allows. Where not
// even that least width fits there, it goes to the screen's edge on that side, over as little of
// the other as it can.
namespace SidePlacement {

// room is the screen's free area; other and size are outer, frames included, as is the result.
QRect beside(const QRect &room, const QRect &other, const QSize &size, int leastWidth);

} // namespace SidePlacement
