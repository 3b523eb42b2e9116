#include "frmsplash.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));

    QPointer<frmSplash> splash = new frmSplash;
    if (!splash->Form_Load(QApplication::arguments().mid(1).join(u' ')))
        return EXIT_FAILURE;
    if (!splash->isGone())
        splash->show();
    return app.exec();
}
