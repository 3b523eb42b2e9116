#include "boardlock.h"
#include "boutjournal.h"
#include "destroyedwindowwatch.h"
#include "frmsplash.h"
#include "keyboardsymbols.h"
#include "terminationwatch.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    // Set for the whole program, so that every window shows the icon at whatever size it needs.
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString &name : icons.entryList({QStringLiteral("corvanta-*.png")}))
        icon.addFile(icons.filePath(name));
    QApplication::setWindowIcon(icon);
    // Keys are known by what the keyboard layout in use types on them.
    KeyboardSymbols::install();
    DestroyedWindowWatch destroyedWindowWatch;
    app.installNativeEventFilter(&destroyedWindowWatch);
    // A shutdown or a terminal that ends the program closes it as the operator would.
    TerminationWatch terminationWatch;
    // The desktop entry's name: Wayland matches the window to its entry and icon by it. On X11
    // the window class is the application name, the entry's StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvanta.Corvanta"));

    // One board per data folder: a second start hands over to the board that runs and ends,
    // before it reads the settings or the bout. One made while a board is closing opens once it
    // has closed.
    BoardLock lock(QFileInfo(BoutJournal::defaultPath()).path());
    if (!lock.acquire() && !lock.waitForClosingBoard()) {
        lock.handOver();
        return EXIT_FAILURE;
    }

    QPointer<frmSplash> splash = new frmSplash;
    if (!splash->Form_Load(QApplication::arguments().mid(1).join(u' ')))
        return EXIT_FAILURE;
    if (!splash->isGone())
        splash->show();
    return app.exec();
}
