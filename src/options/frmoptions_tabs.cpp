// The five tabs of the Options window: their widgets, laid out with Qt layouts.

#include "frmoptions.h"

#include "colorswatch.h"
#include "colortable.h"
#include "facetra.h"
#include "image.h"
#include "numlock.h"
#include "picturebox.h"
#include "settings.h"
#include "textlengthlimit.h"
#include "twips.h"
#include "upwardscrollbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewPixels = 100;

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

UpwardScrollBar *newUpwardScrollBar(const char *name, int maximum, QWidget *parent)
{
    auto *bar = new UpwardScrollBar(maximum, parent);
    bar->setObjectName(QLatin1String(name));
    return bar;
}

} // namespace

QPushButton *frmOptions::newButton(const char *name, const QString &caption,
                                   void (frmOptions::*handler)())
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    // Enter presses the focused button, as Space does; with the focus anywhere else it presses
    // the default button, "&Ok".
    button->setAutoDefault(true);
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
        Command command;
        const char *button;
        const char *caption;
        const char *label;
    } rows[] = {
            {Command::StartStopJamClock, "cmdStartStopJamClock", "Start / Stop Jam Clock",
             "lblStartStopJamClock"},
            {Command::ResetJamClock, "cmdResetJamClock", "Reset Jam Clock", "lblResetJamClock"},
            {Command::StartStopPeriodClock, "cmdStartStopPeriodClock", "Start / Stop Period Clock",
             "lblStartStopPeriodClock"},
            {Command::ResetPeriodClock, "cmdResetPeriodClock", "Reset Period Clock",
             "lblResetPeriodClock"},
            {Command::ClockSwitch, "cmdClockSwitch", "Period / Clock Switch", "lblClockSwitch"},
            {Command::SepTime, "cmdSepTime", "Start / Stop Penalty Clock", "lblSepTime"},
            {Command::Clear, "cmdClearKey", "# Clear Key", "lblClear"},
            {Command::HomeTimeout, "cmdHomeTimeout", "Home Timeout", "lblHomeTimeout"},
            {Command::VisitorTimeout, "cmdVisitorTimeout", "Visitor Timeout", "lblVisitorTimeout"},
            {Command::OfficialTimeout, "cmdOfficialTimeout", "Official Timeout",
             "lblOfficialTimeout"},
            {Command::HomeReview, "cmdHomeReview", "Home Review", "lblHomeReview"},
            {Command::VisitorReview, "cmdVisitorReview", "Visitor Review", "lblVisitorReview"},
            {Command::Undo, "cmdUndo", "Undo", "lblUndo"},
    };
    auto *grid = new QGridLayout;
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const Command which = rows[i].command;
        KeyCommand &command = keyCommand(which);
        command.button = newButton(rows[i].button, QLatin1String(rows[i].caption), nullptr);
        command.label = newKeyLabel(rows[i].label);
        connect(command.button, &QPushButton::clicked, this,
                [this, which] { chooseKeyFor(which); });
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
    // Where NumLock cannot be set, the stored mode is shown but cannot be changed.
    if (!NumLockSettable()) {
        QLabel *note = newLabel("lblNumLockNote",
                                QStringLiteral("NumLock cannot be set on this platform."), numLock);
        note->setWordWrap(true);
        numLockLayout->addWidget(note);
        numLock->setEnabled(false);
    }

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

    // Tab follows the reading order: down the commands, then the right-hand column, then the box
    // below both. The buttons made before the tab took them would otherwise come last.
    QList<QWidget *> order;
    for (const auto &row : rows)
        order << keyCommand(row.command).button;
    order << m_optNormal << m_optKeepOn << m_optKeepOff << resetKeys << m_chkJoinJamPenalty;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
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
        if (colorTable()[i].field == &SettingsModel::LEDSelected) {
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
                  new TextLengthLimit(maxLength, text);
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
        preview.container->setTwipGeometry(0, 0, kPreviewPixels * Twips::perPixel,
                                           kPreviewPixels * Twips::perPixel);
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
        KeyCommand &command = keyCommand(group.command);
        QGroupBox *frame = newFrame(rows[i].frame, QLatin1String(rows[i].caption), tab);
        frames[i] = frame;
        group.fileLabel = newLabel(rows[i].fileLabel, QString(), frame);
        group.fileLabel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // Room for the longest text shown whole, fifty characters of a path. A longer file name
        // is cut off at the label's edge rather than widening the window.
        group.fileLabel->setMinimumWidth(
                group.fileLabel->fontMetrics().horizontalAdvance(QString(50, u'M')) * 3 / 4);
        group.fileLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        group.change = newButton(rows[i].change, QStringLiteral("Change Sound ..."), nullptr);
        group.none = newButton(rows[i].none, QStringLiteral("No Sound"), nullptr);
        command.button = newButton(rows[i].keyButton, QStringLiteral("Select Sound Key"), nullptr);
        command.label = newKeyLabel(rows[i].keyLabel);
        connect(group.change, &QPushButton::clicked, this, [this, i] { changeSound(m_sounds[i]); });
        connect(group.none, &QPushButton::clicked, this, [this, i] { noSound(m_sounds[i]); });
        connect(command.button, &QPushButton::clicked, this,
                [this, i] { chooseKeyFor(m_sounds[i].command); });

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
    KeyCommand &increment = keyCommand(Command::PenaltyIncrement);
    increment.button = newButton("cmdPenaltyIncrementKey", QStringLiteral("Select Key"), nullptr);
    increment.label = newKeyLabel("lblPenaltyIncrementKey");
    connect(increment.button, &QPushButton::clicked, this,
            [this] { chooseKeyFor(Command::PenaltyIncrement); });
    auto *penaltyLayout = new QHBoxLayout(penalty);
    penaltyLayout->addWidget(newLabel(
            "Label2", QStringLiteral("Add this much time to the selected penalty:"), penalty));
    penaltyLayout->addWidget(m_lblPenaltyIncrement, 0, Qt::AlignVCenter);
    penaltyLayout->addWidget(m_vsPenaltyIncrement);
    penaltyLayout->addStretch();
    penaltyLayout->addWidget(increment.button);
    penaltyLayout->addWidget(increment.label, 0, Qt::AlignVCenter);

    // Starting a new bout clears the board; the bout journal keeps the board's bout otherwise.
    QGroupBox *bout = newFrame("fraNewBout", QStringLiteral("New bout:"), tab);
    m_cmdNewBout = newButton("cmdNewBout", QStringLiteral("Start a New Bout ..."),
                             &frmOptions::cmdNewBout_Click);
    QPushButton *newBoutKey = newButton("cmdNewBoutKey", QStringLiteral("Select Key"),
                                        &frmOptions::chooseNewBoutKey);
    QPushButton *noNewBoutKey = newButton("cmdNewBoutNoKey", QStringLiteral("No Key"), nullptr);
    connect(noNewBoutKey, &QPushButton::clicked, this, [this] {
        m_working.NewBoutKey = 0;
        m_lblNewBoutKey->setText(KeyCodeToStr(0));
    });
    m_lblNewBoutKey = newKeyLabel("lblNewBoutKey");
    auto *boutLayout = new QHBoxLayout(bout);
    boutLayout->addWidget(m_cmdNewBout);
    boutLayout->addStretch();
    boutLayout->addWidget(noNewBoutKey);
    boutLayout->addWidget(newBoutKey);
    boutLayout->addWidget(m_lblNewBoutKey, 0, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(frames[0]);
    layout->addWidget(penalty);
    layout->addWidget(frames[1]);
    layout->addWidget(bout);
    layout->addWidget(buildAudienceBoard(tab));
    layout->addWidget(buildLiveFeed(tab));
    layout->addStretch();
}

// The bout for browsers: the port (0 is off), this PC alone or the venue's network, and the
// addresses to open.
QWidget *frmOptions::buildLiveFeed(QWidget *tab)
{
    QGroupBox *frame = newFrame("fraLiveFeed", QStringLiteral("Live feed for browsers:"), tab);
    m_spnFeedPort = new QSpinBox(frame);
    m_spnFeedPort->setObjectName(QStringLiteral("spnFeedPort"));
    m_spnFeedPort->setRange(0, 65535);
    m_spnFeedPort->setSpecialValueText(QStringLiteral("Off"));
    m_cmbFeedListen = new QComboBox(frame);
    m_cmbFeedListen->setObjectName(QStringLiteral("cmbFeedListen"));
    m_cmbFeedListen->addItem(QStringLiteral("This PC only"), QStringLiteral("local"));
    m_cmbFeedListen->addItem(QStringLiteral("The venue's network"), QStringLiteral("network"));
    m_lblFeedAddresses = newLabel("lblFeedAddresses", QString(), frame);
    m_lblFeedAddresses->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_spnFeedPort, &QSpinBox::valueChanged, this, &frmOptions::showFeedAddresses);
    connect(m_cmbFeedListen, &QComboBox::currentIndexChanged, this, &frmOptions::showFeedAddresses);
    auto *layout = new QGridLayout(frame);
    layout->addWidget(newLabel("lblFeedPort", QStringLiteral("Port:"), frame), 0, 0);
    layout->addWidget(m_spnFeedPort, 0, 1);
    layout->addWidget(m_cmbFeedListen, 0, 2);
    layout->setColumnStretch(3, 1);
    layout->addWidget(m_lblFeedAddresses, 1, 0, 1, 4);
    return frame;
}

