#include "frmoptions.h"

#include "colorswatch.h"
#include "colortable.h"
#include "frmchoosekey.h"
#include "keycodetostr.h"
#include "numlock.h"
#include "platformcolor.h"
#include "scrollingpage.h"
#include "settings.h"
#include "settingsstore.h"
#include "sideplacement.h"
#include "textlengthlimit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

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
        // Every question here undoes something (the bout, the keys, the colours): Enter keeps it.
        box.setDefaultButton(QMessageBox::No);
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

    keyCommand(Command::StartStopJamClock).variable = &StartStopJamClockKeyTemp;
    keyCommand(Command::ResetJamClock).variable = &ResetJamClockKeyTemp;
    keyCommand(Command::StartStopPeriodClock).variable = &StartStopPeriodClockKeyTemp;
    keyCommand(Command::ResetPeriodClock).variable = &ResetPeriodClockKeyTemp;
    keyCommand(Command::ClockSwitch).variable = &ClockSwitchKeyTemp;
    keyCommand(Command::Buzzer).variable = &BuzzerKeyTemp;
    keyCommand(Command::PeriodEndSound).variable = &PeriodEndSoundKeyTemp;
    keyCommand(Command::Clear).variable = &ClearKeyTemp;
    keyCommand(Command::PenaltyIncrement).variable = &PenaltyIncrementSecKeyTemp;
    keyCommand(Command::SepTime).variable = &SepTimeKeyTemp;
    keyCommand(Command::AudienceBoard).variable = &m_working.AudienceBoardKey;
    for (Command game : {Command::HomeTimeout, Command::VisitorTimeout, Command::OfficialTimeout,
                         Command::HomeReview, Command::VisitorReview, Command::Undo})
        keyCommand(game).variable = &(m_working.*commandKey(game).field);
    m_sounds[0].path = &frmOptions::BuzzTemp;
    m_sounds[0].command = Command::Buzzer;
    m_sounds[1].path = &frmOptions::PeriodEndSoundTemp;
    m_sounds[1].command = Command::PeriodEndSound;
    m_pictures[0].path = &frmOptions::HomePicTemp;
    m_pictures[1].path = &frmOptions::VisitorPicTemp;
    m_pictures[2].path = &frmOptions::BoardPicTemp;

    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    // Tabs that do not all fit beside each other (large text on a small screen) scroll.
    m_SSTab1->setUsesScrollButtons(true);
    const auto addTab = [this](const QString &caption, void (frmOptions::*build)(QWidget *)) {
        auto *tab = new QWidget;
        (this->*build)(tab);
        m_pages.append(new ScrollingPage(tab));
        m_SSTab1->addTab(m_pages.last(), caption);
    };
    addTab(QStringLiteral("Key Controls"), &frmOptions::buildKeyControls);
    addTab(QStringLiteral("Color Controls"), &frmOptions::buildColorControls);
    addTab(QStringLiteral("Text Controls"), &frmOptions::buildTextControls);
    addTab(QStringLiteral("Pictures"), &frmOptions::buildPictures);
    addTab(QStringLiteral("&Additional Settings"), &frmOptions::buildAdditionalSettings);
    addTab(QStringLiteral("&Game Flow"), &frmOptions::buildGameFlow);
    m_SSTab1->widget(m_SSTab1->count() - 1)->setObjectName(QStringLiteral("tabGame"));

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
    // A fixed-size dialog, as large as its contents need at the platform's font, or as a short
    // screen allows (fitToScreen).
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

QString frmOptions::KeyCodeToStr(int keyCode)
{
    return ::KeyCodeToStr(keyCode);
}

QString frmOptions::soundFileCaption(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("[No File Selected]");
    // Shown with the platform's own folder separator throughout.
    const QString shown = QDir::toNativeSeparators(path);
    if (shown.size() <= 50)
        return shown;
    // The bare name comes from looking the file up now: a file deleted since leaves nothing.
    const QFileInfo file(path);
    return shown.left(25) + QStringLiteral(" ...") + QDir::separator()
            + (file.exists() ? file.fileName() : QString());
}

