#include "frmsplash.h"

#include "boutjournal.h"

#include "settingsstore.h"
#include "twips.h"
#include "version.h"

#include "frmhelp.h"
#include "frmoptions.h"
#include "frmscoreboard.h"
#include "keyrepeatfilter.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include <cstdio>

namespace {

// The designed client area is 6240 x 3210 twips; the load makes the window 3240 twips high.
constexpr int kWidthTwips = 6240;
constexpr int kHeightTwips = 3240;
// The window's top is worked out from this constant rather than from its own height, so that it
// sits 1320 twips above the centre of the screen.
constexpr int kPlacementHeightTwips = 5880;

QFont timesFont(qreal pointSize)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // The small texts are laid out for a narrow 8-point face; Arial needs a little less to fit.
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(7.5);
    setFont(small);
    setFixedSize(Twips::toPixels(kWidthTwips), Twips::toPixels(3210));

    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QStringLiteral("frameSplash"));
    m_frame->setGeometry(Twips::rect(120, 0, 6000, 3120));
    m_frame->installEventFilter(this);

    addLabel("lblName", QStringLiteral("Corvanta"), Twips::rect(120, 240, 5775, 735),
             Qt::AlignHCenter | Qt::AlignTop)
            ->setFont(timesFont(21.75));
    addLabel("lblMadeBy", QStringLiteral("by Quillmark"), Twips::rect(4200, 840, 1575, 255),
             Qt::AlignRight | Qt::AlignTop);

    auto *logo = new QLabel(m_frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setGeometry(Twips::rect(300, 960, 1905, 1875));
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    logo->setPixmap(QPixmap(QStringLiteral(":/corvanta/logo.gif")));
    logo->setFocusPolicy(Qt::TabFocus);
    logo->installEventFilter(this);

    addLabel("lblClick", QStringLiteral("Click to continue."), Twips::rect(2520, 1080, 1335, 255),
             Qt::AlignLeft | Qt::AlignTop);
    m_version = addLabel("lblVersion", QStringLiteral("Version 1.0.0"),
                         Twips::rect(3600, 1080, 2175, 375), Qt::AlignRight | Qt::AlignTop);
    m_version->setFont(timesFont(15.75));
    addLabel("Label1", QStringLiteral("Press ' F1 ' to view Help from the scoreboard."),
             Twips::rect(2640, 1680, 3255, 255), Qt::AlignLeft | Qt::AlignTop);
    addLabel("Label2", QStringLiteral("Press ' F2 ' to set Options from the scoreboard."),
             Twips::rect(2640, 1920, 3255, 375), Qt::AlignLeft | Qt::AlignTop)
            ->setWordWrap(true);

    auto *help = new QPushButton(QStringLiteral("&Help"), m_frame);
    help->setObjectName(QStringLiteral("cmdHelp"));
    help->setGeometry(Twips::rect(3120, 2520, 1215, 375));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, &frmSplash::cmdHelp_Click);
    help->installEventFilter(this);

    auto *options = new QPushButton(QStringLiteral("&Options"), m_frame);
    options->setObjectName(QStringLiteral("cmdOptions"));
    options->setGeometry(Twips::rect(4560, 2520, 1215, 375));
    options->setAutoDefault(false);
    connect(options, &QPushButton::clicked, this, &frmSplash::cmdOptions_Click);
    options->installEventFilter(this);

    setTabOrder(help, options);
    setTabOrder(options, logo);
}

QLabel *frmSplash::addLabel(const char *name, const QString &text, const QRect &geometry,
                            Qt::Alignment alignment)
{
    auto *label = new QLabel(text, m_frame);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    label->installEventFilter(this);
    return label;
}

bool frmSplash::Form_Load(const QString &commandLine)
{
    resize(width(), Twips::toPixels(kHeightTwips));
    setFixedHeight(Twips::toPixels(kHeightTwips));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Unclamped: on a screen 5880 twips high or less the window sits at or above the top edge.
    const int top = (screen.height() - Twips::toPixels(kPlacementHeightTwips)) / 2;
    const int left = (screen.width() - width()) / 2;
    move(screen.left() + left, screen.top() + top);
    m_frame->resize(m_frame->width(), Twips::toPixels(3120));
    m_version->setText(QStringLiteral("Version %1.%2.%3")
                               .arg(CORVANTA_VERSION_MAJOR)
                               .arg(CORVANTA_VERSION_MINOR)
                               .arg(CORVANTA_VERSION_PATCH));

    try {
        LoadSettings();
    } catch (const SettingsConversionError &error) {
        const QString message = error.message();
        std::fprintf(stderr, "corvanta: %s\n", qPrintable(message));
        QMessageBox::critical(nullptr, QStringLiteral("Corvanta"), message);
        return false;
    }

    if (commandLine == QLatin1String("bypass"))
        GoScore();
    return true;
}

void frmSplash::GoScore()
{
    if (m_gone)
        return;
    m_gone = true;
    // Hidden rather than closed: closing the only visible window would end the program before
    // the scoreboard is up. The window is destroyed once control is back in the event loop.
    hide();
    deleteLater();

    auto *scoreboard = new frmScoreboard;
    scoreboard->setAttribute(Qt::WA_DeleteOnClose);
    // The bout the last run left, resumed before the board first shows.
    scoreboard->keepIn(new BoutJournal(BoutJournal::defaultPath(), scoreboard));
    scoreboard->show();
}

void frmSplash::cmdHelp_Click()
{
    frmHelp::showHelp(this);
}

void frmSplash::cmdOptions_Click()
{
    // Settings committed here are what the scoreboard reads when it is created. Enter held down
    // on the button would press the window's Ok with its repeats.
    frmOptions options(this);
    const KeyRepeatFilter held;
    options.exec();
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    // Enter presses a focused button, as Space does: outside a dialog a push button that is no
    // default takes only Space.
    if (auto *button = qobject_cast<QPushButton *>(watched)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (event->type() == QEvent::KeyPress
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    // A click on the frame, the logo or any label goes on to the scoreboard.
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        GoScore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        GoScore();
}