void frmOptions::showFeedAddresses()
{
    const int port = m_spnFeedPort->value();
    if (port == 0) {
        m_lblFeedAddresses->setText(QStringLiteral("The feed is off."));
        return;
    }
    QStringList addresses {QStringLiteral("127.0.0.1")};
    if (m_cmbFeedListen->currentData() == QLatin1String("network")) {
        for (const QHostAddress &address : QNetworkInterface::allAddresses())
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                addresses << address.toString();
    }
    QStringList urls;
    for (const QString &address : std::as_const(addresses))
        urls << QStringLiteral("http://%1:%2/").arg(address).arg(port);
    QString text = QStringLiteral("Open in a browser: ") + urls.join(QStringLiteral(", "));
    if (!m_feedTrouble.isEmpty() && port == settings().FeedPort)
        text += u'\n' + m_feedTrouble;
    m_lblFeedAddresses->setText(text);
}

void frmOptions::tellFeedTrouble(const QString &text)
{
    m_feedTrouble = text;
    showFeedAddresses();
}

QWidget *frmOptions::buildAudienceBoard(QWidget *tab)
{
    QGroupBox *frame = newFrame("fraAudienceBoard", QStringLiteral("Audience board:"), tab);
    m_cmbAudienceScreen = new QComboBox(frame);
    m_cmbAudienceScreen->setObjectName(QStringLiteral("cmbAudienceScreen"));
    // As wide as a usual screen's entry, whatever name a screen has or the settings hold.
    m_cmbAudienceScreen->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbAudienceScreen->setMinimumContentsLength(24);
    // Screens plugged in or out while the window is open: the list follows, the choice stays. A
    // screen going is still listed while Qt tells of it.
    const auto refill
            = [this] { fillAudienceScreens(m_cmbAudienceScreen->currentData().toString()); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, refill);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [this, refill] { QTimer::singleShot(0, this, refill); });
    KeyCommand &command = keyCommand(Command::AudienceBoard);
    command.button
            = newButton("cmdAudienceBoardKey", QStringLiteral("Select Show / Hide Key"), nullptr);
    command.label = newKeyLabel("lblAudienceBoardKey");
    connect(command.button, &QPushButton::clicked, this,
            [this] { chooseKeyFor(Command::AudienceBoard); });
    QPushButton *noKey = newButton("cmdAudienceBoardNoKey", QStringLiteral("No Key"), nullptr);
    connect(noKey, &QPushButton::clicked, this, [this] { setKey(Command::AudienceBoard, 0); });
    auto *layout = new QHBoxLayout(frame);
    layout->addWidget(
            newLabel("lblAudienceScreen", QStringLiteral("Show it full-screen on:"), frame));
    layout->addWidget(m_cmbAudienceScreen, 1);
    layout->addWidget(noKey);
    layout->addWidget(command.button);
    layout->addWidget(command.label, 0, Qt::AlignVCenter);
    return frame;
}

