#include "soundplayer.h"

#include "mmcontrol.h"

#include <QFileInfo>

SoundPlayer::SoundPlayer(MMControl *device, QObject *parent)
    : QObject(parent)
    , m_device(device)
{
    connect(device, &MMControl::Done, this, &SoundPlayer::mmcBuzzer_Done);
}

void SoundPlayer::play(const QString &fileName)
{
    if (fileName.isEmpty() || m_playing)
        return;
    // A missing file plays nothing, silently; a folder or pipe by that name goes to the device,
    // which tells the board it cannot play it.
    const QFileInfo file(fileName);
    if (!file.exists() || file.isHidden())
        return;
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
