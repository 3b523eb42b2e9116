#include "image.h"
#include "picturebox.h"
#include "picturecopy.h"
#include "picturedecode.h"
#include "picturefit.h"
#include "teststore.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

class tst_PictureFit final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makePicture(const QString &name, QSize size, const QColor &colour = Qt::red)
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = m_dir.filePath(name);
        picture.save(path);
        return path;
    }

    // A JPEG as a camera writes it when held upright: stored on its side, left half red and
    // right half blue, with an EXIF orientation tag of 6 (turn a quarter clockwise to show).
    QString makeCameraPicture(const QString &name, QSize stored)
    {
        QImage picture(stored, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        for (int y = 0; y < stored.height(); ++y) {
            for (int x = 0; x < stored.width() / 2; ++x)
                picture.setPixelColor(x, y, Qt::red);
        }
        QBuffer jpeg;
        jpeg.open(QIODevice::WriteOnly);
        picture.save(&jpeg, "JPG", 95);
        // APP1: "Exif", a big-endian TIFF header, one IFD holding Orientation (0x0112) = 6.
        const QByteArray exif = QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08", 14)
                + QByteArray("\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 18);
        QByteArray segment("\xff\xe1", 2);
        segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xff));
        QByteArray file = jpeg.data();
        file.insert(2, segment + exif);
        const QString path = m_dir.filePath(name);
        writeFile(path, file);
        return path;
    }

    // A grey baseline JPEG of any size in whole blocks of 8 x 8, written without a pixel: every
    // block is flat, two bits of code.
    QString makeGreyJpeg(const QString &name, QSize size)
    {
        QByteArray file("\xff\xd8", 2);
        const auto segment = [&file](char marker, const QByteArray &body) {
            const qsizetype length = body.size() + 2;
            file.append('\xff').append(marker).append(char(length >> 8)).append(char(length));
            file.append(body);
        };
        segment('\xdb', QByteArray(1, 0) + QByteArray(64, 1));
        QByteArray frame(1, 8);
        for (const int side : {size.height(), size.width()})
            frame.append(char(side >> 8)).append(char(side));
        segment('\xc0', frame + QByteArray("\x01\x01\x11\x00", 4));
        // One code, a single bit, for a DC difference of 0 and for the end of a block.
        const QByteArray oneCode = QByteArray(1, 1) + QByteArray(16, 0);
        segment('\xc4', QByteArray(1, 0x00) + oneCode);
        segment('\xc4', QByteArray(1, 0x10) + oneCode);
        segment('\xda', QByteArray("\x01\x01\x00\x00\x3f\x00", 6));
        file.append(QByteArray(qsizetype(size.width() / 8) * (size.height() / 8) / 4, 0));
        file.append("\xff\xd9", 2);
        const QString path = m_dir.filePath(name);
        writeFile(path, file);
        return path;
    }

    // A GIF of 128 colours in stripes, its codes written a byte each: a clear code every 100
    // pixels keeps the code table from growing past eight bits.
    static QByteArray gif(QSize size)
    {
        QByteArray file("GIF89a", 6);
        const auto word = [&file](int value) { file.append(char(value)).append(char(value >> 8)); };
        word(size.width());
        word(size.height());
        file.append(char(0x86)).append(char(0)).append(char(0));
        for (int colour = 0; colour < 128; ++colour)
            file.append(char(colour * 2)).append(char(255 - colour * 2)).append(char(colour));
        file.append(char(0x2c));
        word(0);
        word(0);
        word(size.width());
        word(size.height());
        file.append(char(0)).append(char(7));
        QByteArray codes;
        for (int pixel = 0; pixel < size.width() * size.height(); ++pixel) {
            if (pixel % 100 == 0)
                codes.append(char(128));
            codes.append(char((pixel % size.width() + pixel / size.width()) % 128));
        }
        codes.append(char(129));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            file.append(char(block.size())).append(block);
        }
        return file.append(char(0)).append(char(0x3b));
    }

    // Fits, and waits for the picture to be decoded.
    static bool fit(Image &image, PictureBox &frame, const QString &path)
    {
        std::optional<bool> shown;
        FitPicture(&image, &frame, path, [&shown](bool outcome) { shown = outcome; });
        return QTest::qWaitFor([&shown] { return shown.has_value(); }, 30000) && *shown;
    }

