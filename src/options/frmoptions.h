#pragma once

#include "commandtable.h"
#include "settingsmodel.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class ColorSwatch;
class Facetra;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTabWidget;
class frmChooseKey;
class Image;
class PictureBox;
class ScrollingPage;

// The Options window. It edits a working copy of the program's settings, taken afresh at every
// opening, and hands it back to them only on OK, which also writes the whole store and applies a
// forced NumLock mode. Cancel and the close box drop the copy.
class frmOptions final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOptions)

public:
    explicit frmOptions(QWidget *parent = nullptr);

    // Shown fitted to the screen it opens on (fitToScreen).
    void setVisible(bool visible) override;
    // Opens beside board, on the side of the screen with more room, so that the board stays in
    // view while its clocks run; where that room is too narrow, at the screen's edge on that side.
    void keepClearOf(const QWidget *board) { m_board = board; }
    // What the board told of the live feed not being able to use its port, while it cannot:
    // shown under the addresses for as long as the port chosen is the one the feed tries.
    void tellFeedTrouble(const QString &text);

    // The working copy's sound and picture paths (empty: none) and the ten key codes. The
    // key-capture dialog checks a new key against all ten.
    QString BuzzTemp;
    QString PeriodEndSoundTemp;
    QString HomePicTemp;
    QString VisitorPicTemp;
    QString BoardPicTemp;
    qint16 StartStopJamClockKeyTemp = 0;
    qint16 ResetJamClockKeyTemp = 0;
    qint16 StartStopPeriodClockKeyTemp = 0;
    qint16 ResetPeriodClockKeyTemp = 0;
    qint16 ClockSwitchKeyTemp = 0;
    qint16 SepTimeKeyTemp = 0;
    qint16 ClearKeyTemp = 0;
    qint16 BuzzerKeyTemp = 0;
    qint16 PeriodEndSoundKeyTemp = 0;
    qint16 PenaltyIncrementSecKeyTemp = 0;

    // The working copy as the window holds it now: what OK hands back.
    SettingsModel edited() const;

    static QString KeyCodeToStr(int keyCode);
    void UpdateBuzzerCaption();
    void UpdatePeriodEndSoundCaption();

    // The text a sound's file label shows for a path: the path itself up to 50 characters, else
    // its first 25 characters, " ...", the platform's folder separator and the file's bare name if
    // the file exists now.
    static QString soundFileCaption(const QString &path);
    // The question asked before a new bout clears the board, from the button or the board's key.
    static QString newBoutQuestion();

    // Everything that would open a dialog of its own goes through these, so that tests can answer
    // in place of the operator. The defaults open the platform's dialogs.
    // The colour picked, or nothing when the picker was cancelled.
    std::function<std::optional<qint32>(QWidget *parent)> chooseColor;
    // The file chosen with a Qt name filter, or an empty text when cancelled.
    std::function<QString(QWidget *parent, const QString &filter)> chooseFile;
    // True only for Yes.
    std::function<bool(QWidget *parent, const QString &title, const QString &question)> askYesNo;
    std::function<void(QWidget *parent, const QString &title, const QString &text)> tell;
    // Runs the key-capture dialog until it closes.
    std::function<void(frmChooseKey &dialog)> runChooseKey;
    std::function<void(bool on)> setNumLock;

