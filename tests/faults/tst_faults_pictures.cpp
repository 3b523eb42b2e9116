#include "messagecatcher.h"

#include "frmoptions.h"
#include "frmscoreboard.h"
#include "image.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "teststore.h"

#include <QApplication>
#include <QDataStream>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The headers of a 24-bit BMP picture of 20000 x 20000 pixels, none of its pixels: a picture
// reader learns the size from this alone.
static QByteArray hugeBmp()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0x4D42) << quint32(54 + 20000u * 20000u * 3) << quint32(0) << quint32(54);
    out << quint32(40) << qint32(20000) << qint32(20000) << quint16(1) << quint16(24);
    return bytes + QByteArray(24, '\0');
}

// Pictures that go wrong: deleted, overwritten or far too large. The scoreboard leaves the frame
// empty without a word and goes on; the stored path is kept, so the picture returns when its file
// does; the Options window says when a chosen file cannot be shown.
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
    void pictureChangedBetweenRuns_data()
    {
        QTest::addColumn<QByteArray>("contents"); // none: deleted
        QTest::newRow("deleted") << QByteArray();
        QTest::newRow("replaced by garbage") << QByteArray(3000, 'Z');
        QTest::newRow("replaced by a picture too large to show") << hugeBmp();
    }

    void pictureChangedBetweenRuns()
    {
        QFETCH(QByteArray, contents);
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

        QVERIFY(contents.isEmpty() ? QFile::remove(home) : writeFile(home, contents));

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

    // Chosen in the Options window, a picture too large to show is refused with a message that
    // names it; the picture chosen before stays.
    void optionsRefuseAPictureTooLarge()
    {
        const QString huge = m_dir.filePath("huge.bmp");
        QVERIFY(writeFile(huge, hugeBmp()));
        const QString before = goodPicture("before.bmp");
        settings().HomePic = before;
        MessageCatcher catcher;
        frmOptions options;
        options.show();
        options.chooseFile = [huge](QWidget *, const QString &) { return huge; };
        options.findChild<QPushButton *>("cmdChangeHomePic")->click();
        QTRY_COMPARE(catcher.texts.size(), 1);
        QVERIFY2(catcher.texts.first().contains(huge), qPrintable(catcher.texts.first()));
        QCOMPARE(options.HomePicTemp, before);
        QTRY_VERIFY(shows(options, "imgHomePicPreview"));
    }
};

QTEST_MAIN(TestFaultsPictures)
#include "tst_faults_pictures.moc"
