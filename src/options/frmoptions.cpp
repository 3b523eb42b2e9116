#include "frmoptions.h"

#include "colorswatch.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "image.h"
#include "keycodetostr.h"
#include "numlock.h"
#include "picturebox.h"
#include "picturefit.h"
#include "platformcolor.h"

#include "settingsmodel.h"
#include "settingsstore.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Indexes of the ten commands in m_keys, in the order the working copy declares them.
enum Command {
    StartStopJamClock,
    ResetJamClock,
    StartStopPeriodClock,
    ResetPeriodClock,
    ClockSwitch,
    SepTime,
    Clear,
    BuzzerKey,
    PeriodEndSoundKey,
    PenaltyIncrementKey
};

// Indexes of the nine swatches, in the order the colour settings pair with them.
enum Swatch { TimeC, LEDB, LedSelected, ScoreC, PeriodC, BackC, BorderC, HomeC, VisitorC };

constexpr int kTitleLength = 25;
constexpr int kTeamNameLength = 20;
constexpr int kPreviewPixels = 100;
constexpr int kNoKey = 32;

const QString kPictureFilter = QStringLiteral("Pictures (*.bmp *.gif *.jpg)");
const QString kSoundFilter = QStringLiteral("Sounds (*.wav)");

QGroupBox *newFrame(const char *name, const QString &caption, QWidget *parent)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QLabel *newLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// Bordered, centred value label on a white ground, as the width and increment values show.
QLabel *newValueLabel(const char *name, QWidget *parent)
{
    QLabel *label = newLabel(name, QString(), parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
    return label;
}

// A vertical scroll bar whose up arrow raises the value, one unit per arrow or page click.
QScrollBar *newUpwardScrollBar(const char *name, int maximum, QWidget *parent)
{
    auto *bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    bar->setFixedHeight(44);
    return bar;
}

} // namespace

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent)
    , chooseColor([](QWidget *parent) -> std::optional<qint32> {
        const QColor color = QColorDialog::getColor(Qt::white, parent);
        if (!color.isValid())
            return std::nullopt;
        return PlatformColor::fromQColor(color);
    })
    , chooseFile([](QWidget *parent, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    })
    , askYesNo([](QWidget *parent, const QString &title, const QString &question) {
        QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    })
    , tell([](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::warning(parent, title, text);
    })
    , runChooseKey([](frmChooseKey &dialog) { dialog.exec(); })
    , setNumLock([](bool on) { SetNumLock(on); })
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    m_keys = {{
            {&frmOptions::StartStopJamClockKeyTemp, "start /stop the jam clock"},
            {&frmOptions::ResetJamClockKeyTemp, "reset the jam clock"},
            {&frmOptions::StartStopPeriodClockKeyTemp, "start / stop the period clock"},
            {&frmOptions::ResetPeriodClockKeyTemp, "reset the period clock"},
            {&frmOptions::ClockSwitchKeyTemp, "switch between clock and game time"},
            {&frmOptions::SepTimeKeyTemp, "start / stop an independent penalty clock"},
            {&frmOptions::ClearKeyTemp, "clear a number"},
            {&frmOptions::BuzzerKeyTemp, "sound the buzzer"},
            {&frmOptions::PeriodEndSoundKeyTemp, "sound the end of period"},
            {&frmOptions::PenaltyIncrementSecKeyTemp, "increment the selected penalty"},
    }};
    m_sounds[0].path = &frmOptions::BuzzTemp;
    m_sounds[0].command = BuzzerKey;
    m_sounds[0].keyGivenBack = 66;
    m_sounds[1].path = &frmOptions::PeriodEndSoundTemp;
    m_sounds[1].command = PeriodEndSoundKey;
    m_sounds[1].keyGivenBack = 80;
    m_pictures[0].path = &frmOptions::HomePicTemp;
    m_pictures[1].path = &frmOptions::VisitorPicTemp;
    m_pictures[2].path = &frmOptions::BoardPicTemp;

    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    const auto addTab = [this](const QString &caption, void (frmOptions::*build)(QWidget *)) {
        auto *tab = new QWidget;
        (this->*build)(tab);
        m_SSTab1->addTab(tab, caption);
    };
    addTab(QStringLiteral("Key Controls"), &frmOptions::buildKeyControls);
    addTab(QStringLiteral("Color Controls"), &frmOptions::buildColorControls);
    addTab(QStringLiteral("Text Controls"), &frmOptions::buildTextControls);
    addTab(QStringLiteral("Pictures"), &frmOptions::buildPictures);
    addTab(QStringLiteral("&Additional Settings"), &frmOptions::buildAdditionalSettings);

    m_cmdOk = newButton("cmdOk", QStringLiteral("&Ok"), &frmOptions::cmdOk_Click);
    m_cmdOk->setDefault(true);
    m_cmdCancel = newButton("cmdCancel", QStringLiteral("&Cancel"), &frmOptions::cmdCancel_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_SSTab1);
    layout->addLayout(buttons);
    // A fixed-size dialog, as large as its contents need at the platform's font.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

