#include "wavlength.h"

#include <QFile>
#include <QtEndian>

namespace {

quint32 le32(const char *bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}

bool skip(QIODevice *device, qint64 bytes)
{
    return device->skip(bytes) == bytes;
}

} // namespace

namespace WavLength {

std::optional<qint64> nanoseconds(QIODevice *device, bool *complete)
{
    if (complete)
        *complete = false;
    if (!device || !device->isOpen())
        return std::nullopt;
    char riff[12];
    if (device->read(riff, 12) != 12 || memcmp(riff, "RIFF", 4) != 0
        || memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;

    quint32 byteRate = 0;
    while (!device->atEnd()) {
        char header[8];
        if (device->read(header, 8) != 8)
            return std::nullopt;
        const quint32 size = le32(header + 4);
        if (memcmp(header, "fmt ", 4) == 0) {
            char format[16];
            if (size < 16 || device->read(format, 16) != 16)
                return std::nullopt;
            byteRate = le32(format + 8);
            // Chunks are padded to an even length.
            if (!skip(device, qint64(size) - 16 + (size & 1)))
                return std::nullopt;
        } else if (memcmp(header, "data", 4) == 0) {
            if (byteRate == 0)
                return std::nullopt;
            // A writer that streamed the file may have left the size unset or too large; the
            // samples then run to the end of the file.
            const qint64 remaining = device->size() - device->pos();
            if (complete)
                *complete = size <= remaining;
            const qint64 bytes = qMin<qint64>(size, qMax<qint64>(remaining, 0));
            // Whole nanoseconds, rounded up, so that a timeout set from it is never early.
            return (bytes * 1000000000 + byteRate - 1) / byteRate;
        } else if (!skip(device, qint64(size) + (size & 1))) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<qint64> nanoseconds(const QString &path, bool *complete)
{
    if (complete)
        *complete = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return nanoseconds(&file, complete);
}

} // namespace WavLength
