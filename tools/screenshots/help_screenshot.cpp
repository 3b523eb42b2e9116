// Pictures the help window with the manual, for looking at it: run under an X server,
//   xvfb-run -a -s "-screen 0 1920x1080x24" bin/help_screenshot help.png [width height]
// It saves the whole screen, window frame and all, once the window is up.
#include "frmhelp.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString out = args.value(1, QStringLiteral("help.png"));
    frmHelp *help = frmHelp::showHelp();
    help->move(40, 40);
    help->resize(args.value(2, QStringLiteral("720")).toInt(),
                 args.value(3, QStringLiteral("640")).toInt());
    QTimer::singleShot(1500, &app, [&] {
        const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
