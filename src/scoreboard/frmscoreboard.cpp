#include "frmscoreboard.h"

#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

frmScoreboard::frmScoreboard(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmScoreboard"));
    setWindowTitle(QStringLiteral("Corvanta"));
    resize(Twips::toPixels(9480), Twips::toPixels(6795));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

void frmScoreboard::closeEvent(QCloseEvent *event)
{
    // The scoreboard is the main window: closing it ends the program with every other window.
    event->accept();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
