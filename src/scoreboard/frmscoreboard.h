#pragma once

#include <QLocale>
#include <QTime>
#include <QWidget>

#include <array>
#include <functional>

class MMControl;
class NumberLED;
class QTimer;
class TimeKeeper;
class TimeLED;

// The scoreboard: the program's main window from the moment the start-up window is gone. It
// keeps the six clocks, turns every key into a command or typed entry, and sounds the buzzer.
class frmScoreboard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmScoreboard)
    Q_PROPERTY(bool ClockTime MEMBER m_clockTime)
    Q_PROPERTY(bool SuppressedPeriodSound MEMBER m_suppressedPeriodSound)
    Q_PROPERTY(bool BuzzerPlaying READ BuzzerPlaying)
    Q_PROPERTY(double JamResetValue READ JamResetValue)
    Q_PROPERTY(double PeriodResetValue READ PeriodResetValue)
    Q_PROPERTY(bool JamEndSignalled READ JamEndSignalled)
    Q_PROPERTY(bool PeriodEndSignalled READ PeriodEndSignalled)

public:
    explicit frmScoreboard(QWidget *parent = nullptr);
    ~frmScoreboard() override;

    Q_INVOKABLE void AllKeyCode(int keyCode);
    Q_INVOKABLE void AllKeyUp(int keyCode, int shift);
    Q_INVOKABLE void UpdateNumLock();
    Q_INVOKABLE int KeyCodeToAsci(int keyCode) const;
    Q_INVOKABLE void Buzzer(const QString &fileName);
    Q_INVOKABLE void ObjectSelected(QWidget *selected);
    Q_INVOKABLE void RefreshTime();
    Q_INVOKABLE void UpdateLabels();
    Q_INVOKABLE void UpdateFormColors();

    bool BuzzerPlaying() const { return m_buzzerPlaying; }
    double JamResetValue() const;
    double PeriodResetValue() const;
    bool JamEndSignalled() const { return m_jamEndSignalled; }
    bool PeriodEndSignalled() const { return m_periodEndSignalled; }

    // The time of day and the locale whose time format the period display follows in
    // time-of-day mode; replaceable so that tests need not wait for a particular hour.
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct PenaltyClock
    {
        TimeLED *display = nullptr;
        TimeKeeper *engine = nullptr;
    };

    void Form_Load();
    void connectDisplays();
    void mmcBuzzer_Done();

    // Commands of the dispatcher.
    void toggleJam();
    void togglePeriod();
    void resetJam();
    void resetPeriod();
    void showHelp();
    void showOptions();
    void setPenaltiesRunning(bool running);

    // Key-down handling of the selected display.
    void numberDisplay_KeyDown(NumberLED *display, int keyCode, qint16 max);
    void tledJam_KeyDown(int keyCode);
    void tledPeriod_KeyDown(int keyCode);
    void penaltyDisplay_KeyDown(const PenaltyClock &clock, int keyCode);

    bool m_clockTime = false;
    bool m_suppressedPeriodSound = false;
    bool m_buzzerPlaying = false;
    bool m_jamEndSignalled = false;
    bool m_periodEndSignalled = false;
    bool m_shownOnce = false;
    qint64 m_jamResetTicks = 0;
    qint64 m_periodResetTicks = 0;

    std::function<QTime()> m_now;
    QLocale m_timeLocale = QLocale::system();

    TimeKeeper *m_tkPeriod = nullptr;
    TimeKeeper *m_tkJam = nullptr;
    TimeLED *m_tledPeriod = nullptr;
    TimeLED *m_tledJam = nullptr;
    NumberLED *m_nledHomeScore = nullptr;
    NumberLED *m_nledVisitorScore = nullptr;
    NumberLED *m_nledPeriod = nullptr;
    std::array<PenaltyClock, 4> m_penalties; // home 1, home 2, visitor 1, visitor 2
    QWidget *m_selectionFrame = nullptr;
    MMControl *m_mmcBuzzer = nullptr;
    QTimer *m_tmrClock1 = nullptr;
};
