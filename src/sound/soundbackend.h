#pragma once

#include <QObject>

class SoundFile;

// What the media control needs from the thing that makes the sound: open a file, play it from
// the start in the background, stop, close. MMControl keeps the time itself; the backend only
// has to say when a play it started has ended early or failed, and whether the sound server
// took it.
class SoundBackend : public QObject
{
    Q_OBJECT

public:
    explicit SoundBackend(QObject *parent = nullptr)
        : QObject(parent)
    { }
    Q_DISABLE_COPY_MOVE(SoundBackend)

    // False when the file cannot be opened for playing.
    virtual bool open(const SoundFile &sound) = 0;
    // Starts the open file from its beginning. False when the play cannot start.
    virtual bool play() = 0;
    // Ends a play under way; never reports finished() for it.
    virtual void stop() = 0;
    virtual void close() = 0;
    // The play last started is not yet taken by the sound server, which has not yet been given
    // up on either: its sound has not begun.
    virtual bool playPending() const { return false; }

signals:
    // The play last started has ended, by reaching its end or by failing after it started.
    void finished();
    // The sound server took the play last started (true), or could not be reached, left it
    // unanswered, refused its samples or went away during it (false: the play has ended, and
    // finished() is not reported for it). Never raised inside a call of the control's; raised
    // with false also when no play is under way, for a server found silent afterwards.
    void serverAnswered(bool answers);
    // The sound server answered, but has nothing to play the play last started on: no output at
    // all, or the one it was playing on was taken away (a USB sound interface unplugged). The
    // play has ended, and finished() is not reported for it.
    void noOutput();
};
