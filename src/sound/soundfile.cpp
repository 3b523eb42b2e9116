#include "soundfile.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

quint16 le16(const char *bytes)
{
    return qFromLittleEndian<quint16>(bytes);
}

quint32 le32(const char *bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}

bool skip(QIODevice *device, qint64 bytes)
{
    return device->skip(bytes) == bytes;
}

// WAV format codes.
constexpr quint16 kPcm = 0x0001;
constexpr quint16 kFloat = 0x0003;
constexpr quint16 kALaw = 0x0006;
constexpr quint16 kMuLaw = 0x0007;
constexpr quint16 kExtensible = 0xFFFE;

// The least size a writer that streamed the file leaves in its data chunk's header.
constexpr quint32 kStreamedSize = 0x7FFF0000;

// A chunk's name: four letters, digits or spaces ("LIST", "id3 ").
bool named(const QByteArray &header)
{
    return header.size() >= 4 && std::all_of(header.begin(), header.begin() + 4, [](char c) {
               return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')
                       || (c >= 'a' && c <= 'z');
           });
}

// Whether what comes next is another chunk rather than samples: a name, and a size that ends it
// at the file's end or at another name. Samples seldom look so twice.
bool chunkFollows(QIODevice *device, qint64 remaining)
{
    const QByteArray header = device->peek(8);
    if (header.size() < 8 || !named(header))
        return false;
    const qint64 size = le32(header.constData() + 4);
    const qint64 end = 8 + size + (size & 1);
    if (end == remaining || end - (size & 1) == remaining)
        return true;
    if (end + 8 > remaining)
        return false;
    const qint64 here = device->pos();
    const bool next = device->seek(here + end) && named(device->peek(8));
    device->seek(here);
    return next;
}

// What the sound server takes: at most 32 channels, at most 384 kHz.
constexpr int kMostChannels = 32;
constexpr int kHighestRate = 384000;

const QString kNotASoundFile = QStringLiteral("it is not a sound file");
const QString kDamaged = QStringLiteral("the WAV file is damaged or cut short");

} // namespace

SoundFile SoundFile::inspect(const QString &path)
{
    SoundFile sound;
    // Looking at the name never blocks; opening a FIFO or a device could.
    const QFileInfo info(path);
    QFile file;
    QString problem;
    if (!info.exists())
        sound.m_problem = QStringLiteral("the file cannot be found");
    else if (info.isDir())
        sound.m_problem = QStringLiteral("it is a folder, not a sound file");
    else if (!info.isFile())
        sound.m_problem = kNotASoundFile;
    else if (info.size() == 0)
        sound.m_problem = QStringLiteral("the file is empty");
    else if (!openForReading(file, path, &problem))
        sound.m_problem = problem;
    else
        sound = inspect(&file);
    sound.m_path = path;
    return sound;
}

bool SoundFile::openForReading(QFile &file, const QString &path, QString *problem)
{
    file.close();
    const QByteArray name = QFile::encodeName(path);
    // A FIFO is never opened, not even without waiting: a writer waiting on it would be let go
    // to write to no one. The open cannot wait, and the look after it catches a FIFO put in
    // place in between.
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        *problem = kNotASoundFile;
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *problem = QStringLiteral("the file cannot be read: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        *problem = kNotASoundFile;
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *problem = QStringLiteral("the file cannot be read: %1").arg(file.errorString());
        return false;
    }
    return true;
}

