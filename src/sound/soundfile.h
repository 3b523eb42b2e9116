#pragma once

#include <QString>
#include <QtGlobal>

class QFile;
class QIODevice;

// What the board needs to know about a sound file before it plays it, read from the RIFF WAVE
// header: the sample format, where the samples lie and how long they play, or, for a file that
// cannot play, the reason in words the operator can act on.
class SoundFile final
{
public:
    enum class Encoding { Integer, Float, ALaw, MuLaw };

    // Reads the file's header; never opens anything but a regular file, so a FIFO or a device
    // cannot block the caller.
    static SoundFile inspect(const QString &path);
    static SoundFile inspect(QIODevice *device);
    // Opens path for reading if it is a regular file, without ever waiting: the name is opened
    // without blocking and the type of what was opened is checked, so a FIFO put in place of the
    // file after it was inspected is refused as well. On failure, says why in problem.
    static bool openForReading(QFile &file, const QString &path, QString *problem);

    QString path() const { return m_path; }
    // Empty when the file can play; otherwise why not, e.g. "the file is empty".
    QString problem() const { return m_problem; }
    bool canPlay() const { return m_problem.isEmpty(); }

    Encoding encoding() const { return m_encoding; }
    int channels() const { return m_channels; }
    int sampleRate() const { return m_sampleRate; }
    int bitsPerSample() const { return m_bitsPerSample; }
    qint64 dataOffset() const { return m_dataOffset; }
    // The sample bytes the file holds, which may be fewer than its header declares.
    qint64 dataBytes() const { return m_dataBytes; }
    // Whether the file ends before the samples its header counts: a copy or a download broken
    // off. What it holds still plays; a size a streaming writer left unset is not counted.
    bool cutShort() const { return m_cutShort; }
    // Why a file is not to be chosen: problem(), or for one cut short, that it is damaged; empty
    // for a whole file that can play.
    QString refusal() const;
    // Whole nanoseconds, rounded up, so that a timeout set from it is never early.
    qint64 nanoseconds() const;

private:
    bool readFormat(const char *format, quint32 size);

    QString m_path;
    QString m_problem;
    Encoding m_encoding = Encoding::Integer;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_bitsPerSample = 0;
    qint64 m_dataOffset = 0;
    qint64 m_dataBytes = 0;
    bool m_cutShort = false;
};