QPushButton *frmOptions::newButton(const char *name, const QString &caption,
                                   void (frmOptions::*handler)())
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    // Only "&Ok" answers Enter, wherever the focus is.
    button->setAutoDefault(false);
    if (handler)
        connect(button, &QPushButton::clicked, this, handler);
    return button;
}

QLabel *frmOptions::newKeyLabel(const char *name)
{
    QLabel *label = newLabel(name, QString(), this);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("Pause/Break"))
                           + 16);
    return label;
}

void frmOptions::buildKeyControls(QWidget *tab)
{
    static constexpr struct
    {
        const char *button;
        const char *caption;
        const char *label;
    } rows[] = {
            {"cmdStartStopJamClock", "Start / Stop Jam Clock", "lblStartStopJamClock"},
            {"cmdResetJamClock", "Reset Jam Clock", "lblResetJamClock"},
            {"cmdStartStopPeriodClock", "Start / Stop Period Clock", "lblStartStopPeriodClock"},
            {"cmdResetPeriodClock", "Reset Period Clock", "lblResetPeriodClock"},
            {"cmdClockSwitch", "Period / Clock Switch", "lblClockSwitch"},
            {"cmdSepTime", "Start / Stop Penalty Clock", "lblSepTime"},
            {"cmdClearKey", "# Clear Key", "lblClear"},
    };
    auto *grid = new QGridLayout;
    for (int i = 0; i < int(std::size(rows)); ++i) {
        KeyCommand &command = m_keys[i];
        command.button = newButton(rows[i].button, QLatin1String(rows[i].caption), nullptr);
        command.label = newKeyLabel(rows[i].label);
        connect(command.button, &QPushButton::clicked, this,
                [this, i] { chooseKeyFor(m_keys[i]); });
        grid->addWidget(command.button, i, 0);
        grid->addWidget(command.label, i, 1);
    }

    QPushButton *resetKeys = newButton("cmdResetKeys", QStringLiteral("Reset Keys"),
                                       &frmOptions::cmdResetKeys_Click);

    QGroupBox *numLock = newFrame("fraNumLock", QStringLiteral("Numlock Options:"), tab);
    m_optNormal = new QRadioButton(QStringLiteral("Normal Mode"), numLock);
    m_optNormal->setObjectName(QStringLiteral("optNormal"));
    m_optKeepOn = new QRadioButton(QStringLiteral("Keep Numlock On"), numLock);
    m_optKeepOn->setObjectName(QStringLiteral("optKeepOn"));
    m_optKeepOff = new QRadioButton(QStringLiteral("Keep Numlock Off"), numLock);
    m_optKeepOff->setObjectName(QStringLiteral("optKeepOff"));
    auto *numLockLayout = new QVBoxLayout(numLock);
    numLockLayout->addWidget(m_optNormal);
    numLockLayout->addWidget(m_optKeepOn);
    numLockLayout->addWidget(m_optKeepOff);

    auto *side = new QVBoxLayout;
    side->addWidget(numLock);
    side->addStretch();
    side->addWidget(resetKeys);

    m_chkJoinJamPenalty
            = new QCheckBox(QStringLiteral("Start/Stop penalty clocks with jam clock."));
    m_chkJoinJamPenalty->setObjectName(QStringLiteral("chkJoinJamPenalty"));

    auto *top = new QHBoxLayout;
    top->addLayout(grid);
    top->addSpacing(12);
    top->addLayout(side);
    auto *layout = new QVBoxLayout(tab);
    layout->addLayout(top);
    layout->addWidget(m_chkJoinJamPenalty);
    layout->addStretch();
}

