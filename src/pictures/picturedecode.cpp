#include "picturedecode.h"

#include "picturewhole.h"

#include <QFile>
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

namespace {

// A picture of one bit or a palette at the size shown, in full colour. One of one bit a pixel is
// first brought down, still at one bit and without smoothing, to at most four times that size, so
// that a large one is never held whole at 32 times its bytes. One with a palette is blended whole,
// as a reader holds any picture it scales: skipping pixels would dot its shades again.
QImage inColour(QImage picture, const QSize &shown)
{
    const QSize between
            = picture.depth() == 1 ? (shown * 4).boundedTo(picture.size()) : picture.size();
    if (picture.size() != between)
        picture = picture.scaled(between, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    picture.convertTo(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    if (picture.size() != shown)
        picture = picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

// A file cut short is no picture to show, although its reader would show what there is of it.
bool isWhole(const QString &path, const QByteArray &format)
{
    if (format != "jpeg" && format != "gif")
        return true;
    // Read, not mapped: a file cut short while it is looked at (written over on the stick) must
    // not bring the program down.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return format == "jpeg" ? JpegIsWhole(bytes) : GifIsWhole(bytes);
}

} // namespace

DecodedPicture DecodePicture(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    // A camera stores a photo the way its sensor lay and tags how to turn it upright.
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isEmpty() || qint64(stored.width()) * stored.height() > MaxPicturePixels)
        return {};
    if (!isWhole(path, reader.format()))
        return {};
    // The reader scales the picture as stored, before it turns it.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const auto upright = [turned](const QSize &size) { return turned ? size.transposed() : size; };

    DecodedPicture decoded;
    decoded.natural = upright(stored);
    // A JPEG decodes scaled far faster and in far less memory than whole; a reader that cannot
    // scale is scaled by QImageReader after it has read. An animation gives its first frame.
    const QSize shown = DecodedSize(decoded.natural, box);
    // A picture of one bit a pixel (a two-colour logo) comes out of a scaling reader in black
    // and white, and would make a bitmap of a pixmap; one with a palette comes out put back into
    // a palette, its blended shades dotted in a few colours. Both are read whole and put in
    // colour first.
    const auto palette = [](QImage::Format format) {
        return format == QImage::Format_Mono || format == QImage::Format_MonoLSB
                || format == QImage::Format_Indexed8;
    };
    if (shown != decoded.natural && !palette(reader.imageFormat()))
        reader.setScaledSize(upright(shown));
    decoded.picture = reader.read();
    if (palette(decoded.picture.format()))
        decoded.picture = inColour(std::move(decoded.picture), shown);
    return decoded;
}

void AllowLargePictures()
{
    const int megabytes = int(MaxPicturePixels * 4 / (1024 * 1024));
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < megabytes)
        QImageReader::setAllocationLimit(megabytes);
}