signals:
    // The operator confirmed a new bout with the button; the board clears itself at once. The
    // button is enabled only where a board listens.
    void newBoutConfirmed();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    // The most characters the operator can type into the title and into a team name.
    static constexpr int kTitleLength = 25;
    static constexpr int kTeamNameLength = 20;
    // The least height and width a tab page is given on a small screen, in pixels.
    static constexpr int kLeastPageHeight = 160;
    static constexpr int kLeastPageWidth = 240;
    // The height a desktop's title bar and frame take at least, and the width of the frame's
    // sides, in pixels, for the window's fit.
    static constexpr int kLeastFrameHeight = 40;
    static constexpr int kLeastFrameWidth = 8;

    // One of the ten assignable commands: its button, the label naming its key and the working
    // copy's variable.
    struct KeyCommand
    {
        qint16 *variable = nullptr;
        QPushButton *button = nullptr;
        QLabel *label = nullptr;
    };
    struct SoundGroup
    {
        QString frmOptions::*path = nullptr;
        // The command that plays it. "Change Sound ..." gives a sound without a key the
        // command's default key, unless another command holds it.
        Command command = Command::Buzzer;
        QLabel *fileLabel = nullptr;
        QPushButton *change = nullptr;
        QPushButton *none = nullptr;
    };
    struct PicturePreview
    {
        QString frmOptions::*path = nullptr;
        PictureBox *container = nullptr;
        Image *image = nullptr;
        // A picture just chosen is still being read: whether it is one is not yet known.
        bool checking = false;
    };

    void buildKeyControls(QWidget *tab);
    void buildColorControls(QWidget *tab);
    void buildTextControls(QWidget *tab);
    void buildPictures(QWidget *tab);
    void buildAdditionalSettings(QWidget *tab);
    void buildGameFlow(QWidget *tab);
    // The game flow's numbers as the spin boxes hold them; a message naming what is out of its
    // range, or "" when all are in range.
    QString gameFlowProblem() const;
    QWidget *buildAudienceBoard(QWidget *tab);
    void fillAudienceScreens(const QString &chosen);
    QWidget *buildLiveFeed(QWidget *tab);
    void showFeedAddresses();
    QLabel *newKeyLabel(const char *name);
    QPushButton *newButton(const char *name, const QString &caption, void (frmOptions::*handler)());

    // Gives the pages as much height as the screen leaves; on a screen too short for the whole
    // window the tallest pages scroll, so that every control and the buttons stay on it.
    void fitToScreen();
    void placeBesideBoard();
    // What the window manager adds around the window, taken to be as around the window beneath.
    QSize frameAllowance() const;
    void Form_Load();
    // The keys go to Ok as the window is shown and each time the key-capture dialog closes. A
    // colour, picture or question window leaves them on the button that opened it.
    void Form_Activate();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdResetKeys_Click();
    void cmdResetColors_Click();
    void cmdNewBout_Click();
    void chooseNewBoutKey();
    QList<int> heldKeys() const;
    KeyCommand &keyCommand(Command command) { return m_keys[std::size_t(command)]; }
    const KeyCommand &keyCommand(Command command) const { return m_keys[std::size_t(command)]; }
    void chooseKeyFor(Command command);
    void setKey(Command command, qint16 keyCode);
    bool keyHeldByAnother(qint16 keyCode, Command command) const;
    void separateSharedKeys();
    void changeColor(ColorSwatch *swatch);
    void changePicture(PicturePreview &preview);
    void clearPicture(PicturePreview &preview);
    void showPicture(PicturePreview &preview);
    // Ok waits for the pictures still being read: it goes on once they are found good, and is
    // given up on when one is refused.
    void pictureChecked(bool shown);
    bool picturesBeingChecked() const;
    void changeSound(SoundGroup &group);
    void noSound(SoundGroup &group);
    void updateSoundCaption(SoundGroup &group);
    void scrLEDSelectedWidth_Change(int value);
    void vsPenaltyIncrement_Change(int value);
    void cmbLedType_Click(int index);

    QTabWidget *m_SSTab1 = nullptr;
    // The tabs' pages, in tab order; each scrolls when the screen is too short for it.
    QList<ScrollingPage *> m_pages;
    const QWidget *m_board = nullptr;
    QPushButton *m_cmdOk = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QPushButton *m_cmdNewBout = nullptr;
    QLabel *m_lblNewBoutKey = nullptr;

    std::array<ColorSwatch *, 9> m_swatches {}; // in the order of the colour table
    QScrollBar *m_scrLEDSelectedWidth = nullptr;
    QLabel *m_lblLEDSelectedWidthValue = nullptr;

    std::array<KeyCommand, std::tuple_size_v<CommandTable>> m_keys {}; // in the table's order
    QRadioButton *m_optNormal = nullptr;
    QRadioButton *m_optKeepOn = nullptr;
    QRadioButton *m_optKeepOff = nullptr;
    QCheckBox *m_chkJoinJamPenalty = nullptr;
    QCheckBox *m_chkSuppressPeriodSound = nullptr;

    std::array<SoundGroup, 2> m_sounds {};
    QScrollBar *m_vsPenaltyIncrement = nullptr;
    QLabel *m_lblPenaltyIncrement = nullptr;

    QLineEdit *m_txtTitleText = nullptr;
    QLineEdit *m_txtHomeText = nullptr;
    QLineEdit *m_txtVisitorText = nullptr;

    std::array<PicturePreview, 3> m_pictures {};
    bool m_okWaitsForPictures = false;
    QComboBox *m_cmbLedType = nullptr;
    // "none", then each connected screen; its data is the screen's name.
    QComboBox *m_cmbAudienceScreen = nullptr;
    // The live feed's port (0: off), where it listens ("local" or "network" as data) and the
    // addresses a browser opens.
    QSpinBox *m_spnFeedPort = nullptr;
    // The game flow's tab.
    QCheckBox *m_chkGameFlow = nullptr;
    QSpinBox *m_spnLineupSeconds = nullptr;
    QSpinBox *m_spnTeamTimeoutSeconds = nullptr;
    QSpinBox *m_spnTeamTimeouts = nullptr;
    QSpinBox *m_spnOfficialReviews = nullptr;
    QSpinBox *m_spnHalftimeSeconds = nullptr;
    QSpinBox *m_spnPeriods = nullptr;
    QLabel *m_lblGameFlowProblem = nullptr;
    QComboBox *m_cmbFeedListen = nullptr;
    QLabel *m_lblFeedAddresses = nullptr;
    QString m_feedTrouble;
    Facetra *m_pledPreview = nullptr;

    // The settings as the window was opened on them, holding the edits that no widget or public
    // variable holds: the audience board's key and the new-bout key (0: none).
    SettingsModel m_working;
    // Set when the window closes, so that showing it again loads the settings afresh.
    bool m_stale = false;
};
