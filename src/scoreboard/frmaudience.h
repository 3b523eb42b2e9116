#pragma once

#include "scoreboarddesign.h"

#include <QLocale>
#include <QTime>
#include <QWidget>

#include <functional>

class Bout;
class BoardView;
class QScreen;

// The audience board: the scoreboard's design again, full-screen and borderless on a screen of its
// own, showing the same bout through a view of its own. It takes no keyboard and no mouse focus
// and shows no cursor and no selection frame; the operator's window keeps the keyboard. Its
// displays carry the scoreboard's names. It does not refresh itself: the scoreboard's tick
// refreshes both boards together, so that they never disagree by a frame.
class frmAudience final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAudience)
    Q_PROPERTY(QString ScreenName READ ScreenName)

public:
    // keyboardOwner is the window that is handed back the activation should a window manager
    // give it to the audience board all the same.
    frmAudience(const Bout *bout, QWidget *keyboardOwner);

    // Fills screen, full-screen, without taking the activation.
    void showOn(QScreen *screen);
    QString ScreenName() const;

    void RefreshTime();
    // Lays the board out with or without the game flow, as the settings now ask.
    void followLayout();
    void UpdateLabels();
    void UpdateFormColors();
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

signals:
    // The texts and pictures were read from the settings again.
    void labelsApplied();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    ScoreboardUi m_ui;
    BoardView *m_view = nullptr;
    QWidget *m_keyboardOwner = nullptr;
};