void frmOptions::buildColorControls(QWidget *tab)
{
    static constexpr struct
    {
        const char *frame;
        const char *caption;
        const char *button;
        const char *swatch;
    } rows[] = {
            {"fraTimeFore", "Time Color:", "cmdTimeC", "picTimeC"},
            {"fraLedBack", "LED Background:", "cmdLEDB", "picLEDB"},
            {"fraLedSelected", "LED Selected", "cmdLedSelected", "picLedSelected"},
            {"frmScoreColor", "Score Color:", "cmdScoreC", "picScoreC"},
            {"frmPeriodColor", "Period Color:", "cmdPeriodC", "picPeriodC"},
            {"frmBackColor", "Back Color:", "cmdBackC", "picBackC"},
            {"frmBorderColor", "Border Color:", "cmdBorderC", "picBorderC"},
            {"frmHomeColor", "Home Color:", "cmdHomeC", "picHomeC"},
            {"frmVisitorColor", "Visitor Color:", "cmdVisitorC", "picVisitorC"},
    };
    auto *grid = new QGridLayout;
    for (int i = 0; i < int(std::size(rows)); ++i) {
        QGroupBox *frame = newFrame(rows[i].frame, QLatin1String(rows[i].caption), tab);
        auto *swatch = new ColorSwatch(frame);
        swatch->setObjectName(QLatin1String(rows[i].swatch));
        m_swatches[i] = swatch;
        QPushButton *change = newButton(rows[i].button, QStringLiteral("Change"), nullptr);
        connect(change, &QPushButton::clicked, this, [this, swatch] { changeColor(swatch); });

        auto *inner = new QGridLayout(frame);
        inner->addWidget(swatch, 0, 0);
        inner->addWidget(change, 1, 0);
        if (i == LedSelected) {
            m_scrLEDSelectedWidth = newUpwardScrollBar("scrLEDSelectedWidth", 5, frame);
            m_lblLEDSelectedWidthValue = newValueLabel("lblLEDSelectedWidthValue", frame);
            connect(m_scrLEDSelectedWidth, &QScrollBar::valueChanged, this,
                    &frmOptions::scrLEDSelectedWidth_Change);
            inner->addWidget(newLabel("lblLEDSelectedWidth", QStringLiteral("Width:"), frame), 0,
                             1);
            inner->addWidget(m_lblLEDSelectedWidthValue, 1, 1);
            inner->addWidget(m_scrLEDSelectedWidth, 0, 2, 2, 1);
        }
        grid->addWidget(frame, i / 3, i % 3);
    }

    QPushButton *reset = newButton("cmdResetColors", QStringLiteral("Reset Colors"),
                                   &frmOptions::cmdResetColors_Click);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(reset);
    auto *layout = new QVBoxLayout(tab);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(bottom);
}

