#pragma once

#include <QAbstractNativeEventFilter>

// Closes a window of the program whose X window another program destroyed (xdotool windowclose,
// a session tool): Qt would otherwise keep the window alive unseen. Closed this way, the
// scoreboard ends the program as when the operator closes it, rather than leaving an invisible
// program that still sounds the buzzer. Does nothing on other window systems.
class DestroyedWindowWatch final : public QAbstractNativeEventFilter
{
public:
    DestroyedWindowWatch() = default;
    Q_DISABLE_COPY_MOVE(DestroyedWindowWatch)

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
};
