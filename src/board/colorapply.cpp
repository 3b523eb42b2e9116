#include "colorapply.h"

#include "latebinding.h"

#include <QLoggingCategory>
#include <QWidget>

Q_LOGGING_CATEGORY(lcColor, "corvanta.color")

namespace {

void colorDisplay(QObject *display, qint32 litColor, qint32 backColor)
{
    LateBinding::set(display, "BackColor", backColor);
    LateBinding::set(display, "LitColor", litColor);
}

} // namespace

void ColorLED(QObject *widget, qint32 litColor, qint32 backColor)
{
    // The "Count" probe is how a group tells itself apart from a single display; its absence is
    // expected and not a fault.
    if (!LateBinding::hasMember(widget, "Count")) {
        colorDisplay(widget, litColor, backColor);
        return;
    }
    const int count = LateBinding::get(widget, "Count").toInt();
    for (int index = 0; index < count; ++index) {
        QObject *member = nullptr;
        if (!QMetaObject::invokeMethod(widget, "Item", Q_RETURN_ARG(QObject *, member),
                                       Q_ARG(int, index))
            || !member) {
            qCWarning(lcColor, "group \"%s\" has no member %d", qPrintable(widget->objectName()),
                      index);
            continue;
        }
        colorDisplay(member, litColor, backColor);
    }
}

void ColorFormControls(QWidget *window, const QList<QWidget *> &exclusions, qint32 borderColor,
                       qint32 backColor)
{
    // Every excluded name stands between "|" marks, so a name is found only whole: "lblHome" is
    // not excluded by "lblHomeTeam". An unnamed widget ("||") always counts as excluded.
    QString excluded = QStringLiteral("|");
    for (const QWidget *widget : exclusions)
        excluded += QLatin1Char('|') + widget->objectName() + QLatin1Char('|');
    excluded += QLatin1Char('|');

    for (QObject *control : LateBinding::controls(window)) {
        const QString name = QLatin1Char('|') + control->objectName() + QLatin1Char('|');
        if (excluded.contains(name, Qt::CaseSensitive))
            continue;
        const QByteArray type = control->metaObject()->className();
        if (type == "Label")
            LateBinding::set(control, "ForeColor", borderColor);
        else if (type == "PictureBox")
            LateBinding::set(control, "BackColor", backColor);
        else if (type == "Shape")
            LateBinding::set(control, "BorderColor", borderColor);
    }
}
