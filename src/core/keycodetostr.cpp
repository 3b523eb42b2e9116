#include "keycodetostr.h"

#include "virtualkeycodes.h"

using namespace VirtualKeys;

QString KeyCodeToStr(int keyCode)
{
    if (keyCode >= letter('A') && keyCode <= letter('Z'))
        return QString(QChar(keyCode));
    // F3 to F12 only: F1 and F2 belong to the scoreboard (help and options).
    if (keyCode >= kF3 && keyCode <= kF12)
        return QStringLiteral("F%1").arg(keyCode - kF3 + 3);
    // The rest by code: this table is where those keys are named.
    switch (keyCode) {
    case 8:
        return QStringLiteral("Backspace");
    case 13:
        return QStringLiteral("Enter");
    case 17:
        return QStringLiteral("Ctrl");
    case 19:
        return QStringLiteral("Pause/Break");
    case 33:
        return QStringLiteral("Page Up");
    case 34:
        return QStringLiteral("Page Down");
    case 35:
        return QStringLiteral("End");
    case 36:
        return QStringLiteral("Home");
    case 45:
        return QStringLiteral("Insert");
    case 46:
        return QStringLiteral("Delete");
    case 106:
        return QStringLiteral("Numpad *");
    case 111:
        return QStringLiteral("Numpad /");
    case 186:
        return QStringLiteral(";");
    case 188:
        return QStringLiteral(",");
    case 190:
        return QStringLiteral(".");
    case 191:
        return QStringLiteral("/");
    case 192:
        return QStringLiteral("`");
    case 219:
        return QStringLiteral("[");
    case 220:
        return QStringLiteral("\\");
    case 221:
        return QStringLiteral("]");
    case 222:
        return QStringLiteral("\"");
    default:
        return QString();
    }
}
