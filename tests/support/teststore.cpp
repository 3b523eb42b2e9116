#include "teststore.h"

#include <QFile>

QSettings testStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvanta", "Corvanta");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}
