#pragma once

#include <QObject>
#include <QString>

class MMControl;

// Plays the board's sounds on its media control, one at a time: a request that arrives while a
// sound plays is dropped, not queued, except for the board's own end-of-jam and end-of-period
// signals, which cut the sound under way short. The device stays open on a file between plays
// and is reopened only for another file.
class SoundPlayer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SoundPlayer)

public:
    SoundPlayer(MMControl *device, QObject *parent);

    // An empty name is how a sound is switched off; a missing file plays nothing, silently.
    void play(const QString &fileName);
    // As play(), but a sound under way is stopped for it rather than it being dropped.
    void playSignal(const QString &fileName);
    // From the start of a play until the device reports its end.
    bool isPlaying() const { return m_playing; }
    // Closes the device if it holds a file, or whatever it holds when always is set.
    void close(bool always);

private:
    void start(const QString &fileName);
    void mmcBuzzer_Done();

    MMControl *m_device;
    bool m_playing = false;
};
