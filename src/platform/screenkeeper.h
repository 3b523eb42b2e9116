#pragma once

#include <QObject>

#include <optional>

class QTimer;
class QWidget;

// Keeps the screens on while a window is shown. A projector blanked at halftime, or a desktop
// that locks the screen or suspends the PC after some minutes without a key, would take the board
// from the crowd. The desktop is asked over D-Bus (org.freedesktop.ScreenSaver, which GNOME and
// KDE answer) to hold its screen saver and its idle suspend; on X11 the X server's idle time is
// reset in good time, which puts off its own screen saver and display power saving and those of
// desktops that watch it (Xfce's). The hold is let go when the window hides or goes, and by the
// desktop when the program ends.
class ScreenKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenKeeper)
    Q_PROPERTY(bool Held READ isHeld)

public:
    // Follows window, shown or hidden, and belongs to it.
    explicit ScreenKeeper(QWidget *window);
    ~ScreenKeeper() override;

    bool isHeld() const { return m_held; }

    // The longest wait between two resets of the X server's idle time: a third of its screen
    // saver's timeout, and never more than this, for the display power saving and the desktop's
    // own idle time, which it does not tell, and for a timeout shortened meanwhile (by a power
    // profile or a hot key) or a screen saver put on by another program, either of which would
    // blank the board until the next reset.
    static constexpr int LongestResetMilliseconds = 1000;
    // How soon after the window shows the desktop is asked and the X server's idle time first
    // reset.
    static constexpr int AskAfterMilliseconds = 1000;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHeld(bool held);
    void askDesktop();
    // The desktop's hold, or none when it did not give one.
    void desktopAnswered(std::optional<uint> cookie);
    void letDesktopGo();
    // Resets the X server's idle time and sets the next reset; does nothing off X11.
    void resetIdle();

    QWidget *const m_window;
    QTimer *const m_reset;
    bool m_held = false;
    bool m_asking = false;
    std::optional<uint> m_cookie; // the desktop's hold
};
