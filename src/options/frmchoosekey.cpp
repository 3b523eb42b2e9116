#include "frmchoosekey.h"

#include "commandtable.h"
#include "keycodetostr.h"
#include "virtualkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Wide enough for the prompt to wrap into two lines at 18 points.
constexpr int kWidthPixels = 440;

QFont face(const QString &family, QFont::StyleHint hint)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPointSize(18);
    return font;
}

} // namespace

frmChooseKey::frmChooseKey(const QString &purpose, int current, const QList<int> &held,
                           QWidget *parent)
    : QDialog(parent)
    , beep([] { QApplication::beep(); })
    , m_current(current)
    , m_held(held)
{
    setObjectName(QStringLiteral("frmChooseKey"));
    setWindowTitle(QStringLiteral("Choose Key"));
    setModal(true);

    m_lblChoose
            = new QLabel(QStringLiteral("Press the key you would like to %1.").arg(purpose), this);
    m_lblChoose->setObjectName(QStringLiteral("lblChoose"));
    m_lblChoose->setFont(face(QStringLiteral("Times New Roman"), QFont::Serif));
    m_lblChoose->setWordWrap(true);

    m_lblUsed = new QLabel(QStringLiteral("This is not a valid key, please choose another or "
                                          "close this window to return."),
                           this);
    m_lblUsed->setObjectName(QStringLiteral("lblUsed"));
    m_lblUsed->setFont(face(QStringLiteral("Arial"), QFont::SansSerif));
    m_lblUsed->setAlignment(Qt::AlignCenter);
    m_lblUsed->setWordWrap(true);
    QPalette red = m_lblUsed->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_lblUsed->setPalette(red);
    // The message keeps its room while hidden, so the window does not change size when it shows.
    QSizePolicy policy = m_lblUsed->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_lblUsed->setSizePolicy(policy);
    m_lblUsed->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblChoose);
    layout->addWidget(m_lblUsed);
    layout->addStretch();
    setFixedSize(kWidthPixels, layout->totalHeightForWidth(kWidthPixels));
    // The dialog has no buttons: it takes the keyboard itself.
    setFocusPolicy(Qt::StrongFocus);
}

bool frmChooseKey::refuses(int keyCode) const
{
    // A command on a key that typing reads would run as well as type, so "1.30" Enter on the jam
    // clock would also run the command on ".".
    return KeyCodeToStr(keyCode).isEmpty() || m_held.contains(keyCode) || boardKeepsKey(keyCode);
}

void frmChooseKey::Form_KeyDown(int keyCode)
{
    // The command's own key is always accepted, even one that has no name; a key that has no
    // code is not the own key of a command that has none.
    if ((keyCode == 0 || keyCode != m_current) && refuses(keyCode)) {
        m_lblUsed->show();
        if (beep)
            beep();
        return;
    }
    m_lblUsed->hide();
    m_chosenKey = keyCode;
    accept();
}

bool frmChooseKey::event(QEvent *event)
{
    // Taken here rather than in keyPressEvent, so that Tab, Esc and Enter reach the capture
    // instead of moving the focus or closing the dialog.
    if (event->type() == QEvent::KeyPress) {
        Form_KeyDown(VirtualKeys::fromEvent(static_cast<QKeyEvent *>(event)));
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QDialog::event(event);
}
