#include "soundeffectbackend.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

SoundEffectBackend::SoundEffectBackend(QObject *parent)
    : SoundBackend(parent)
    , m_effect(new QSoundEffect(this))
{
    connect(m_effect, &QSoundEffect::playingChanged, this, &SoundEffectBackend::effectChanged);
    connect(m_effect, &QSoundEffect::statusChanged, this, &SoundEffectBackend::effectChanged);
}

SoundEffectBackend::~SoundEffectBackend()
{
    m_active = false;
    m_effect->stop();
}

bool SoundEffectBackend::open(const QString &path)
{
    stop();
    m_effect->setSource(QUrl::fromLocalFile(path));
    return QFileInfo(path).isFile();
}

bool SoundEffectBackend::play()
{
    stop();
    // Without an output device (no sound card, no sound server) the effect would accept the play
    // and never end it.
    if (QMediaDevices::defaultAudioOutput().isNull() || m_effect->source().isEmpty()
        || m_effect->status() == QSoundEffect::Error)
        return false;
    m_active = true;
    m_started = false;
    m_effect->play();
    return true;
}

void SoundEffectBackend::stop()
{
    m_active = false;
    m_effect->stop();
}

void SoundEffectBackend::close()
{
    stop();
    m_effect->setSource(QUrl());
}

void SoundEffectBackend::effectChanged()
{
    if (!m_active)
        return;
    // A file that turns out unreadable while loading ends the play that waited for it.
    if (m_effect->status() == QSoundEffect::Error) {
        m_active = false;
        emit finished();
        return;
    }
    if (m_effect->isPlaying()) {
        m_started = true;
    } else if (m_started) {
        m_active = false;
        emit finished();
    }
}
