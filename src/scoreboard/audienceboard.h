#pragma once

#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QTime>
#include <QTimer>

#include <functional>

class Bout;
class QScreen;
struct SettingsModel;
class QWidget;
class frmAudience;

// Keeps the audience board on the screen the operator chose, by the name Qt gives the screen:
// opens it there while the screen is connected and the board is wanted, closes it when the screen
// goes and opens it again when a screen of that name comes back. Neither ever touches the bout. A
// chosen screen that is not connected opens nothing and waits for it quietly.
class AudienceBoard final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudienceBoard)
    Q_PROPERTY(QString ScreenName READ screenName)
    Q_PROPERTY(bool Wanted READ wanted)

public:
    // How long the operator's board rests after a move (a drag ended) before it is put back
    // off the open board.
    static constexpr int MovedRestMs = 300;

    AudienceBoard(const Bout *bout, QWidget *operatorWindow);
    ~AudienceBoard() override;

    QString screenName() const { return m_screenName; }
    // A new name, the empty one (none) included, makes the board wanted again.
    void setScreenName(const QString &name);
    bool wanted() const { return m_wanted; }
    // The operator's key: hides a shown board, shows a hidden one. While the chosen screen is
    // not connected the key cannot do either: the board stays wanted, to open when the screen
    // comes back, and the operator is told so.
    void toggle();
    // The board while it is open.
    frmAudience *window() const;

    // The open board's texts and pictures again, as the settings give them.
    void updateLabels();
    // The scoreboard's tick, passed on to the open board.
    void refresh();
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

    // Moves a window of the operator's (help, Options, a question) that lies over the open board
    // beside the operator's board, or to the middle of the operator's screen, no larger than
    // that screen. Any window of the program moved or stretched over the open board goes back
    // so once it has come to rest: dragged onto the projector, it would cover the crowd's board.
    void keepOff(QWidget *window) const;

signals:
    // Something the operator's key could not do, for the board to tell.
    void problem(const QString &text);
    // What problem() told is so no longer: the board opened.
    void problemGone(const QString &text);
    // The open board read its texts and pictures from the settings again.
    void labelsApplied();

protected:
    // The operator's board showing (the first time) opens the board on the screen the settings
    // name; any window of the program moved or stretched sets keepWindowsOff() going.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens or closes the board as it is wanted and its screen connected, and moves the
    // operator's windows off it.
    void follow();
    // The operator's windows that lie over the open board moved to the operator's screen.
    void keepWindowsOff();
    // Each of the operator's windows told the screen it stands on. As screens come and go Qt
    // moves a window's screen to one that is left and back no more, though the window has not
    // moved: the operator's own screen plugged in again would leave Options and questions
    // opening on the projector.
    void matchScreensToPlaces() const;
    // The chosen screen, connected but the only one: the board there would cover the operator's.
    bool chosenScreenAlone() const;
    QString aloneText() const;
    // Tells aloneText(), and remembers it for when it is so no longer.
    void tellAlone();
    // The screen from the settings as they now stand, and the open board's looks.
    void followSettings(const SettingsModel &now);
    void screenRemoved(QScreen *screen);
    QScreen *chosenScreen() const;
    QScreen *operatorScreen() const;
    // Beside the operator's board, or in the middle of the operator's screen, no larger than it.
    void placeOnOperatorScreen(QWidget *window) const;

    const Bout *m_bout;
    QWidget *m_operator;
    QString m_screenName;
    // The words last told of why the board does not show (its screen alone, or not connected),
    // while they are still so: they go when it shows.
    QString m_toldWaiting;
    // The board is wanted but its screen leaves the operator no room, as last seen: told as it
    // comes to be so, at start or as screens come and go.
    bool m_waitsAlone = false;
    bool m_wanted = true;
    QPointer<frmAudience> m_window;
    QPointer<QScreen> m_openedOn;
    std::function<QTime()> m_now;
    QLocale m_timeLocale;
    // A window of the program moved or resized, until it has been still for MovedRestMs.
    QTimer m_moved;
};
