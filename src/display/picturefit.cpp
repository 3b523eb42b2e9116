#include "picturefit.h"

#include "image.h"
#include "picturebox.h"
#include "twips.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include <cmath>

namespace {

// Qt refuses pictures that would take more memory than its allocation limit; the check is made
// on the header's size before anything is decoded, so a huge file is turned down at once.
bool withinAllocationLimit(const QSize &size)
{
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limitBytes <= 0 || qint64(size.width()) * size.height() * 4 <= limitBytes;
}

} // namespace

bool FitPicture(Image *image, PictureBox *container, const QString &path)
{
    image->hide();
    image->setStretch(false);

    bool readable = true;
    if (path.isEmpty()) {
        image->setPicture(QPixmap());
    } else if (QFileInfo(path).isFile()) {
        QImageReader reader(path);
        const QSize natural = reader.size();
        if (!reader.canRead() || natural.isEmpty() || !withinAllocationLimit(natural)) {
            image->setPicture(QPixmap());
            readable = false;
        } else {
            // Sizes in the widgets' own units, twips.
            const double natW = natural.width() * double(Twips::perPixel);
            const double natH = natural.height() * double(Twips::perPixel);
            const double boxW = container->Width();
            const double boxH = container->Height();
            double width = boxW;
            double height = boxW * natH / natW;
            if (natH / boxH > natW / boxW) {
                height = boxH;
                width = boxH * natW / natH;
            }

            // A large picture is decoded straight at the size it is shown at (JPEG decodes
            // scaled far faster than whole), never larger than it is.
            const qreal ratio = image->devicePixelRatioF();
            const QSize shown(qMax(1, int(std::ceil(width / Twips::perPixel * ratio))),
                              qMax(1, int(std::ceil(height / Twips::perPixel * ratio))));
            if (shown.width() < natural.width() && shown.height() < natural.height())
                reader.setScaledSize(shown);
            const QImage decoded = reader.read();
            if (decoded.isNull()) {
                image->setPicture(QPixmap());
                readable = false;
            } else {
                image->setPicture(QPixmap::fromImage(decoded));
                image->setWidth(width);
                image->setHeight(height);
                image->setLeft((boxW - width) / 2);
                image->setTop((boxH - height) / 2);
            }
        }
    }

    image->setStretch(true);
    image->show();
    return readable;
}
