#pragma once

#include "soundbackend.h"

#include <QStringList>

// Stands in for the sound device: records what the media control asks of it ("open NAME",
// "play", "stop", "close"), opens what the file reader could read, and plays unless told not to.
// reportEnd() and answer() raise what a device would.
class RecordingSound final : public SoundBackend
{
public:
    bool open(const SoundFile &sound) override;
    bool play() override;
    void stop() override { calls << "stop"; }
    void close() override { calls << "close"; }
    void reportEnd() { emit finished(); }
    void answer(bool answers) { emit serverAnswered(answers); }

    QStringList calls;
    bool canPlay = true;
};
