#include "picturecopy.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString SourceKey = QStringLiteral("Source");
const QString NaturalKey = QStringLiteral("Natural");

// A picture a quarter of its own size or less is worth keeping: decoding the file whole costs at
// least four times reading the copy.
constexpr qint64 CopyShare = 4;

qint64 pixels(const QSize &size)
{
    return qint64(size.width()) * size.height();
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.split(u'x');
    if (parts.size() != 2)
        return {};
    return {parts[0].toInt(), parts[1].toInt()};
}

} // namespace

QString PictureSource(const QFileInfo &file)
{
    return QStringLiteral("%1|%2|%3|%4")
            .arg(file.absoluteFilePath())
            .arg(file.size())
            .arg(file.lastModified().toMSecsSinceEpoch())
            .arg(file.metadataChangeTime().toMSecsSinceEpoch());
}

QString PictureCopyPath(const QString &path)
{
    const QByteArray name = QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(),
                                                     QCryptographicHash::Sha1)
                                    .toHex();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
            .filePath(QStringLiteral("pictures/%1.png").arg(QString::fromLatin1(name)));
}

std::optional<DecodedPicture> ReadPictureCopy(const QString &path, const QSize &box)
{
    const QFileInfo file(path);
    QImageReader reader(PictureCopyPath(path), "png");
    // A copy in a palette is one an older version made of a picture in a palette, its shades
    // dotted: the picture is decoded anew and the copy replaced.
    if (!file.isFile() || reader.text(SourceKey) != PictureSource(file)
        || reader.imageFormat() == QImage::Format_Indexed8)
        return std::nullopt;
    DecodedPicture decoded;
    decoded.natural = parseSize(reader.text(NaturalKey));
    if (decoded.natural.isEmpty())
        return std::nullopt;
    const QSize shown = DecodedSize(decoded.natural, box);
    const QSize kept = reader.size();
    if (kept.width() < shown.width() || kept.height() < shown.height())
        return std::nullopt;
    if (kept != shown)
        reader.setScaledSize(shown);
    decoded.picture = reader.read();
    if (decoded.picture.isNull())
        return std::nullopt;
    return decoded;
}

void KeepPictureCopy(const QString &path, const DecodedPicture &decoded, const QString &decodedFrom)
{
    const QSize size = decoded.picture.size();
    if (decoded.picture.isNull() || pixels(decoded.natural) < CopyShare * pixels(size))
        return;
    const QFileInfo file(path);
    const QString source = PictureSource(file);
    if (source != decodedFrom)
        return;
    const QString copyPath = PictureCopyPath(path);
    {
        QImageReader kept(copyPath, "png");
        const QSize keptSize = kept.size();
        if (kept.text(SourceKey) == source && kept.imageFormat() != QImage::Format_Indexed8
            && keptSize.width() >= size.width() && keptSize.height() >= size.height())
            return;
    }
    if (!QDir().mkpath(QFileInfo(copyPath).path()))
        return;
    QImage copy = decoded.picture;
    copy.setText(SourceKey, source);
    copy.setText(
            NaturalKey,
            QStringLiteral("%1x%2").arg(decoded.natural.width()).arg(decoded.natural.height()));
    // Written whole or not at all: a start-up meanwhile finds the old copy or none.
    QSaveFile out(copyPath);
    if (!out.open(QIODevice::WriteOnly))
        return;
    QImageWriter writer(&out, "png");
    if (writer.write(copy))
        out.commit();
    else
        out.cancelWriting();
}
