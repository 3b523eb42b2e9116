#include "latebinding.h"

#include <QLoggingCategory>
#include <QMetaProperty>
#include <QWidget>

Q_LOGGING_CATEGORY(lcLateBinding, "corvanta.board")

namespace {

void collect(const QObject *parent, QObjectList &out)
{
    for (QObject *child : parent->children()) {
        if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
            continue;
        out.append(child);
        collect(child, out);
    }
}

QString describe(const QObject *object)
{
    return QStringLiteral("%1 \"%2\"").arg(LateBinding::typeName(object), object->objectName());
}

} // namespace

namespace LateBinding {

QObjectList controls(const QWidget *window)
{
    QObjectList out;
    collect(window, out);
    return out;
}

QString typeName(const QObject *object)
{
    return QString::fromLatin1(object->metaObject()->className());
}

bool hasMember(const QObject *object, const char *name)
{
    return object->metaObject()->indexOfProperty(name) >= 0;
}

QVariant get(const QObject *object, const char *name)
{
    if (!hasMember(object, name)) {
        qCWarning(lcLateBinding, "%s has no member %s", qPrintable(describe(object)), name);
        return {};
    }
    return object->property(name);
}

bool set(QObject *object, const char *name, const QVariant &value)
{
    const int index = object->metaObject()->indexOfProperty(name);
    if (index < 0) {
        qCWarning(lcLateBinding, "%s has no member %s", qPrintable(describe(object)), name);
        return false;
    }
    if (!object->metaObject()->property(index).write(object, value)) {
        qCWarning(lcLateBinding, "%s refuses %s = %s", qPrintable(describe(object)), name,
                  qPrintable(value.toString()));
        return false;
    }
    return true;
}

} // namespace LateBinding
