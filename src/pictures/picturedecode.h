#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The first frame of a picture file, decoded at the size it is shown at.
struct DecodedPicture
{
    QImage picture; // null when the file cannot be shown as a picture
    QSize natural; // the picture's own size in pixels, upright as its file's tag turns it
};

// The largest size with natural's proportions that fits in box.
QSizeF FittedSize(const QSizeF &natural, const QSizeF &box);

// The size in pixels a picture of the natural size is decoded at to be shown fitted into a box of
// the given device pixels: the fitted size rounded up, but never larger than natural.
QSize DecodedSize(const QSize &natural, const QSize &box);

// Reads the first frame of the picture at path, decoded straight at the size it takes when fitted
// undistorted into a box of the given device pixels, never larger than its own size. A picture
// over `MaxPicturePixels` is refused from its header, before anything is decoded. A photo whose
// file says it was taken turned (an orientation tag) is turned upright. Takes as long as the file
// needs, so the board calls it off its own thread; safe on any thread.
DecodedPicture DecodePicture(const QString &path, const QSize &box);

// 128 × 1024 × 1024 pixels, 134 million: every camera's photo, and at four bytes a pixel the most
// that one picture may take while it is decoded.
constexpr qint64 MaxPicturePixels = qint64(128) * 1024 * 1024;

// Lets Qt decode pictures up to `MaxPicturePixels` (its own limit is 128 MB, a 5800 x 5800
// picture): a bitmap (.bmp), for one, is decoded whole before it is scaled. Call on the main thread
// before the first decode.
void AllowLargePictures();
