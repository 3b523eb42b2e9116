#include "recordingsound.h"

#include "soundfile.h"

#include <QFileInfo>

bool RecordingSound::open(const SoundFile &sound)
{
    calls << "open " + QFileInfo(sound.path()).fileName();
    return sound.canPlay();
}

bool RecordingSound::play()
{
    calls << "play";
    return canPlay;
}
