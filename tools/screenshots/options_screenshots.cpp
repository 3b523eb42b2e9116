// Saves a picture of every tab of the Options window and of the key-capture dialog refusing a
// key, so that the layout can be looked at: options-<n>.png and choosekey.png in the folder given
// on the command line.
#include "frmchoosekey.h"
#include "frmoptions.h"
#include "image.h"

#include "settings.h"
#include "settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    LoadSettings();

    // A wide picture, so that the preview's fitting shows.
    QImage picture(160, 80, QImage::Format_RGB32);
    picture.fill(QColor(40, 90, 200));
    QPainter(&picture).fillRect(20, 20, 40, 40, Qt::yellow);
    const QString picturePath = folder.filePath("sample.bmp");
    picture.save(picturePath);
    Settings::instance().edit([&](SettingsModel &m) { m.HomePic = picturePath; });

    frmOptions window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    // The preview follows once the picture is decoded.
    (void)QTest::qWaitFor([&window] {
        return !window.findChild<Image *>("imgHomePicPreview")->Picture().isNull();
    });
    auto *tabs = window.findChild<QTabWidget *>("SSTab1");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        window.grab().save(folder.filePath(QStringLiteral("options-%1.png").arg(i + 1)));
    }

    frmChooseKey dialog(QStringLiteral("reset the jam clock"), 82,
                        {74, 82, 83, 84, 67, 73, 46, 66, 80, 65}, &window);
    dialog.beep = [] {};
    dialog.show();
    (void)QTest::qWaitForWindowExposed(&dialog);
    QTest::keyClick(&dialog, Qt::Key_J);
    QApplication::processEvents();
    dialog.grab().save(folder.filePath(QStringLiteral("choosekey.png")));
    return 0;
}
