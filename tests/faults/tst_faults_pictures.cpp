#include "messagecatcher.h"

#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "picturebox.h"
#include "picturefit.h"
#include "settingsmodel.h"
#include "settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <array>

namespace {

quint32 crc32(const QByteArray &data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t {};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (char byte : data)
        c = table[(c ^ quint8(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type) + data;
    return bigEndian(quint32(data.size())) + body + bigEndian(crc32(body));
}

// A complete, valid black-and-white PNG of the given size: one bit a pixel, every row zero, so
// that the file stays small however large the picture.
QByteArray hugePng(quint32 side)
{
    QByteArray header = bigEndian(side) + bigEndian(side);
    header += QByteArray("\x01\x00\x00\x00\x00", 5); // bit depth 1, greyscale, no interlace
    const qsizetype row = 1 + (side + 7) / 8; // filter byte and the packed bits
    const QByteArray raw(row * side, '\0');
    const QByteArray deflated = qCompress(raw, 9).mid(4); // the zlib stream without Qt's length
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
            + pngChunk("IDAT", deflated) + pngChunk("IEND", {});
}

// A BMP file header and information header for a 24-bit picture of the given size, with none of
// its pixels: a picture reader learns the size from this alone.
QByteArray bmpHeaderOnly(qint32 side)
{
    QByteArray bytes(54, '\0');
    auto put32 = [&bytes](int at, quint32 value) { qToLittleEndian(value, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + quint32(side) * quint32(side) * 3);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(side));
    put32(22, quint32(side));
    qToLittleEndian(quint16(1), bytes.data() + 26);
    qToLittleEndian(quint16(24), bytes.data() + 28);
    return bytes;
}

// A GIF of the given size whose frames each fill it with one colour: the first green, every later
// one red. Each frame is a run of one colour index, packed as LZW codes of ever longer runs.
QByteArray solidGif(QSize size, int frames)
{
    auto le16 = [](int value) {
        QByteArray bytes(2, '\0');
        qToLittleEndian(quint16(value), bytes.data());
        return bytes;
    };
    auto frame = [&](int index) {
        QByteArray codes;
        quint32 bits = 0;
        int held = 0, width = 3, next = 5; // two-bit pixels: clear code 4, end code 5
        auto put = [&](int code) {
            bits |= quint32(code) << held;
            for (held += width; held >= 8; held -= 8, bits >>= 8)
                codes += char(bits & 0xFF);
        };
        auto added = [&] { // the decoder's table grows by one a code, up to 4096
            if (++next >= (1 << width) && width < 12)
                ++width;
            if (next == 4095) {
                put(4);
                width = 3;
                next = 5;
                return true;
            }
            return false;
        };
        put(4);
        qint64 left = qint64(size.width()) * size.height();
        for (int run = 1; left > 0;) {
            const int taken = int(qMin<qint64>(run, left));
            put(taken == 1 ? index : 4 + taken); // codes 6, 7, ... stand for runs of 2, 3, ...
            left -= taken;
            run = added() ? 1 : run + 1;
        }
        put(5);
        if (held > 0)
            codes += char(bits & 0xFF);
        QByteArray block = QByteArray("\x2c\0\0\0\0", 5) + le16(size.width()) + le16(size.height())
                + QByteArray("\0\x02", 2);
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray part = codes.mid(at, 255);
            block += char(part.size()) + part;
        }
        return block + '\0';
    };
    QByteArray gif = "GIF89a" + le16(size.width()) + le16(size.height())
            + QByteArray("\x81\0\0"
                         "\0\0\0"
                         "\0\xff\0"
                         "\xff\0\0"
                         "\0\0\0",
                         15);
    const QByteArray later = frame(2);
    gif += frame(1);
    for (int i = 1; i < frames; ++i)
        gif += later;
    return gif + ';';
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// Pictures that go wrong: deleted or overwritten between two runs, or far too large. The
// scoreboard leaves the frame empty without a word and goes on; the stored path is kept, so the
// picture returns when its file does; the Options window says when a chosen file cannot be shown.
class TestFaultsPictures : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QSettings store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvanta", "Corvanta");
    }
    static bool shows(const QWidget &window, const char *image)
    {
        return !window.findChild<Image *>(image)->Picture().isNull();
    }
    QString goodPicture(const QString &name)
    {
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(name);
        return picture.save(path, "BMP") ? path : QString();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(settingsFileName());
    }

    void pictureChangedBetweenRuns_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("deleted") << "delete";
        QTest::newRow("replaced by garbage") << "garbage";
        QTest::newRow("cut short") << "truncate";
        QTest::newRow("emptied") << "empty";
    }

