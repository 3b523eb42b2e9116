#include "image.h"
#include "picturebox.h"
#include "picturefit.h"

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

class tst_PictureFit final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makePicture(const QString &name, QSize size)
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString path = m_dir.filePath(name);
        if (!picture.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void fitsCentredWithoutDistortion_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSizeF>("box");
        QTest::addColumn<QRectF>("fitted");

        QTest::newRow("wide in square")
                << "wide.bmp" << QSize(200, 100) << QSizeF(1500, 1500) << QRectF(0, 375, 1500, 750);
        QTest::newRow("tall in wide") << "tall.png" << QSize(100, 300) << QSizeF(3000, 1500)
                                      << QRectF(1250, 0, 500, 1500);
        QTest::newRow("own proportions")
                << "same.jpg" << QSize(120, 60) << QSizeF(3000, 1500) << QRectF(0, 0, 3000, 1500);
        QTest::newRow("tiny enlarged")
                << "tiny.png" << QSize(2, 1) << QSizeF(2400, 2400) << QRectF(0, 600, 2400, 1200);
    }

    void fitsCentredWithoutDistortion()
    {
        QFETCH(QString, file);
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, box);
        QFETCH(QRectF, fitted);

        PictureBox frame;
        frame.setTwipGeometry(0, 0, box.width(), box.height());
        Image image(&frame);
        QVERIFY(FitPicture(&image, &frame, makePicture(file, pixels)));

        QCOMPARE(QRectF(image.Left(), image.Top(), image.Width(), image.Height()), fitted);
        QVERIFY(image.Stretch());
        QVERIFY(image.Visible());
        QVERIFY(!image.Picture().isNull());
    }

    void missingFileKeepsPictureAndEmptyPathClearsIt()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500);
        Image image(&frame);
        QVERIFY(FitPicture(&image, &frame, makePicture("kept.bmp", QSize(20, 10))));
        const QRectF fitted(image.Left(), image.Top(), image.Width(), image.Height());

        QVERIFY(FitPicture(&image, &frame, m_dir.filePath("deleted.bmp")));
        QVERIFY(!image.Picture().isNull());
        QCOMPARE(QRectF(image.Left(), image.Top(), image.Width(), image.Height()), fitted);
        QVERIFY(image.Visible());

        QVERIFY(FitPicture(&image, &frame, QString()));
        QVERIFY(image.Picture().isNull());
    }

    void unreadableFileLeavesNoPicture()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500);
        Image image(&frame);
        QVERIFY(FitPicture(&image, &frame, makePicture("before.bmp", QSize(20, 10))));

        QFile text(m_dir.filePath("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture at all");
        text.close();
        QVERIFY(!FitPicture(&image, &frame, text.fileName()));
        QVERIFY(image.Picture().isNull());
        QVERIFY(image.Stretch());

        // A picture over Qt's allocation limit counts as unreadable, and is refused from its
        // header without being decoded.
        const QString large = makePicture("large.png", QSize(1200, 1000));
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(4);
        const bool fitted = FitPicture(&image, &frame, large);
        QImageReader::setAllocationLimit(limit);
        QVERIFY(!fitted);
        QVERIFY(image.Picture().isNull());
    }

    void largePictureIsDecodedAtItsShownSize()
    {
        PictureBox frame;
        frame.setTwipGeometry(0, 0, 1500, 1500); // 100 pixels square
        Image image(&frame);
        QVERIFY(FitPicture(&image, &frame, makePicture("photo.jpg", QSize(4000, 2000))));
        QCOMPARE(image.Width(), 1500.0);
        QCOMPARE(image.Height(), 750.0);
        QVERIFY(image.Picture().width() <= 100 * image.devicePixelRatioF() + 1);
    }
};

QTEST_MAIN(tst_PictureFit)
#include "tst_picturefit.moc"
