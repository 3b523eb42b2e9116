#pragma once

#include "soundbackend.h"

class QSoundEffect;

// Plays through Qt Multimedia's QSoundEffect: uncompressed .wav, low latency, no decoder
// process behind it.
class SoundEffectBackend final : public SoundBackend
{
    Q_OBJECT

public:
    explicit SoundEffectBackend(QObject *parent = nullptr);
    ~SoundEffectBackend() override;

    bool open(const QString &path) override;
    bool play() override;
    void stop() override;
    void close() override;

private:
    void effectChanged();

    QSoundEffect *m_effect = nullptr;
    // True from a play() until its end is reported or it is stopped, so that the effect's late
    // notices about an earlier play are not taken for the end of this one.
    bool m_active = false;
    bool m_started = false;
};
