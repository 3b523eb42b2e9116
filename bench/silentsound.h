#pragma once

#include "soundbackend.h"

// A sound device that plays nothing, so that a benchmark measures the board and not the sound
// server, and sounds nobody.
class SilentSound final : public SoundBackend
{
public:
    bool open(const SoundFile &) override { return false; }
    bool play() override { return false; }
    void stop() override { }
    void close() override { }
};