void frmOptions::buildTextControls(QWidget *tab)
{
    QFont large = font();
    large.setPointSize(16);
    const auto addText
            = [&](const char *frameName, const QString &caption, const char *name, int maxLength) {
                  QGroupBox *frame = newFrame(frameName, caption, tab);
                  auto *text = new QLineEdit(frame);
                  text->setObjectName(QLatin1String(name));
                  text->setFont(large);
                  text->setAlignment(Qt::AlignCenter);
                  text->setMaxLength(maxLength);
                  auto *inner = new QVBoxLayout(frame);
                  inner->addWidget(text);
                  tab->layout()->addWidget(frame);
                  return text;
              };
    auto *layout = new QVBoxLayout(tab);
    m_txtTitleText
            = addText("fraTitleText", QStringLiteral("Board Name:"), "txtTitleText", kTitleLength);
    m_txtHomeText
            = addText("fraHomeText", QStringLiteral("Home Name:"), "txtHomeText", kTeamNameLength);
    m_txtVisitorText = addText("fraVisitorText", QStringLiteral("Visitor Name:"), "txtVisitorText",
                               kTeamNameLength);
    layout->addStretch();
}

void frmOptions::buildPictures(QWidget *tab)
{
    QGroupBox *digitType = newFrame("fraDigitType", QStringLiteral("Digit Type:"), tab);
    m_cmbLedType = new QComboBox(digitType);
    m_cmbLedType->setObjectName(QStringLiteral("cmbLedType"));
    m_cmbLedType->addItems({QStringLiteral("Lines"), QStringLiteral("Dots")});
    connect(m_cmbLedType, &QComboBox::currentIndexChanged, this, &frmOptions::cmbLedType_Click);
    m_pledPreview = new Facetra(digitType);
    m_pledPreview->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pledPreview->setObjectName(QStringLiteral("pledPreview"));
    auto *digitLayout = new QHBoxLayout(digitType);
    digitLayout->addWidget(m_cmbLedType);
    digitLayout->addSpacing(12);
    digitLayout->addWidget(newLabel("lblPreview", QStringLiteral("Preview:"), digitType));
    digitLayout->addWidget(m_pledPreview);
    digitLayout->addStretch();

    static constexpr struct
    {
        const char *frame;
        const char *caption;
        const char *change;
        const char *clear;
        const char *container;
        const char *image;
    } rows[] = {
            {"fraHomePic", "Home Picture", "cmdChangeHomePic", "cmdClearHomePic",
             "picHomePicPreviewCon", "imgHomePicPreview"},
            {"fraVisitorPic", "Visitor Picture", "cmdChangeVisitorPic", "cmdClearVisitorPic",
             "picVisitorPicPreviewCon", "imgVisitorPicPreview"},
            {"fraBoardPic", "Scoreboard Picture", "cmdChangeBoardPic", "cmdClearBoardPic",
             "picBoardPicPreviewCon", "imgBoardPicPreview"},
    };
    auto *pictures = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        PicturePreview &preview = m_pictures[i];
        QGroupBox *frame = newFrame(rows[i].frame, QLatin1String(rows[i].caption), tab);
        // The container is placed in twips by the board's own geometry, so it sits in a holder of
        // fixed size rather than in the layout itself.
        auto *holder = new QWidget(frame);
        holder->setFixedSize(kPreviewPixels, kPreviewPixels);
        preview.container = new PictureBox(holder);
        preview.container->setTwipGeometry(0, 0, kPreviewPixels * 15, kPreviewPixels * 15);
        preview.image = new Image(preview.container);
        preview.container->setObjectName(QLatin1String(rows[i].container));
        preview.image->setObjectName(QLatin1String(rows[i].image));
        QPushButton *change = newButton(rows[i].change, QStringLiteral("Change"), nullptr);
        QPushButton *clear = newButton(rows[i].clear, QStringLiteral("Clear"), nullptr);
        connect(change, &QPushButton::clicked, this, [this, i] { changePicture(m_pictures[i]); });
        connect(clear, &QPushButton::clicked, this, [this, i] { clearPicture(m_pictures[i]); });
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(change);
        buttons->addWidget(clear);
        auto *inner = new QVBoxLayout(frame);
        inner->addWidget(holder, 0, Qt::AlignHCenter);
        inner->addLayout(buttons);
        pictures->addWidget(frame);
    }

    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(digitType);
    layout->addLayout(pictures);
    layout->addStretch();
}

