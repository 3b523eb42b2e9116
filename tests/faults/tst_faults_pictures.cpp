#include "messagecatcher.h"

#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "picturebox.h"
#include "picturefit.h"
#include "settingsmodel.h"
#include "settingsstore.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
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
            QVERIFY(shows(first, "imgHomePic"));
            QVERIFY(shows(first, "imgBoardPic"));
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
            QVERIFY(!shows(second, "imgHomePic"));
            QVERIFY(shows(second, "imgBoardPic"));
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
        QVERIFY(shows(third, "imgHomePic"));
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
            QVERIFY(!shows(scoreboard, "imgHomePic"));
            QVERIFY(shows(scoreboard, "imgBoardPic"));
            QVERIFY(!FitPicture(scoreboard.findChild<Image *>("imgHomePic"),
                                scoreboard.findChild<PictureBox *>("picHomePicContainer"), huge));
        }
        QVERIFY(catcher.texts.isEmpty());

        // Chosen in the Options window: refused with a message naming the file; the picture that
        // was chosen before stays.
        settings().HomePic = board;
        frmOptions options;
        options.show();
        options.chooseFile = [huge](QWidget *, const QString &) { return huge; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        QCOMPARE(catcher.texts.size(), 1);
        QVERIFY2(catcher.texts.first().contains(huge), qPrintable(catcher.texts.first()));
        QCOMPARE(options.HomePicTemp, board);
        QVERIFY(shows(options, "imgHomePicPreview"));
    }
};

QTEST_MAIN(TestFaultsPictures)
#include "tst_faults_pictures.moc"
