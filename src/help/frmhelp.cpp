#include "frmhelp.h"

#include "rtfreader.h"
#include "twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTextEdit>

namespace {

// Sizes in twips, 15 to a pixel.
constexpr int MinimumOuterWidth = 2700;
constexpr int MinimumOuterHeight = 1700;
constexpr int BoxWidthMargin = 240;
constexpr int BoxHeightMargin = 420;
constexpr int WrapMargin = 450;
// The window opens at 640 x 480 pixels; the handlers only ever enforce the minimum.
constexpr int InitialWidth = 9600;
constexpr int InitialHeight = 7200;

} // namespace

const QString frmHelp::MissingFileText = QStringLiteral(
        "Help file has been moved from its normal location.  Please reinstall the program.");

QPointer<frmHelp> frmHelp::s_window;

frmHelp::frmHelp(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Corvanta Help"));
    // Closing the window destroys it: the next request reads the manual afresh.
    setAttribute(Qt::WA_DeleteOnClose);

    m_rtbHelp = new QTextEdit(this);
    m_rtbHelp->setObjectName(QStringLiteral("rtbHelp"));
    m_rtbHelp->setReadOnly(true);
    m_rtbHelp->setLineWrapMode(QTextEdit::FixedPixelWidth);

    resize(Twips::toPixels(InitialWidth), Twips::toPixels(InitialHeight));
    Form_Load();
}

frmHelp *frmHelp::showHelp()
{
    if (!s_window)
        s_window = new frmHelp;
    if (s_window->isMinimized())
        s_window->showNormal();
    else
        s_window->show();
    s_window->raise();
    s_window->activateWindow();
    return s_window;
}

QString frmHelp::helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("corvantahelpfile.rtf"));
}

void frmHelp::Form_Load()
{
    const QString path = helpFilePath();
    if (QFileInfo(path).isFile()) {
        if (!RtfReader::readFile(path, m_rtbHelp->document())) {
            // Not rich text after all: show what the file says rather than nothing.
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                m_rtbHelp->setPlainText(QString::fromUtf8(file.readAll()));
        }
    } else {
        m_rtbHelp->setPlainText(MissingFileText);
    }
    m_rtbHelp->moveCursor(QTextCursor::Start);
}

void frmHelp::Form_Resize()
{
    if (isMinimized() || m_resizing)
        return;
    // The limits are on the outer size, frame included; resize() sets the inner size, so the
    // frame's share is carried over.
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    const QSize wanted(std::max(outer.width(), Twips::toPixels(MinimumOuterWidth)),
                       std::max(outer.height(), Twips::toPixels(MinimumOuterHeight)));
    if (wanted != outer) {
        m_resizing = true;
        resize(wanted - frame);
        m_resizing = false;
    }

    const QSize now = frameGeometry().size();
    const int boxWidth = now.width() - Twips::toPixels(BoxWidthMargin);
    const int boxHeight = now.height() - Twips::toPixels(BoxHeightMargin);
    m_rtbHelp->setGeometry(0, 0, boxWidth, boxHeight);
    m_rtbHelp->setLineWrapColumnOrWidth(std::max(0, boxWidth - Twips::toPixels(WrapMargin)));
    m_rtbHelp->viewport()->update();
}

void frmHelp::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmHelp::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Restoring from minimised brings no resize event on every platform.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
