#pragma once

#include "bout.h"
#include "commandtable.h"
#include "digitentry.h"
#include "keyrepeats.h"
#include "scoreboarddesign.h"
#include "soundplayer.h"

#include <QLocale>
#include <QTime>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <optional>

class AudienceBoard;
class BoardView;
class BoutJournal;
class JournalSession;
class MMControl;
class LiveFeed;
class Notice;
class PictureReturnWatch;
class QTimer;
struct SettingsModel;

// The scoreboard: the program's main window once the start-up window is gone. It shows the bout it
// owns and turns every key into a command or typed entry on it; the bout's sounds it plays through
// mmcBuzzer, one at a time. The audience board, a child, follows the same bout on the same tick.
class frmScoreboard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmScoreboard)
    Q_PROPERTY(bool ClockTime READ ClockTime WRITE setClockTime)
    Q_PROPERTY(bool SuppressedPeriodSound READ SuppressedPeriodSound WRITE setSuppressedPeriodSound)
    Q_PROPERTY(bool BuzzerPlaying READ BuzzerPlaying)
    Q_PROPERTY(double JamResetValue READ JamResetValue)
    Q_PROPERTY(double PeriodResetValue READ PeriodResetValue)
    Q_PROPERTY(bool JamEndSignalled READ JamEndSignalled)
    Q_PROPERTY(bool PeriodEndSignalled READ PeriodEndSignalled)

public:
    // How long the board tells that the settings file could not be read.
    static constexpr int SettingsProblemSeconds = 30;

    explicit frmScoreboard(QWidget *parent = nullptr);
    ~frmScoreboard() override;

    // A key pressed with no display selected.
    Q_INVOKABLE void AllKeyCode(int keyCode);
    Q_INVOKABLE void AllKeyUp(int keyCode, int shift);
    Q_INVOKABLE void UpdateNumLock();
    Q_INVOKABLE int KeyCodeToAsci(int keyCode) const;
    Q_INVOKABLE void Buzzer(const QString &fileName) { m_sound->play(fileName); }
    Q_INVOKABLE void ObjectSelected(QWidget *selected);
    Q_INVOKABLE void RefreshTime();
    Q_INVOKABLE void UpdateLabels();
    Q_INVOKABLE void UpdateFormColors();

    bool ClockTime() const { return m_bout->clockTime(); }
    void setClockTime(bool on) { m_bout->setClockTime(on); }
    bool SuppressedPeriodSound() const { return m_bout->suppressedPeriodSound(); }
    void setSuppressedPeriodSound(bool held) { m_bout->setSuppressedPeriodSound(held); }
    bool BuzzerPlaying() const { return m_sound->isPlaying(); }
    double JamResetValue() const { return m_bout->jamResetValue(); }
    double PeriodResetValue() const { return m_bout->periodResetValue(); }
    bool JamEndSignalled() const { return m_bout->jamEndSignalled(); }
    bool PeriodEndSignalled() const { return m_bout->periodEndSignalled(); }

    Bout *bout() const { return m_bout; }
    LiveFeed *feed() const { return m_feed; }
    // Keeps the bout in the journal from now on, starting from the bout it holds. Called once,
    // before the board is first shown.
    void keepIn(BoutJournal *journal);
    // Asks, and starts a new bout if the operator confirms: with a question box while every
    // clock is stopped, else on the board, where the New Bout key pressed again confirms.
    Q_INVOKABLE void NewBout();
    static QString newBoutAskedText(int newBoutKey);
    void startNewBout();
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Takes the new-bout question off the board if it shows; true if it did.
    bool dropNewBoutQuestion();
    void tellKeptTime(std::initializer_list<Bout::Item> clocks);
    void tellInPassing(const QString &text);
    void dropPassingWords();
    // Takes the notice off the board if it still says text; true if it did.
    bool dropNotice(const QString &text);
    // The pictures' files, for their return to be told to both boards.
    void watchPictures();
    void Form_Load();
    // The bout's clock options and the board's looks from the settings as they now stand.
    void followSettings(const SettingsModel &now);
    // The board laid out with or without the game flow, as the settings now ask.
    void followLayout(const SettingsModel &now);
    // A display's focus, keys and typing, for the display that shows shown.
    void connectDisplay(SegmentDisplay *display, Bout::Item shown);
    // A key pressed with the display that shows selected in focus, or with none.
    void keyDown(int keyCode, std::optional<Bout::Item> selected);
    void run(Command command, std::optional<Bout::Item> selected);
    void showHelp();
    void showOptions();

    ScoreboardUi m_ui;
    // The sound device, mmcBuzzer, and the refresh cycle's clock, tmrClock1: the window's own
    // children, beside the design.
    MMControl *m_buzzer = nullptr;
    QTimer *m_clock = nullptr;
    Bout *m_bout = nullptr;
    BoardView *m_view = nullptr;
    SoundPlayer *m_sound = nullptr;
    Notice *m_notice = nullptr;
    // Keeps the bout in the journal, when keepIn() gave one.
    JournalSession *m_session = nullptr;
    AudienceBoard *m_audience = nullptr;
    // Brings back a picture whose file was missing when it was last fitted.
    PictureReturnWatch *m_pictures = nullptr;
    // The bout for browsers, when the settings turn the feed on.
    LiveFeed *m_feed = nullptr;
    // What has been typed on this board's displays.
    DigitEntry m_entry;
    // Whether the key being handled is a repeat of a key held down.
    bool m_keyRepeats = false;
    KeyRepeats m_repeats;
    // Words about the last key, while the notice may still say them.
    QString m_passingWords;
    bool m_shownOnce = false;
    bool m_loaded = false;
};
