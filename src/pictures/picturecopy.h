#pragma once

#include "picturedecode.h"

#include <QFileInfo>
#include <QString>

#include <optional>

// A large picture (a camera's photo, tens of megapixels) takes far longer to decode than the
// board takes to start. Once it has been shown, a copy at the size it was shown at is kept in the
// program's cache folder, named after the picture's path and marked with the file's length and
// time of change, so that the next start shows it from the small copy. A file changed since is
// decoded afresh. Safe on any thread.

// The file's path, length, time of change and the time its entry last changed: a file with all
// four the same is taken as the same picture. The last is the one a copy that keeps its
// original's time (cp -p, an unpacked archive) cannot keep: a logo of the same size put in its
// place that way is another picture all the same.
QString PictureSource(const QFileInfo &file);

// Where the copy of the picture at path is kept.
QString PictureCopyPath(const QString &path);

// The picture at path decoded to fit box as DecodePicture decodes it, from its copy, or nothing
// when there is no copy of the file as it is now at least as large as the picture is shown.
std::optional<DecodedPicture> ReadPictureCopy(const QString &path, const QSize &box);

// Keeps decoded, the picture at path, as its copy when it is far smaller than the picture itself
// and no copy at least as large is kept already. decodedFrom is the file's PictureSource taken
// before it was decoded: a file changed or replaced while it was decoded (a logo saved over one
// being read) is not the picture decoded, and no copy is kept of it.
void KeepPictureCopy(const QString &path, const DecodedPicture &decoded,
                     const QString &decodedFrom);