void frmOptions::buildAdditionalSettings(QWidget *tab)
{
    static constexpr struct
    {
        const char *frame;
        const char *caption;
        const char *fileLabel;
        const char *change;
        const char *none;
        const char *keyButton;
        const char *keyLabel;
    } rows[] = {
            {"fraBuzzer", "When jam ends play sound:", "lblBFile", "cmdBuzzerSoundChange",
             "cmdBuzzerSoundNone", "cmdBuzzerKey", "lblBuzzerKey"},
            {"fraPeriodEndSound", "When period ends play sound:", "lblPeriodEndSound",
             "cmdPeriodEndSoundChange", "cmdPeriodEndSoundNone", "cmdPeriodEndSoundKey",
             "lblPeriodEndSoundKey"},
    };
    QGroupBox *frames[2] = {};
    for (int i = 0; i < 2; ++i) {
        SoundGroup &group = m_sounds[i];
        KeyCommand &command = m_keys[group.command];
        QGroupBox *frame = newFrame(rows[i].frame, QLatin1String(rows[i].caption), tab);
        frames[i] = frame;
        group.fileLabel = newLabel(rows[i].fileLabel, QString(), frame);
        group.fileLabel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // Room for the longest text shown whole, fifty characters of a path.
        group.fileLabel->setMinimumWidth(
                group.fileLabel->fontMetrics().horizontalAdvance(QString(50, u'M')) * 3 / 4);
        group.change = newButton(rows[i].change, QStringLiteral("Change Sound ..."), nullptr);
        group.none = newButton(rows[i].none, QStringLiteral("No Sound"), nullptr);
        command.button = newButton(rows[i].keyButton, QStringLiteral("Select Sound Key"), nullptr);
        command.label = newKeyLabel(rows[i].keyLabel);
        connect(group.change, &QPushButton::clicked, this, [this, i] { changeSound(m_sounds[i]); });
        connect(group.none, &QPushButton::clicked, this, [this, i] { noSound(m_sounds[i]); });
        connect(command.button, &QPushButton::clicked, this,
                [this, i] { chooseKeyFor(m_keys[m_sounds[i].command]); });

        auto *inner = new QGridLayout(frame);
        inner->addWidget(group.fileLabel, 0, 0, 1, 4);
        inner->addWidget(group.change, 1, 0);
        inner->addWidget(group.none, 1, 1);
        inner->addWidget(command.button, 1, 2);
        inner->addWidget(command.label, 1, 3);
    }

    m_chkSuppressPeriodSound = new QCheckBox(
            QStringLiteral("Delay \"period end sound' until jam ends or is stopped."), frames[1]);
    m_chkSuppressPeriodSound->setObjectName(QStringLiteral("chkSuppressPeriodSound"));
    static_cast<QGridLayout *>(frames[1]->layout())
            ->addWidget(m_chkSuppressPeriodSound, 2, 0, 1, 4);

    QGroupBox *penalty
            = newFrame("fraPenaltyIncrement", QStringLiteral("Penalty time increment:"), tab);
    m_lblPenaltyIncrement = newValueLabel("lblPenaltyIncrement", penalty);
    m_vsPenaltyIncrement = newUpwardScrollBar("vsPenaltyIncrement", 599, penalty);
    connect(m_vsPenaltyIncrement, &QScrollBar::valueChanged, this,
            &frmOptions::vsPenaltyIncrement_Change);
    KeyCommand &increment = m_keys[PenaltyIncrementKey];
    increment.button = newButton("cmdPenaltyIncrementKey", QStringLiteral("Select Key"), nullptr);
    increment.label = newKeyLabel("lblPenaltyIncrementKey");
    connect(increment.button, &QPushButton::clicked, this,
            [this] { chooseKeyFor(m_keys[PenaltyIncrementKey]); });
    auto *penaltyLayout = new QHBoxLayout(penalty);
    penaltyLayout->addWidget(newLabel(
            "Label2", QStringLiteral("Add this much time to the selected penalty:"), penalty));
    penaltyLayout->addWidget(m_lblPenaltyIncrement);
    penaltyLayout->addWidget(m_vsPenaltyIncrement);
    penaltyLayout->addStretch();
    penaltyLayout->addWidget(increment.button);
    penaltyLayout->addWidget(increment.label, 0, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(frames[0]);
    layout->addWidget(penalty);
    layout->addWidget(frames[1]);
    layout->addStretch();
}

QString frmOptions::KeyCodeToStr(int keyCode)
{
    return ::KeyCodeToStr(keyCode);
}

QString frmOptions::soundFileCaption(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("[No File Selected]");
    if (path.size() <= 50)
        return path;
    // The bare name comes from looking the file up now: a file deleted since leaves nothing.
    const QFileInfo file(path);
    return path.left(25) + QStringLiteral(" ...\\") + (file.exists() ? file.fileName() : QString());
}

void frmOptions::updateSoundCaption(SoundGroup &group)
{
    group.fileLabel->setText(soundFileCaption(this->*group.path));
    // A key can be given only to a sound that exists.
    const bool chosen = !(this->*group.path).isEmpty();
    const KeyCommand &command = m_keys[group.command];
    group.none->setEnabled(chosen);
    command.button->setEnabled(chosen);
    command.label->setEnabled(chosen);
}

void frmOptions::UpdateBuzzerCaption()
{
    updateSoundCaption(m_sounds[0]);
}

void frmOptions::UpdatePeriodEndSoundCaption()
{
    updateSoundCaption(m_sounds[1]);
}

void frmOptions::Form_Load()
{
    const SettingsModel &m = settings();

    m_SSTab1->setCurrentIndex(0);

    const qint32 colors[]
            = {m.TimeColor, m.LEDBack,     m.LEDSelected, m.ScoreColor,  m.PeriodColor,
               m.FormBack,  m.BorderColor, m.HomeColor,   m.VisitorColor};
    for (int i = 0; i < 9; ++i)
        m_swatches[i]->setColor(colors[i]);

    // The scroll bars clamp a stored value outside their range; the label shows what they hold.
    m_scrLEDSelectedWidth->setValue(m.LEDSelectedWidth);
    scrLEDSelectedWidth_Change(m_scrLEDSelectedWidth->value());

    const qint16 keys[] = {m.StartStopJamClockKey,
                           m.ResetJamClockKey,
                           m.StartStopPeriodClockKey,
                           m.ResetPeriodClockKey,
                           m.ClockSwitchKey,
                           m.SepTimeKey,
                           m.ClearKey,
                           m.BuzzerKey,
                           m.PeriodEndSoundKey,
                           m.PenaltyIncrementSecKey};
    for (int i = 0; i < 10; ++i) {
        this->*m_keys[i].variable = keys[i];
        m_keys[i].label->setText(KeyCodeToStr(keys[i]));
    }

    // An unknown mode leaves all three cleared, which exclusive buttons allow only by being
    // cleared while not exclusive.
    for (QRadioButton *option : {m_optNormal, m_optKeepOn, m_optKeepOff}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
    if (m.NumLockForce == 0)
        m_optNormal->setChecked(true);
    else if (m.NumLockForce == 1)
        m_optKeepOn->setChecked(true);
    else if (m.NumLockForce == 2)
        m_optKeepOff->setChecked(true);

    BuzzTemp = m.BuzzerFile;
    m_chkJoinJamPenalty->setChecked(m.JoinJamPenalty == 1);
    PeriodEndSoundTemp = m.PeriodEndSoundFile;
    m_chkSuppressPeriodSound->setChecked(m.SuppressPeriodSound == 1);
    UpdateBuzzerCaption();
    UpdatePeriodEndSoundCaption();

    HomePicTemp = m.HomePic;
    VisitorPicTemp = m.VisitorPic;
    BoardPicTemp = m.BoardPic;
    for (PicturePreview &preview : m_pictures)
        showPicture(preview);

    m_cmbLedType->setCurrentIndex(qBound(0, int(m.LEDType), 1));
    // Runs even when the index did not change, so the preview always shows the loaded style.
    cmbLedType_Click(m_cmbLedType->currentIndex());

    m_txtTitleText->setText(m.TitleText);
    m_txtHomeText->setText(m.HomeText);
    m_txtVisitorText->setText(m.VisitorText);

    m_vsPenaltyIncrement->setValue(m.PenaltyIncrementSec);
    vsPenaltyIncrement_Change(m_vsPenaltyIncrement->value());
}

void frmOptions::Form_Activate()
{
    m_cmdOk->setFocus(Qt::ActiveWindowFocusReason);
}

bool frmOptions::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(event);
}

void frmOptions::showEvent(QShowEvent *event)
{
    if (m_stale) {
        m_stale = false;
        Form_Load();
    }
    QDialog::showEvent(event);
    Form_Activate();
}

void frmOptions::done(int result)
{
    m_stale = true;
    QDialog::done(result);
}

void frmOptions::cmdOk_Click()
{
    SettingsModel &m = settings();

    qint32 *colors[]
            = {&m.TimeColor, &m.LEDBack,     &m.LEDSelected, &m.ScoreColor,  &m.PeriodColor,
               &m.FormBack,  &m.BorderColor, &m.HomeColor,   &m.VisitorColor};
    for (int i = 0; i < 9; ++i)
        *colors[i] = m_swatches[i]->color();
    m.LEDSelectedWidth = qint16(m_lblLEDSelectedWidthValue->text().toInt());

    qint16 *keys[] = {&m.StartStopJamClockKey,
                      &m.ResetJamClockKey,
                      &m.StartStopPeriodClockKey,
                      &m.ResetPeriodClockKey,
                      &m.ClockSwitchKey,
                      &m.SepTimeKey,
                      &m.ClearKey,
                      &m.BuzzerKey,
                      &m.PeriodEndSoundKey,
                      &m.PenaltyIncrementSecKey};
    for (int i = 0; i < 10; ++i)
        *keys[i] = this->*m_keys[i].variable;
    m.BuzzerFile = BuzzTemp;
    m.JoinJamPenalty = m_chkJoinJamPenalty->isChecked() ? 1 : 0;
    m.PeriodEndSoundFile = PeriodEndSoundTemp;
    m.PenaltyIncrementSec = qint16(m_vsPenaltyIncrement->value());
    m.SuppressPeriodSound = m_chkSuppressPeriodSound->isChecked() ? 1 : 0;

    // With no option selected (an unknown stored mode) the mode is kept as it was.
    std::optional<bool> forcedNumLock;
    if (m_optNormal->isChecked()) {
        m.NumLockForce = 0;
    } else if (m_optKeepOn->isChecked()) {
        m.NumLockForce = 1;
        forcedNumLock = true;
    } else if (m_optKeepOff->isChecked()) {
        m.NumLockForce = 2;
        forcedNumLock = false;
    }

    m.TitleText = m_txtTitleText->text();
    m.HomeText = m_txtHomeText->text();
    m.VisitorText = m_txtVisitorText->text();

    m.HomePic = HomePicTemp;
    m.VisitorPic = VisitorPicTemp;
    m.BoardPic = BoardPicTemp;
    m.LEDType = qint16(m_cmbLedType->currentIndex());

    QString error;
    if (!SaveSettings(&error)) {
        // The model has taken the new values already, so they hold for the rest of this run.
        const QString reason = error.isEmpty()
                ? QStringLiteral("%1 could not be written.").arg(settingsFileName())
                : error;
        tell(this, windowTitle(),
             QStringLiteral("The settings could not be saved.\n%1\nThey apply until the program "
                            "ends.")
                     .arg(reason));
    }
    if (forcedNumLock && setNumLock)
        setNumLock(*forcedNumLock);
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

void frmOptions::chooseKeyFor(const KeyCommand &command)
{
    QList<int> held;
    for (const KeyCommand &each : m_keys)
        held.append(this->*each.variable);
    frmChooseKey dialog(QLatin1String(command.purpose), this->*command.variable, held, this);
    runChooseKey(dialog);
    if (dialog.chosenKey() != 0) {
        this->*command.variable = qint16(dialog.chosenKey());
        command.label->setText(KeyCodeToStr(dialog.chosenKey()));
    }
    Form_Activate();
}

void frmOptions::cmdResetKeys_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Keys"),
                  QStringLiteral("Are you sure you want to reset the keys?")))
        return;
    // The three keys of the additional settings keep theirs.
    static constexpr qint16 defaults[] = {74, 82, 83, 84, 67, 73, 46};
    for (int i = 0; i < int(std::size(defaults)); ++i) {
        m_keys[i].label->setText(KeyCodeToStr(defaults[i]));
        this->*m_keys[i].variable = defaults[i];
    }
    m_optNormal->setChecked(true);
}

