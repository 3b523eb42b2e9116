#include "soundplayer.h"

#include "mmcontrol.h"

#include <QFileInfo>

namespace {

// A missing file plays nothing, silently; a folder or pipe by that name goes to the device,
// which tells the board it cannot play it. A name starting with a dot is a file like any other.
bool wanted(const QString &fileName)
{
    return !fileName.isEmpty() && QFileInfo::exists(fileName);
}

} // namespace

SoundPlayer::SoundPlayer(MMControl *device, QObject *parent)
    : QObject(parent)
    , m_device(device)
{
    connect(device, &MMControl::Done, this, &SoundPlayer::mmcBuzzer_Done);
}

void SoundPlayer::play(const QString &fileName)
{
    if (!m_playing && wanted(fileName))
        start(fileName);
}

void SoundPlayer::playSignal(const QString &fileName)
{
    if (!wanted(fileName))
        return;
    // The stop ends the play with its Done, which clears m_playing before the signal starts.
    if (m_playing)
        m_device->setCommand(QStringLiteral("Stop"));
    start(fileName);
}

void SoundPlayer::start(const QString &fileName)
{
    if (m_device->fileName() != fileName) {
        m_device->setCommand(QStringLiteral("Close"));
        m_device->setFileName(fileName);
        m_device->setCommand(QStringLiteral("Open"));
    }
    m_playing = true;
    m_device->setCommand(QStringLiteral("Play"));
}

void SoundPlayer::close(bool always)
{
    if (always || !m_device->fileName().isEmpty())
        m_device->setCommand(QStringLiteral("Close"));
}

void SoundPlayer::mmcBuzzer_Done()
{
    // Rewound, so that the next play of the same file starts from the beginning.
    m_device->setCommand(QStringLiteral("Stop"));
    m_device->setCommand(QStringLiteral("Prev"));
    m_playing = false;
}
