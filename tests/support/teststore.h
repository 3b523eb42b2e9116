#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

// The program's own settings store, as the test's private settings folder holds it.
QSettings testStore();

// Writes bytes to a file, replacing it; false when it cannot be written.
bool writeFile(const QString &path, const QByteArray &bytes);