void frmOptions::changeColor(ColorSwatch *swatch)
{
    // A cancelled pick leaves the swatch as it was.
    if (const std::optional<qint32> color = chooseColor(this))
        swatch->setColor(*color);
}

void frmOptions::cmdResetColors_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Colors"),
                  QStringLiteral("Are you sure you want to reset the colors?")))
        return;
    m_swatches[LedSelected]->setColor(0x00404040);
    m_scrLEDSelectedWidth->setValue(0);
    scrLEDSelectedWidth_Change(0);
    m_swatches[TimeC]->setColor(0x000080FF);
    m_swatches[LEDB]->setColor(0);
    m_swatches[ScoreC]->setColor(0x000000FF);
    m_swatches[PeriodC]->setColor(0x0000C000);
    m_swatches[BackC]->setColor(0x00404040);
    m_swatches[BorderC]->setColor(0x00FFFFFF);
    m_swatches[HomeC]->setColor(0x00FFFFFF);
    m_swatches[VisitorC]->setColor(0x00FFFFFF);
}

void frmOptions::scrLEDSelectedWidth_Change(int value)
{
    m_lblLEDSelectedWidthValue->setText(QString::number(value));
}

void frmOptions::vsPenaltyIncrement_Change(int value)
{
    m_lblPenaltyIncrement->setText(QString::number(value));
}

