#include "sideplacement.h"

#include <algorithm>

QRect SidePlacement::beside(const QRect &room, const QRect &other, const QSize &size,
                            int leastWidth)
{
    const int left = other.left() - room.left();
    const int right = room.right() - other.right();
    const bool onLeft = left > right;
    QRect place(QPoint(), size.boundedTo(room.size()));
    place.setWidth(std::min(place.width(), std::max(onLeft ? left : right, leastWidth)));
    const int x = onLeft ? other.left() - place.width() : other.right() + 1;
    place.moveLeft(std::clamp(x, room.left(), room.right() + 1 - place.width()));
    place.moveTop(std::clamp(other.center().y() - place.height() / 2, room.top(),
                             room.bottom() + 1 - place.height()));
    return place;
}
