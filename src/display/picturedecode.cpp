#include "picturedecode.h"

#include <QImageReader>

#include <cmath>

QSizeF FittedSize(const QSizeF &natural, const QSizeF &box)
{
    // Relatively taller than the box: full height; otherwise full width.
    if (natural.height() / box.height() > natural.width() / box.width())
        return {box.height() * natural.width() / natural.height(), box.height()};
    return {box.width(), box.width() * natural.height() / natural.width()};
}

QSize DecodedSize(const QSize &natural, const QSize &box)
{
    const QSizeF fitted = FittedSize(natural, box.expandedTo(QSize(1, 1)));
    const QSize shown(qMax(1, int(std::ceil(fitted.width()))),
                      qMax(1, int(std::ceil(fitted.height()))));
    if (shown.width() < natural.width() && shown.height() < natural.height())
        return shown;
    return natural;
}

DecodedPicture DecodePicture(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    DecodedPicture decoded;
    decoded.natural = reader.size();
    const QSize &natural = decoded.natural;
    if (natural.isEmpty() || qint64(natural.width()) * natural.height() > MaxPicturePixels)
        return decoded;

    // A JPEG decodes scaled far faster and in far less memory than whole; a reader that cannot
    // scale is scaled by QImageReader after it has read. An animation gives its first frame.
    const QSize shown = DecodedSize(natural, box);
    if (shown != natural)
        reader.setScaledSize(shown);
    decoded.picture = reader.read();
    return decoded;
}

void AllowLargePictures()
{
    const int megabytes = int(MaxPicturePixels * 4 / (1024 * 1024));
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < megabytes)
        QImageReader::setAllocationLimit(megabytes);
}