private slots:
    void fitsCentredWithoutDistortion()
    {
        QSize decoded;
        const auto fitted = [this, &decoded](const char *file, QSize pixels, QSizeF box) {
            PictureBox frame;
            frame.setTwipGeometry(0, 0, box.width(), box.height());
            Image image(&frame);
            if (!fit(image, frame, makePicture(file, pixels)) || !image.Stretch()
                || !image.Visible() || image.Picture().isNull())
                return QRectF();
            decoded = image.Picture().size();
            return QRectF(image.Left(), image.Top(), image.Width(), image.Height());
        };
        QCOMPARE(fitted("wide.bmp", {200, 100}, {1500, 1500}), QRectF(0, 375, 1500, 750));
        QCOMPARE(fitted("tall.png", {100, 300}, {3000, 1500}), QRectF(1250, 0, 500, 1500));
        QCOMPARE(fitted("tiny.png", {2, 1}, {2400, 2400}), QRectF(0, 600, 2400, 1200));
        // Shrunk to its frame's width, it would keep its 3 pixels of height: decoded whole rather
        // than squashed.
        QCOMPARE(fitted("thin.png", {400, 3}, {4500, 4500}), QRectF(0, 2233.125, 4500, 33.75));
        QCOMPARE(decoded, QSize(400, 3));
    }

    // A two-colour logo stored with one bit a pixel, as picture optimisers save one, keeps its
    // colours in its frame, shown smaller or larger than stored.
    void twoColourPictureKeepsItsColours()
    {
        QImage logo(64, 64, QImage::Format_Mono);
        logo.setColorTable({qRgb(255, 255, 255), qRgb(192, 0, 0)});
        logo.fill(1);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 32; ++x)
                logo.setPixel(x, y, 0);
        }
        const QString path = m_dir.filePath("logo.png");
        QVERIFY(logo.save(path));
        QCOMPARE(QImageReader(path).imageFormat(), QImage::Format_Mono);
        for (const int side : {30, 200}) {
            PictureBox frame;
            frame.setTwipGeometry(0, 0, side * 15, side * 15);
            Image image(&frame);
            QVERIFY(fit(image, frame, path));
            const QImage shown = image.grab().toImage();
            QCOMPARE(shown.size(), QSize(side, side));
            QCOMPARE(shown.pixelColor(side / 4, side / 2).name(), "#ffffff");
            for (const QPoint at : {QPoint(side * 3 / 4, side / 2), QPoint(side - 2, 3)})
                QCOMPARE(shown.pixelColor(at).name(), "#c00000");
        }
    }

    // A picture stored with a palette (256 colours at most, as picture optimisers save a logo)
    // keeps its shades shown smaller: blended as in full colour, not put back into 256 colours
    // and dotted.
    void palettePictureKeepsItsShades()
    {
        QImage logo(400, 400, QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (int i = 0; i < 256; ++i)
            colours << qRgb(i, 255 - i, (i * 7) % 256);
        logo.setColorTable(colours);
        quint32 noise = 1;
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 400; ++x) {
                noise = noise * 1664525 + 1013904223;
                logo.setPixel(x, y, noise >> 24);
            }
        }
        const QString path = m_dir.filePath("palette.png");
        QVERIFY(logo.save(path));
        QCOMPARE(QImageReader(path).imageFormat(), QImage::Format_Indexed8);
        const QImage blended
                = logo.convertToFormat(QImage::Format_RGB32)
                          .scaled(50, 50, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Off from the blend by a step or two of each channel on average; dotted into 216
        // colours, by ten or more.
        const auto offBy = [&blended, &path] {
            PictureBox frame;
            frame.setTwipGeometry(0, 0, 50 * 15, 50 * 15);
            Image image(&frame);
            if (!fit(image, frame, path))
                return 255.0;
            const QImage shown = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
            if (shown.size() != blended.size())
                return 255.0;
            qint64 off = 0;
            for (int y = 0; y < 50; ++y) {
                for (int x = 0; x < 50; ++x) {
                    const QRgb a = shown.pixel(x, y), b = blended.pixel(x, y);
                    off += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                            + qAbs(qBlue(a) - qBlue(b));
                }
            }
            return double(off) / (50 * 50 * 3);
        };
        QCOMPARE_LT(offBy(), 3.0);
        // So from its small copy at the next start, and where an older version left a copy in a
        // palette, which is made anew.
        QTRY_VERIFY(QFile::exists(PictureCopyPath(path)));
        QCOMPARE_LT(offBy(), 3.0);
        QImageReader copy(PictureCopyPath(path));
        QImage dotted = blended.convertToFormat(QImage::Format_Indexed8);
        for (const QString &key : copy.textKeys())
            dotted.setText(key, copy.text(key));
        QVERIFY(dotted.save(PictureCopyPath(path)));
        QCOMPARE(QImageReader(PictureCopyPath(path)).imageFormat(), QImage::Format_Indexed8);
        QCOMPARE_LT(offBy(), 3.0);
        QTRY_COMPARE(QImageReader(PictureCopyPath(path)).imageFormat(), QImage::Format_RGB32);
    }

    // A file gone since it was chosen keeps the picture shown; one that is no picture leaves
    // none, and no file clears it.
    void missingOrUnreadableFile()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500);
        Image image(&frame);
        const qsizetype children = image.children().size();
        QVERIFY(fit(image, frame, makeCameraPicture("kept.jpg", QSize(20, 10))));
        const QRectF fitted(image.Left(), image.Top(), image.Width(), image.Height());

        // Drawn over its whole size, red over blue, at any number of pixels a point, also after a
        // resize, which a file gone since then does not leave it stretched to.
        for (const double height : {750.0, 1500.0}) {
            image.setTwipGeometry(0, 0, 1500, height);
            const QImage drawn = image.grab().toImage();
            const QColor top = drawn.pixelColor(0, 0);
            const QColor bottom = drawn.pixelColor(drawn.width() - 1, drawn.height() - 1);
            QVERIFY2(top.red() > 200 && top.blue() < 60, qPrintable(top.name()));
            QVERIFY2(bottom.blue() > 200 && bottom.red() < 60, qPrintable(bottom.name()));
        }

        QVERIFY(fit(image, frame, m_dir.filePath("deleted.jpg")));
        QVERIFY(!image.Picture().isNull());
        QCOMPARE(QRectF(image.Left(), image.Top(), image.Width(), image.Height()), fitted);

        QVERIFY(writeFile(m_dir.filePath("notes.jpg"), "not a picture at all"));
        QVERIFY(!fit(image, frame, m_dir.filePath("notes.jpg")));
        QVERIFY(image.Picture().isNull());
        QVERIFY(image.Stretch() && image.Visible());

        QVERIFY(fit(image, frame, makePicture("again.bmp", QSize(20, 10))));
        QVERIFY(fit(image, frame, QString()));
        QVERIFY(image.Picture().isNull());
        // Nothing of the decodes stays behind with the picture.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(image.children().size(), children);
    }

    // A JPEG or GIF cut short (a download broken off, a copy from a stick under way) is no
    // picture, although its reader would show its first half; one whole, with whatever follows
    // its end, is.
    void aFileCutShortIsNoPicture()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500);
        Image image(&frame);
        QImage stripes(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < stripes.height(); ++y) {
            for (int x = 0; x < stripes.width(); ++x)
                stripes.setPixelColor(x, y, QColor::fromHsv((x * 7 + y * 13) % 360, 255, 255));
        }
        const auto saved = [&stripes](const char *format, int quality = -1) {
            QBuffer file;
            file.open(QIODevice::WriteOnly);
            stripes.save(&file, format, quality);
            return file.data();
        };
        QFile cameraFile(makeCameraPicture("camera.jpg", QSize(64, 48)));
        QVERIFY(cameraFile.open(QIODevice::ReadOnly));
        const QByteArray camera = cameraFile.readAll();
        QImageWriter progressive;
        QBuffer progressiveFile;
        progressiveFile.open(QIODevice::WriteOnly);
        progressive.setDevice(&progressiveFile);
        progressive.setFormat("jpeg");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(stripes));
        const QList<std::pair<const char *, QByteArray>> files {
                {"photo.jpg", saved("JPG", 90)},
                {"camera.jpg", camera},
                {"progressive.jpg", progressiveFile.data()},
                {"logo.gif", gif(QSize(64, 48))}};
        for (const auto &[name, whole] : files) {
            const QString path = m_dir.filePath(name);
            QVERIFY(writeFile(path, whole + "trailing bytes a phone adds"));
            QVERIFY2(fit(image, frame, path), name);
            for (const qsizetype cut : {whole.size() / 2, whole.size() - 2}) {
                QVERIFY(writeFile(path, whole.left(cut)));
                QVERIFY2(!fit(image, frame, path), name);
                QVERIFY(image.Picture().isNull());
            }
        }
    }

    // A picture chosen while the one before is still being decoded replaces it: the one before
    // is neither shown nor reported, so no word comes about a file no longer chosen.
    void aNewerChoiceDropsTheOneBefore()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500);
        Image image(&frame);
        QVERIFY(writeFile(m_dir.filePath("dropped.jpg"), "not a picture at all"));
        std::optional<bool> dropped;
        FitPicture(&image, &frame, m_dir.filePath("dropped.jpg"),
                   [&dropped](bool outcome) { dropped = outcome; });
        QVERIFY(fit(image, frame, makePicture("chosen.bmp", QSize(20, 10))));
        QVERIFY(!image.Picture().isNull());
        QVERIFY(!dropped.has_value());
    }

    // A camera's photo taken upright stands upright, whether it is decoded whole or scaled.
    void cameraPictureStandsUpright()
    {
        for (const QSize stored : {QSize(40, 20), QSize(400, 200)}) {
            PictureBox frame;
            frame.setTwipGeometry(0, 0, 1500, 1500); // 100 pixels square
            Image image(&frame);
            QVERIFY(fit(image, frame, makeCameraPicture("camera.jpg", stored)));
            QCOMPARE(QRectF(image.Left(), image.Top(), image.Width(), image.Height()),
                     QRectF(375, 0, 750, 1500));
            const QImage shown = image.Picture().toImage();
            QVERIFY(shown.height() > shown.width());
            // The stored left half is now on top.
            const QColor top = shown.pixelColor(shown.width() / 2, 2);
            const QColor bottom = shown.pixelColor(shown.width() / 2, shown.height() - 3);
            QVERIFY2(top.red() > 200 && top.blue() < 60, qPrintable(top.name()));
            QVERIFY2(bottom.blue() > 200 && bottom.red() < 60, qPrintable(bottom.name()));
        }
    }

    // Whatever its size, a picture is decoded at the size it is shown at.
    void largePictureIsDecodedAtItsShownSize()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500); // 100 pixels square
        Image image(&frame);
        const qreal ratio = image.devicePixelRatioF();
        QVERIFY(fit(image, frame, makePicture("photo.jpg", QSize(4000, 2000))));
        QCOMPARE(image.Width(), 1500.0);
        QCOMPARE(image.Height(), 750.0);
        QVERIFY(image.Picture().width() <= 100 * ratio + 1);
        const QColor colour = image.Picture().toImage().pixelColor(5, 5);
        QVERIFY(colour.red() > 240 && colour.green() < 16); // red, less what JPEG loses

        // Refitted into a larger frame, the picture stays in view while it is decoded again,
        // sharper.
        frame.setTwipGeometry(0, 0, 4500, 4500);
        std::optional<bool> shown;
        FitPicture(&image, &frame, m_dir.filePath("photo.jpg"),
                   [&shown](bool outcome) { shown = outcome; });
        QVERIFY(image.Visible());
        QCOMPARE(image.Width(), 4500.0);
        QVERIFY(image.Picture().width() <= 100 * ratio + 1);
        QTRY_VERIFY_WITH_TIMEOUT(shown.has_value(), 30000);
        QVERIFY(*shown);
        QVERIFY(image.Picture().width() >= 300 * ratio);

        // Decoded again for a frame only a pixel wider than its decode, which kept its height.
        const QString banner = makePicture("banner.jpg", QSize(3000, 1000));
        frame.setTwipGeometry(0, 0, 1500, 1500);
        QVERIFY(fit(image, frame, banner));
        frame.setTwipGeometry(0, 0, 1515, 1515);
        QVERIFY(fit(image, frame, banner));
        QVERIFY(image.Picture().width() >= std::ceil(101 * ratio));

        // Up to 128 megapixels a picture shows; one larger is refused.
        QVERIFY(fit(image, frame, makeGreyJpeg("largest.jpg", QSize(16384, 8192))));
        QCOMPARE(image.Picture().toImage().pixelColor(5, 5), QColor(128, 128, 128));
        QVERIFY(!fit(image, frame, makeGreyJpeg("too-large.jpg", QSize(16384, 8200))));

        // A bitmap is decoded whole before it is scaled: one larger than Qt allows by itself too.
        // A limit set higher than that, or none (0), is kept.
        const QString poster = makePicture("poster.bmp", QSize(6000, 6000));
        const int megabytes = int(MaxPicturePixels * 4 >> 20);
        for (const int limit : {64, 0, megabytes + 1}) {
            QImageReader::setAllocationLimit(limit);
            QVERIFY(fit(image, frame, poster));
            QCOMPARE(QImageReader::allocationLimit(), limit == 64 ? megabytes : limit);
        }
        QFile::remove(poster);
    }
    // A large picture once shown is shown at later starts from its small copy, exactly as from
    // the file; a file changed since, or a frame larger than the copy, is read from the file.
    void largePictureShownAgainFromItsCopy()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500); // 100 pixels square
        const auto shown = [&frame](const QString &path) {
            Image image(&frame);
            return fit(image, frame, path)
                    ? image.Picture().toImage().convertToFormat(QImage::Format_RGB32)
                    : QImage();
        };
        // The copy is told from the file by its colour: painted green, what shows green came
        // from it.
        const QString path = makePicture("board.bmp", QSize(1600, 800));
        const QImage first = shown(path);
        QVERIFY(!first.isNull());
        const QString copyPath = PictureCopyPath(path);
        QTRY_VERIFY(QFile::exists(copyPath));
        QImage copy = QImageReader(copyPath, "png").read();
        QVERIFY(!copy.textKeys().isEmpty());
        copy.fill(Qt::green);
        QVERIFY(copy.save(copyPath, "png"));
        QCOMPARE(shown(path).pixelColor(0, 0), QColor(Qt::green));

        // Shown smaller, from the copy; larger than the copy, from the file.
        frame.setTwipGeometry(0, 0, 750, 750);
        QCOMPARE(shown(path).pixelColor(0, 0), QColor(Qt::green));
        QCOMPARE(shown(path).size(), QSize(50, 25) * qRound(frame.devicePixelRatioF()));
        frame.setTwipGeometry(0, 0, 3000, 3000);
        QCOMPARE(shown(path).pixelColor(0, 0), QColor(Qt::red));

        // Changed since: the file, never the stale copy, also when another picture of the same
        // length was put in its place with the old one's time, as cp -p or an archive puts it
        // (a BMP's length is set by its size alone); and a file that is no picture any more
        // shows none.
        frame.setTwipGeometry(0, 0, 750, 750);
        const QDateTime changed = QFileInfo(path).lastModified();
        QTest::qWait(20);
        makePicture("board.bmp", QSize(1600, 800), Qt::blue);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(changed, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(shown(path).pixelColor(0, 0), QColor(Qt::blue));
        QVERIFY(writeFile(path, "not a picture at all"));
        QVERIFY(shown(path).isNull());

        // A logo saved over the one being decoded (an editor writes a new file and renames it
        // into place): the picture decoded is the old one, and no copy is kept of it under the
        // new file's name.
        const QString logo = makePicture("logo.bmp", QSize(1600, 800), Qt::red);
        const QString decodedFrom = PictureSource(QFileInfo(logo));
        const DecodedPicture red = DecodePicture(logo, QSize(100, 100));
        const QString green = makePicture("logo-new.bmp", QSize(1600, 800), Qt::green);
        QVERIFY(QFile::remove(logo));
        QVERIFY(QFile::rename(green, logo));
        KeepPictureCopy(logo, red, decodedFrom);
        QVERIFY(!ReadPictureCopy(logo, QSize(100, 100)));
        QCOMPARE(shown(logo).pixelColor(0, 0), QColor(Qt::green));
        // The file as it was decoded is kept.
        const DecodedPicture decoded = DecodePicture(logo, QSize(100, 100));
        KeepPictureCopy(logo, decoded, PictureSource(QFileInfo(logo)));
        QVERIFY(ReadPictureCopy(logo, QSize(100, 100)));
    }
};

QTEST_MAIN(tst_PictureFit)
#include "tst_picturefit.moc"
