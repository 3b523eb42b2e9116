#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class QTextDocument;
class QTextEdit;
class QTimer;

// The help window: the manual, read from the rich-text file beside the executable, in one
// read-only box that fills the window. One help window exists at a time; it has no owner, so it
// outlives the start-up window. The file is read on a worker thread: the window shows at once,
// and the manual follows.
class frmHelp final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHelp)
    Q_PROPERTY(bool loading READ isLoading NOTIFY loaded)

public:
    // Shown in place of the manual when the file is not beside the executable.
    static const QString MissingFileText;
    // Shown in place of a help file the system cannot read, with the system's reason.
    static QString unreadableText(const QString &reason);

    // Shows the help window without waiting for it, creating it (and so reading the manual) if
    // none is open, and brings it forward. It does not take the keyboard: the board that asked
    // keeps it, and the operator clicks into help to scroll. A new window, or one another window
    // asks for, goes on the screen the asking window is on, beside it as far as there is room.
    static frmHelp *showHelp(const QWidget *from = nullptr);

    // Help, where it is open and lies over window (a board shown over help opened from the
    // start-up window), goes beside it; it is not brought forward.
    static void moveBeside(const QWidget *window);

    // Where the manual is looked for: "corvantahelpfile.rtf" in the executable's folder.
    static QString helpFilePath();

    QTextEdit *box() const { return m_rtbHelp; }
    // True from Form_Load until the manual is in the box.
    bool isLoading() const { return m_loading; }

    // Starts reading the manual into the box, or shows MissingFileText or
    // HelpLoader::tooLargeText.
    void Form_Load();
    // Keeps the window at least 2700 x 1700 twips (outer size) and fits the box to its inside.
    void Form_Resize();
    // That least size, inside the frame: for a window that places help, as the screen's other
    // windows are placed.
    QSize minimumSizeHint() const override;

signals:
    // The manual, or what stands in its place, is in the box.
    void loaded();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    explicit frmHelp(QWidget *parent = nullptr);

    // On the asking window's screen, beside it; the asking board's refresh paces the manual.
    void placeBeside(const QWidget *from);
    void showDocument(QTextDocument *document, const QString &error);
    bool isLaidOut() const;
    // The box's view follows the end of the document while it is laid out, if the end was asked
    // for last.
    void followEnd(int action);

    // Wraps the text at the window's width, paced.
    void wrapToWidth();
    // Wraps the text at width. The box lays its text out anew, at once as far down as its view:
    // far into a long manual that would hold up the board. So the view goes to the top for it,
    // and back to the place being read as the paced layout reaches it.
    void setWrapWidth(int width);
    // Brings the place being read, if the view is on its way back to it, to the top of the view
    // once it is laid out.
    void followReadingPlace();

    bool eventFilter(QObject *watched, QEvent *event) override;

    QTextEdit *m_rtbHelp = nullptr;
    bool m_resizing = false;
    bool m_loading = false;
    bool m_followEnd = false;
    // When the text was last wrapped at a new width, and the wrap still to come.
    QElapsedTimer m_wrapped;
    QTimer *m_wrapLater = nullptr;
    // The position of the text at the top of the view, while the view is on its way back to it.
    int m_readingAt = -1;
    // The place last brought back, and the view's position that showed it.
    int m_placeShown = -1;
    int m_placeShownAt = -1;
    // The asking board's refresh: the manual is put in the box and laid out between its ticks.
    QPointer<QTimer> m_refresh;
    // The window help was last placed beside.
    QPointer<const QWidget> m_placedBeside;
    static QPointer<frmHelp> s_window;
};