SoundFile SoundFile::inspect(QIODevice *device)
{
    SoundFile sound;
    char riff[12];
    if (!device || device->read(riff, 12) != 12 || memcmp(riff, "RIFF", 4) != 0
        || memcmp(riff + 8, "WAVE", 4) != 0) {
        sound.m_problem = QStringLiteral("it is not a WAV sound file");
        return sound;
    }
    bool haveFormat = false;
    while (!device->atEnd()) {
        char header[8];
        if (device->read(header, 8) != 8)
            break;
        const quint32 size = le32(header + 4);
        if (memcmp(header, "fmt ", 4) == 0) {
            char format[40] = {};
            const qint64 wanted = qMin<qint64>(size, sizeof format);
            if (size < 16 || device->read(format, wanted) != wanted
                || !skip(device, qint64(size) - wanted + (size & 1)))
                break;
            if (!sound.readFormat(format, size))
                return sound;
            haveFormat = true;
        } else if (memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                break;
            // A writer that streamed the file may have left the size unset or too large; the
            // samples then run to the end of the file.
            const qint64 remaining = qMax<qint64>(device->size() - device->pos(), 0);
            const qint64 frame = qint64(sound.m_channels) * sound.m_bitsPerSample / 8;
            sound.m_dataOffset = device->pos();
            // Left at 0, the size is followed by samples rather than by another chunk.
            const bool unset = size == 0 && !chunkFollows(device, remaining);
            sound.m_dataBytes = (unset ? remaining : qMin<qint64>(size, remaining)) / frame * frame;
            // Such writers put 0 or a size of 2 GB or more there. A smaller size is what the
            // writer wrote: with any of it missing, the file was cut short.
            sound.m_cutShort = size != 0 && size < kStreamedSize && size > remaining;
            if (sound.m_dataBytes == 0)
                sound.m_problem = QStringLiteral("the WAV file holds no sound");
            return sound;
        } else if (!skip(device, qint64(size) + (size & 1))) {
            break;
        }
    }
    sound.m_problem = kDamaged;
    return sound;
}

bool SoundFile::readFormat(const char *format, quint32 size)
{
    quint16 code = le16(format);
    // The extensible format carries the real code in the first two bytes of its sub-format; one
    // cut short of it says nothing of its samples.
    if (code == kExtensible) {
        if (size < 40) {
            m_problem = kDamaged;
            return false;
        }
        code = le16(format + 24);
    }
    m_channels = le16(format + 2);
    m_sampleRate = int(qMin<quint32>(le32(format + 4), INT_MAX));
    m_bitsPerSample = le16(format + 14);

    const int bits = m_bitsPerSample;
    if (code == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32))
        m_encoding = Encoding::Integer;
    else if (code == kFloat && bits == 32)
        m_encoding = Encoding::Float;
    else if ((code == kALaw || code == kMuLaw) && bits == 8)
        m_encoding = code == kALaw ? Encoding::ALaw : Encoding::MuLaw;
    else if (code == kPcm || code == kFloat)
        m_problem = QStringLiteral("its %1-bit samples cannot be played; save it with 16-bit "
                                   "samples")
                            .arg(bits);
    else
        m_problem = QStringLiteral("it is compressed (WAV format 0x%1); save it as uncompressed "
                                   "PCM")
                            .arg(code, 4, 16, QLatin1Char('0'));
    if (m_problem.isEmpty() && (m_channels < 1 || m_channels > kMostChannels))
        m_problem = QStringLiteral("it has %1 channels; a sound has 1 to %2")
                            .arg(m_channels)
                            .arg(kMostChannels);
    // Told as the file has it, not as held to the largest number kept.
    if (m_problem.isEmpty() && (m_sampleRate < 1 || m_sampleRate > kHighestRate))
        m_problem = QStringLiteral("its rate of %1 samples a second cannot be played")
                            .arg(le32(format + 4));
    return m_problem.isEmpty();
}

QString SoundFile::refusal() const
{
    return m_problem.isEmpty() && m_cutShort ? kDamaged : m_problem;
}

qint64 SoundFile::nanoseconds() const
{
    const qint64 bytesPerSecond = qint64(m_sampleRate) * m_channels * m_bitsPerSample / 8;
    if (!canPlay() || bytesPerSecond <= 0)
        return 0;
    return (m_dataBytes * 1000000000 + bytesPerSecond - 1) / bytesPerSecond;
}