void frmOptions::buildGameFlow(QWidget *tab)
{
    m_chkGameFlow = new QCheckBox(
            QStringLiteral(
                    "Run the game flow: lineup, timeouts, reviews, halftime and jam number."),
            tab);
    m_chkGameFlow->setObjectName(QStringLiteral("chkGameFlow"));
    const auto spin = [tab](const char *name, int low, int high, const QString &suffix) {
        auto *box = new QSpinBox(tab);
        box->setObjectName(QString::fromLatin1(name));
        // Wider than the numbers, so that a number out of range can be typed and be told.
        box->setRange(-99999, 99999);
        box->setProperty("low", low);
        box->setProperty("high", high);
        box->setSuffix(suffix);
        return box;
    };
    const QString seconds = QStringLiteral(" s");
    m_spnLineupSeconds = spin("spnLineupSeconds", 1, 5999, seconds);
    m_spnTeamTimeoutSeconds = spin("spnTeamTimeoutSeconds", 1, 5999, seconds);
    m_spnTeamTimeouts = spin("spnTeamTimeouts", 0, 9, QString());
    m_spnOfficialReviews = spin("spnOfficialReviews", 0, 9, QString());
    m_spnHalftimeSeconds = spin("spnHalftimeSeconds", 1, 5999, seconds);
    m_spnPeriods = spin("spnPeriods", 1, 9, QString());
    m_lblGameFlowProblem = newLabel("lblGameFlowProblem", QString(), tab);
    m_lblGameFlowProblem->setWordWrap(true);
    m_lblGameFlowProblem->setStyleSheet(QStringLiteral("color: #c00000;"));

    const std::pair<const char *, QSpinBox *> rows[] = {
            {"Lineup between jams:", m_spnLineupSeconds},
            {"Team timeout:", m_spnTeamTimeoutSeconds},
            {"Team timeouts per game:", m_spnTeamTimeouts},
            {"Official reviews per period:", m_spnOfficialReviews},
            {"Halftime:", m_spnHalftimeSeconds},
            {"Periods:", m_spnPeriods},
    };
    auto *grid = new QGridLayout;
    int row = 0;
    for (const auto &[caption, box] : rows) {
        auto *label = new QLabel(QString::fromLatin1(caption), tab);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        connect(box, &QSpinBox::valueChanged, m_lblGameFlowProblem, &QLabel::clear);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(m_chkGameFlow);
    layout->addLayout(grid);
    layout->addWidget(m_lblGameFlowProblem);
    layout->addStretch();
}

QString frmOptions::gameFlowProblem() const
{
    const std::pair<QSpinBox *, const char *> boxes[] = {
            {m_spnLineupSeconds, "The lineup"},
            {m_spnTeamTimeoutSeconds, "A team timeout"},
            {m_spnTeamTimeouts, "The team timeouts per game"},
            {m_spnOfficialReviews, "The official reviews per period"},
            {m_spnHalftimeSeconds, "The halftime"},
            {m_spnPeriods, "The periods"},
    };
    for (const auto &[box, what] : boxes) {
        const int low = box->property("low").toInt();
        const int high = box->property("high").toInt();
        if (box->value() < low || box->value() > high) {
            box->setFocus(Qt::OtherFocusReason);
            return QStringLiteral("%1 must be from %2 to %3%4.")
                    .arg(QString::fromLatin1(what))
                    .arg(low)
                    .arg(high)
                    .arg(box->suffix().isEmpty() ? QString() : QStringLiteral(" seconds"));
        }
    }
    return QString();
}
