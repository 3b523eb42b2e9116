// A whole settings file, as a hand edit or a damaged disk might leave it, loaded into a model:
// it loads, or it is refused with a report that names the key.

#include "fuzzcheck.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QTemporaryDir *folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The store reads the program's folder for the default sound files.
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A new name for every input: QSettings keeps files it has read, and would not see a file
    // rewritten within the same second.
    static quint64 number = 0;
    const QString path = folder->filePath(QStringLiteral("Corvanta%1.conf").arg(++number));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    {
        QSettings store(path, QSettings::IniFormat);
        SettingsModel model;
        try {
            loadSettingsFrom(store, model);
        } catch (const SettingsConversionError &error) {
            FUZZ_CHECK(!error.key.isEmpty());
            FUZZ_CHECK(error.message().contains(error.key));
        }
    }
    QFile::remove(path);
    return 0;
}
