#pragma once

#include <QObjectList>
#include <QString>
#include <QVariant>

class QWidget;

// The board's shared procedures address widgets generically, as the window's own code would
// through a late-bound interface: they walk a window's widgets, tell them apart by type name and
// read or set their members by name.
namespace LateBinding {

// The window's widgets (and its undrawn parts: timers, timing engines, the media control) in
// collection order: creation order, each container followed by what it holds. Windows owned by
// the window (dialogs, tool windows) hold widgets of their own and are not part of it.
QObjectList controls(const QWidget *window);

// The type name the object reports: its class name.
QString typeName(const QObject *object);

bool hasMember(const QObject *object, const char *name);

// Reads a member by name. A missing member is a fault in the caller's design and is reported;
// the result is then invalid.
QVariant get(const QObject *object, const char *name);

// Sets a member by name, the widget converting the value to the member's own type. A missing,
// read-only or unconvertible member is reported; the result tells whether the value was set.
bool set(QObject *object, const char *name, const QVariant &value);

} // namespace LateBinding
