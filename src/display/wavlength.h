#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

// How long a .wav file plays, read from its RIFF header: the size of the sample data divided by
// the bytes per second of the format chunk. Nothing when the data is not a RIFF WAVE with both
// chunks and a non-zero byte rate.
namespace WavLength {

std::optional<qint64> nanoseconds(QIODevice *device);
std::optional<qint64> nanoseconds(const QString &path);

} // namespace WavLength