    void pictureChangedBetweenRuns()
    {
        QFETCH(QString, change);
        const QString home = goodPicture("home.bmp");
        const QString board = goodPicture("board.bmp");
        QVERIFY(!home.isEmpty() && !board.isEmpty());
        {
            QSettings s = store();
            s.setValue("PicSettings/HomePic", home);
            s.setValue("PicSettings/BoardPic", board);
        }
        LoadSettings();
        {
            frmScoreboard first;
            QTRY_VERIFY(shows(first, "imgHomePic") && shows(first, "imgBoardPic"));
        }

        QFile file(home);
        if (change == "delete") {
            QVERIFY(file.remove());
        } else {
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QByteArray bytes = file.readAll();
            file.resize(0);
            file.seek(0);
            if (change == "garbage")
                file.write(QByteArray(bytes.size(), '\x5a'));
            else if (change == "truncate")
                file.write(bytes.left(40));
            file.close();
        }

        MessageCatcher catcher;
        LoadSettings();
        {
            frmScoreboard second;
            second.resize(1280, 720); // refits the pictures
            QTRY_VERIFY(shows(second, "imgBoardPic"));
            QVERIFY(!shows(second, "imgHomePic"));
        }
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(settings().HomePic, home);

        // The path survives an OK in the Options window, so the picture comes back with its file.
        {
            frmOptions options;
            options.show();
            QVERIFY(!shows(options, "imgHomePicPreview"));
            options.findChild<QPushButton *>("cmdOk")->click();
        }
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(store().value("PicSettings/HomePic").toString(), home);
        QFile::remove(home);
        QVERIFY(!goodPicture("home.bmp").isEmpty());
        LoadSettings();
        frmScoreboard third;
        QTRY_VERIFY(shows(third, "imgHomePic"));
    }

    void hugePictureIsRefused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("name");
        QTest::newRow("PNG 20000 x 20000") << hugePng(20000) << "huge.png";
        QTest::newRow("BMP header of 20000 x 20000") << bmpHeaderOnly(20000) << "huge.bmp";
    }

    void hugePictureIsRefused()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, name);
        const QString huge = m_dir.filePath(name);
        QVERIFY(writeFile(huge, contents));

        // On the board: an empty frame, the other pictures as they were.
        const QString board = goodPicture("board.bmp");
        settings().HomePic = huge;
        settings().BoardPic = board;
        MessageCatcher catcher;
        {
            frmScoreboard scoreboard;
            scoreboard.resize(1920, 1080);
            QTRY_VERIFY(shows(scoreboard, "imgBoardPic"));
            QVERIFY(!shows(scoreboard, "imgHomePic"));
        }
        QVERIFY(catcher.texts.isEmpty());

        // Chosen in the Options window: refused with a message naming the file; the picture that
        // was chosen before stays.
        settings().HomePic = board;
        frmOptions options;
        options.show();
        options.chooseFile = [huge](QWidget *, const QString &) { return huge; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        QTRY_COMPARE(catcher.texts.size(), 1);
        QVERIFY2(catcher.texts.first().contains(huge), qPrintable(catcher.texts.first()));
        QCOMPARE(options.HomePicTemp, board);
        QTRY_VERIFY(shows(options, "imgHomePicPreview"));
    }

    // A camera's photo and a long animation: the board is there at once and its refresh goes on
    // ticking while they are decoded; they follow, each shown at its first frame and at the size
    // it is shown at.
    void largePicturesFollowTheRunningBoard()
    {
        QImage photo(6000, 6000, QImage::Format_RGB32); // 144 MB decoded
        photo.fill(Qt::darkCyan);
        settings().BoardPic = m_dir.filePath("camera.png");
        QVERIFY(photo.save(settings().BoardPic));
        settings().HomePic = m_dir.filePath("animation.gif");
        QVERIFY(writeFile(settings().HomePic, solidGif(QSize(4000, 4000), 1000)));

        QElapsedTimer clock;
        QList<qint64> ticks;
        clock.start();
        frmScoreboard scoreboard;
        connect(scoreboard.findChild<QTimer *>("tmrClock1"), &QTimer::timeout,
                [&] { ticks << clock.elapsed(); });
        scoreboard.show();
        QVERIFY(!shows(scoreboard, "imgBoardPic"));
        QTRY_VERIFY_WITH_TIMEOUT(
                shows(scoreboard, "imgBoardPic") && shows(scoreboard, "imgHomePic"), 60000);
        ticks << clock.elapsed();
        qint64 longest = 0;
        for (qsizetype i = 1; i < ticks.size(); ++i)
            longest = qMax(longest, ticks[i] - ticks[i - 1]);
        QVERIFY2(longest <= 100, qPrintable(QStringLiteral("%1 ms without a tick").arg(longest)));

        for (const auto &[name, colour] : {std::pair {"imgBoardPic", QColor(Qt::darkCyan)},
                                           std::pair {"imgHomePic", QColor(Qt::green)}}) {
            const auto *image = scoreboard.findChild<Image *>(name);
            const QImage shown = image->Picture().toImage();
            QCOMPARE(shown.pixelColor(shown.rect().center()), colour);
            QVERIFY(shown.width() <= image->parentWidget()->width() * image->devicePixelRatioF());
        }
    }
};

QTEST_MAIN(TestFaultsPictures)
#include "tst_faults_pictures.moc"