void frmOptions::cmbLedType_Click(int index)
{
    m_pledPreview->setLedType(index);
}

void frmOptions::showPicture(PicturePreview &preview)
{
    FitPicture(preview.image, preview.container, this->*preview.path);
}

void frmOptions::changePicture(PicturePreview &preview)
{
    const QString chosen = chooseFile(this, kPictureFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    if (!FitPicture(preview.image, preview.container, chosen)) {
        // The preview goes back to the picture the path still names.
        showPicture(preview);
        tell(this, windowTitle(),
             QStringLiteral("The file %1 could not be read as a picture.").arg(chosen));
        return;
    }
    this->*preview.path = chosen;
}

void frmOptions::clearPicture(PicturePreview &preview)
{
    preview.image->setPicture(QPixmap());
    this->*preview.path = QString();
}

void frmOptions::changeSound(SoundGroup &group)
{
    const QString chosen = chooseFile(this, kSoundFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    this->*group.path = chosen;
    updateSoundCaption(group);
    KeyCommand &command = m_keys[group.command];
    // A sound that had no key gets its usual one back, even if another command holds it now.
    if (this->*command.variable == kNoKey) {
        this->*command.variable = group.keyGivenBack;
        command.label->setText(KeyCodeToStr(group.keyGivenBack));
    }
}

void frmOptions::noSound(SoundGroup &group)
{
    this->*group.path = QString();
    updateSoundCaption(group);
    KeyCommand &command = m_keys[group.command];
    this->*command.variable = kNoKey;
    command.label->setText(QString());
}
