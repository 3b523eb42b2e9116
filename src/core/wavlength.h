#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

// How long a .wav file plays, read from its RIFF header: the size of the sample data divided by
// the bytes per second of the format chunk. Nothing when the data is not a RIFF WAVE with both
// chunks and a non-zero byte rate.
namespace WavLength {

// *complete, when given, tells whether the file holds all the sample data its header declares.
std::optional<qint64> nanoseconds(QIODevice *device, bool *complete = nullptr);
std::optional<qint64> nanoseconds(const QString &path, bool *complete = nullptr);

} // namespace WavLength
