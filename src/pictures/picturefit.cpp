#include "picturefit.h"

#include "backgroundwork.h"
#include "image.h"
#include "picturebox.h"
#include "picturecopy.h"
#include "picturedecode.h"
#include "twips.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QPixmap>
#include <QPointer>
#include <QPromise>

#include <cmath>
#include <memory>

namespace {

QFuture<DecodedPicture> decodeLater(const QString &path, const QSize &box)
{
    auto promise = std::make_shared<QPromise<DecodedPicture>>();
    promise->start();
    BackgroundWork::start([promise, path, box] {
        // A request superseded while it waited is dropped unread.
        if (promise->isCanceled()) {
            promise->finish();
            return;
        }
        // From the small copy of a large picture shown before, if there is one of the file as
        // it is now.
        if (const std::optional<DecodedPicture> copy = ReadPictureCopy(path, box)) {
            promise->addResult(*copy);
            promise->finish();
            return;
        }
        const QString decodedFrom = PictureSource(QFileInfo(path));
        const DecodedPicture decoded = DecodePicture(path, box);
        promise->addResult(decoded);
        promise->finish();
        // Once it is on its way to the board; the next start reads the copy instead.
        KeepPictureCopy(path, decoded, decodedFrom);
    });
    return promise->future();
}

// The container's size in device pixels: the box a picture is decoded to fit.
QSize boxOf(const Image *image, const PictureBox *container)
{
    const qreal ratio = image->devicePixelRatioF();
    return QSize(int(std::ceil(container->Width() / Twips::perPixel * ratio)),
                 int(std::ceil(container->Height() / Twips::perPixel * ratio)));
}

// Sizes and centres the image in its container, in the widgets' own units, twips.
void place(Image *image, const PictureBox *container, const QSize &natural)
{
    const QSizeF box(container->Width(), container->Height());
    const QSizeF fitted = FittedSize(QSizeF(natural) * Twips::perPixel, box);
    image->setWidth(fitted.width());
    image->setHeight(fitted.height());
    image->setLeft((box.width() - fitted.width()) / 2);
    image->setTop((box.height() - fitted.height()) / 2);
}

// The decode that the image waits for is a watcher among its children, named after the request;
// one no longer wanted loses its name and goes.
QFutureWatcherBase *pendingDecode(Image *image)
{
    const auto watchers
            = image->findChildren<QFutureWatcherBase *>(QString(), Qt::FindDirectChildrenOnly);
    for (QFutureWatcherBase *watcher : watchers) {
        if (!watcher->objectName().isEmpty())
            return watcher;
    }
    return nullptr;
}

void dismiss(QFutureWatcherBase *watcher)
{
    watcher->setObjectName(QString());
    watcher->deleteLater();
}

void dropPendingDecode(Image *image)
{
    while (QFutureWatcherBase *watcher = pendingDecode(image)) {
        watcher->disconnect();
        watcher->cancel();
        dismiss(watcher);
    }
}

} // namespace

void FitPicture(Image *image, PictureBox *container, const QString &path,
                std::function<void(bool shown)> shown)
{
    const auto tell = [shown](bool outcome) {
        if (shown)
            shown(outcome);
    };
    image->setStretch(true);
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        dropPendingDecode(image);
        if (path.isEmpty()) {
            image->setPicture(QPixmap());
            image->setSource(QString(), QSize());
        } else if (!image->Picture().isNull() && !image->NaturalSize().isEmpty()) {
            // The picture kept is fitted to its frame as it is now, which a resize of the board
            // may have changed since.
            place(image, container, image->NaturalSize());
        }
        image->show();
        tell(true);
        return;
    }

    AllowLargePictures();
    const QString source = PictureSource(file);
    const QSize box = boxOf(image, container);
    // The same request again (the board shown at the size it was made at) waits for the decode
    // already under way, whose outcome is the image's.
    const QString request
            = QStringLiteral("%1|%2x%3").arg(source).arg(box.width()).arg(box.height());
    if (QFutureWatcherBase *pending = pendingDecode(image);
        pending && pending->objectName() == request) {
        QObject::connect(pending, &QFutureWatcherBase::finished, image,
                         [image, tell] { tell(!image->Picture().isNull()); });
        return;
    }
    dropPendingDecode(image);

    if (image->Source() == source && !image->Picture().isNull()) {
        // The picture in view (the board was resized): it stays in view, refitted, and is
        // decoded again only if it is now shown larger than it was decoded.
        place(image, container, image->NaturalSize());
        image->show();
        const QSize needed = DecodedSize(image->NaturalSize(), box);
        const QSize have = image->Picture().size();
        if (have.width() >= needed.width() && have.height() >= needed.height()) {
            tell(true);
            return;
        }
    } else {
        image->hide();
    }

    auto *watcher = new QFutureWatcher<DecodedPicture>(image);
    watcher->setObjectName(request);
    const QPointer<PictureBox> frame(container);
    QObject::connect(watcher, &QFutureWatcherBase::finished, image, [=] {
        dismiss(watcher);
        if (!frame || watcher->future().resultCount() == 0)
            return;
        const DecodedPicture decoded = watcher->result();
        if (decoded.picture.isNull()) {
            image->setPicture(QPixmap());
            image->setSource(QString(), QSize());
            image->show();
            tell(false);
            return;
        }
        image->setPicture(QPixmap::fromImage(decoded.picture));
        image->setSource(source, decoded.natural);
        place(image, frame, decoded.natural);
        image->show();
        tell(true);
    });
    watcher->setFuture(decodeLater(path, box));
}