void frmOptions::updateSoundCaption(SoundGroup &group)
{
    group.fileLabel->setText(soundFileCaption(this->*group.path));
    // A key can be given only to a sound that exists.
    const bool chosen = !(this->*group.path).isEmpty();
    const KeyCommand &command = keyCommand(group.command);
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
    m_working = settings();
    const SettingsModel &m = m_working;

    m_SSTab1->setCurrentIndex(0);

    for (std::size_t i = 0; i < m_swatches.size(); ++i)
        m_swatches[i]->setColor(m.*colorTable()[i].field);

    // The scroll bars clamp a stored value outside their range; the label shows what they hold.
    m_scrLEDSelectedWidth->setValue(m.LEDSelectedWidth);
    scrLEDSelectedWidth_Change(m_scrLEDSelectedWidth->value());

    for (const CommandKey &row : commandTable()) {
        const KeyCommand &command = keyCommand(row.command);
        *command.variable = m.*row.field;
        command.label->setText(KeyCodeToStr(m.*row.field));
    }

    // An unknown mode leaves all three cleared, which exclusive buttons allow only by being
    // cleared while not exclusive.
    for (QRadioButton *option : {m_optNormal, m_optKeepOn, m_optKeepOff}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
    if (m.NumLockForce == NumLockMode::Normal)
        m_optNormal->setChecked(true);
    else if (m.NumLockForce == NumLockMode::KeepOn)
        m_optKeepOn->setChecked(true);
    else if (m.NumLockForce == NumLockMode::KeepOff)
        m_optKeepOff->setChecked(true);

    BuzzTemp = m.BuzzerFile;
    m_chkJoinJamPenalty->setChecked(m.JoinJamPenalty);
    PeriodEndSoundTemp = m.PeriodEndSoundFile;
    m_chkSuppressPeriodSound->setChecked(m.SuppressPeriodSound);
    fillAudienceScreens(m.AudienceScreen);
    m_spnFeedPort->setValue(m.FeedPort);
    m_cmbFeedListen->setCurrentIndex(m.FeedListen == QLatin1String("network") ? 1 : 0);
    showFeedAddresses();
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

    // A text written into the settings by other means may be longer than the operator can type;
    // it is shown and committed whole, so the box's limit makes room for it.
    for (const auto &[box, text] : {std::pair {m_txtTitleText, m.TitleText},
                                    {m_txtHomeText, m.HomeText},
                                    {m_txtVisitorText, m.VisitorText}})
        box->findChild<TextLengthLimit *>()->load(text);

    m_vsPenaltyIncrement->setValue(m.PenaltyIncrementSec);
    vsPenaltyIncrement_Change(m_vsPenaltyIncrement->value());

    m_lblNewBoutKey->setText(KeyCodeToStr(m.NewBoutKey));

    m_chkGameFlow->setChecked(m.GameFlow);
    m_spnLineupSeconds->setValue(m.LineupSeconds);
    m_spnTeamTimeoutSeconds->setValue(m.TeamTimeoutSeconds);
    m_spnTeamTimeouts->setValue(m.TeamTimeouts);
    m_spnOfficialReviews->setValue(m.OfficialReviews);
    m_spnHalftimeSeconds->setValue(m.HalftimeSeconds);
    m_spnPeriods->setValue(m.Periods);
    m_lblGameFlowProblem->clear();
}

void frmOptions::Form_Activate()
{
    m_cmdOk->setFocus(Qt::ActiveWindowFocusReason);
}

void frmOptions::setVisible(bool visible)
{
    // Fitted and placed before the dialog would place itself over its parent.
    if (visible) {
        fitToScreen();
        placeBesideBoard();
    }
    QDialog::setVisible(visible);
}

void frmOptions::placeBesideBoard()
{
    if (!m_board || !m_board->isVisible() || !m_board->screen())
        return;
    // On the side with more room, right beside the board where the room takes the whole window,
    // else at the screen's edge, over as little of the board as it can. The clocks and scores in
    // the board's middle stay in view even on a board that fills the screen.
    const QSize frame = size() + frameAllowance();
    move(SidePlacement::beside(m_board->screen()->availableGeometry(), m_board->frameGeometry(),
                               frame, frame.width())
                 .topLeft());
}

QSize frmOptions::frameAllowance() const
{
    // The title bar and frame the window manager adds, as large as the window beneath has them,
    // or as a common desktop's are where that window has none.
    const QWidget *beneath = parentWidget() ? parentWidget()->window() : nullptr;
    if (!beneath || !beneath->isVisible())
        return {kLeastFrameWidth, kLeastFrameHeight};
    const QSize extra = beneath->frameGeometry().size() - beneath->size();
    return {extra.width(), qMax(kLeastFrameHeight, extra.height())};
}

void frmOptions::fitToScreen()
{
    const QWidget *beneath = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen *shownOn = beneath ? beneath->screen() : screen();
    if (!shownOn)
        return;
    // Measured as shown: polishing sets the fonts the pages are laid out in.
    ensurePolished();
    const auto limitPages = [this](int width, int height) {
        for (ScrollingPage *page : std::as_const(m_pages))
            page->setSizeLimit(width, height);
        // The pages hidden behind the current one do not tell the tabs they changed.
        m_SSTab1->updateGeometry();
        layout()->activate();
    };
    limitPages(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QRect room = shownOn->availableGeometry();
    const QSize frame = frameAllowance();
    QSize widest;
    for (const ScrollingPage *page : std::as_const(m_pages))
        widest = widest.expandedTo(page->contentsSize());
    // With large text on a small screen the window is too wide as well: the widest page gives up
    // what the window would run past the screen's side, and the pages scroll sideways.
    int widthLimit = QWIDGETSIZE_MAX;
    for (int wideBy = width() + frame.width() - room.width();
         wideBy > 0 && widthLimit > kLeastPageWidth;
         wideBy = width() + frame.width() - room.width()) {
        widthLimit = qMax(kLeastPageWidth, qMin(widthLimit, widest.width()) - wideBy);
        limitPages(widthLimit, QWIDGETSIZE_MAX);
    }
    const int tallBy = height() + frame.height() - room.height();
    if (tallBy > 0) {
        // The tallest page gives up what the window would run past the screen's bottom; the
        // others keep what they need up to that.
        int tallest = 0;
        for (const ScrollingPage *page : std::as_const(m_pages))
            tallest = qMax(tallest, page->sizeHint().height());
        limitPages(widthLimit, qMax(kLeastPageHeight, tallest - tallBy));
    }
}

void frmOptions::showEvent(QShowEvent *event)
{
    if (m_stale) {
        m_stale = false;
        Form_Load();
    }
    m_cmdNewBout->setEnabled(
            isSignalConnected(QMetaMethod::fromSignal(&frmOptions::newBoutConfirmed)));
    QDialog::showEvent(event);
    Form_Activate();
}

void frmOptions::done(int result)
{
    m_stale = true;
    QDialog::done(result);
}

SettingsModel frmOptions::edited() const
{
    SettingsModel m = m_working;

    for (std::size_t i = 0; i < m_swatches.size(); ++i)
        m.*colorTable()[i].field = m_swatches[i]->color();
    m.LEDSelectedWidth = qint16(m_lblLEDSelectedWidthValue->text().toInt());

    for (const CommandKey &row : commandTable())
        m.*row.field = *keyCommand(row.command).variable;
    m.BuzzerFile = BuzzTemp;
    m.JoinJamPenalty = m_chkJoinJamPenalty->isChecked();
    m.PeriodEndSoundFile = PeriodEndSoundTemp;
    m.PenaltyIncrementSec = qint16(m_vsPenaltyIncrement->value());
    m.SuppressPeriodSound = m_chkSuppressPeriodSound->isChecked();
    m.AudienceScreen = m_cmbAudienceScreen->currentData().toString();
    m.FeedPort = quint16(m_spnFeedPort->value());
    m.FeedListen = m_cmbFeedListen->currentData().toString();

    // With no option selected (an unknown stored mode) the mode stays as it was.
    if (m_optNormal->isChecked())
        m.NumLockForce = NumLockMode::Normal;
    else if (m_optKeepOn->isChecked())
        m.NumLockForce = NumLockMode::KeepOn;
    else if (m_optKeepOff->isChecked())
        m.NumLockForce = NumLockMode::KeepOff;

    m.TitleText = m_txtTitleText->text();
    m.HomeText = m_txtHomeText->text();
    m.VisitorText = m_txtVisitorText->text();

    m.HomePic = HomePicTemp;
    m.VisitorPic = VisitorPicTemp;
    m.BoardPic = BoardPicTemp;
    m.LEDType = qint16(m_cmbLedType->currentIndex());

    m.GameFlow = m_chkGameFlow->isChecked();
    m.LineupSeconds = qint16(m_spnLineupSeconds->value());
    m.TeamTimeoutSeconds = qint16(m_spnTeamTimeoutSeconds->value());
    m.TeamTimeouts = qint16(m_spnTeamTimeouts->value());
    m.OfficialReviews = qint16(m_spnOfficialReviews->value());
    m.HalftimeSeconds = qint16(m_spnHalftimeSeconds->value());
    m.Periods = qint16(m_spnPeriods->value());
    return m;
}

void frmOptions::cmdOk_Click()
{
    // A number typed out of its range keeps the window open on it, saying what it takes.
    if (const QString problem = gameFlowProblem(); !problem.isEmpty()) {
        m_SSTab1->setCurrentWidget(m_SSTab1->findChild<QWidget *>(QStringLiteral("tabGame")));
        m_lblGameFlowProblem->setText(problem);
        return;
    }
    // A picture chosen a moment ago may still turn out to be none: Ok goes on when it is known.
    if (picturesBeingChecked()) {
        m_okWaitsForPictures = true;
        m_cmdOk->setEnabled(false);
        return;
    }
    const SettingsModel m = edited();
    // Everything that follows the settings (the bout, the boards) takes the new ones now.
    Settings::instance().setValue(m);

    QString error;
    if (!SaveSettings(&error)) {
        // The new values hold for the rest of this run all the same.
        const QString reason = error.isEmpty()
                ? QStringLiteral("%1 could not be written.").arg(settingsFileName())
                : error;
        tell(this, windowTitle(),
             QStringLiteral("The settings could not be saved.\n%1\nThey apply until the program "
                            "ends.")
                     .arg(reason));
    }
    // A forced mode is applied at every OK, also when it did not change: the operator may have
    // turned NumLock over meanwhile.
    if (setNumLock && m_optKeepOn->isChecked())
        setNumLock(true);
    else if (setNumLock && m_optKeepOff->isChecked())
        setNumLock(false);
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}
