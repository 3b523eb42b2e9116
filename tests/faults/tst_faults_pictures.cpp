#include "messagecatcher.h"

#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

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

} // namespace

// Pictures that go wrong: deleted or overwritten between two runs, or far too large. The
// scoreboard leaves the frame empty without a word and goes on; the stored path is kept, so the
// picture returns when its file does; the Options window says when a chosen file cannot be shown.
class TestFaultsPictures : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

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
    }

    void pictureChangedBetweenRuns()
    {
        QFETCH(QString, change);
        const QString home = goodPicture("home.bmp");
        const QString board = goodPicture("board.bmp");
        QVERIFY(!home.isEmpty() && !board.isEmpty());
        {
            QSettings s = testStore();
            s.setValue("PicSettings/HomePic", home);
            s.setValue("PicSettings/BoardPic", board);
        }
        LoadSettings();
        {
            frmScoreboard first;
            QTRY_VERIFY(shows(first, "imgHomePic") && shows(first, "imgBoardPic"));
        }

        if (change == "delete")
            QVERIFY(QFile::remove(home));
        else
            QVERIFY(writeFile(home, QByteArray(QFileInfo(home).size(), 'Z')));

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
        QCOMPARE(testStore().value("PicSettings/HomePic").toString(), home);
        QFile::remove(home);
        QVERIFY(!goodPicture("home.bmp").isEmpty());
        LoadSettings();
        frmScoreboard third;
        QTRY_VERIFY(shows(third, "imgHomePic"));
    }

    void hugePictureIsRefused()
    {
        const QString huge = m_dir.filePath("huge.bmp");
        QVERIFY(writeFile(huge, bmpHeaderOnly(20000)));

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
};

QTEST_MAIN(TestFaultsPictures)
#include "tst_faults_pictures.moc"
