#pragma once

#include <QPointer>
#include <QWidget>

class QTextEdit;

// The help window: the manual, read from the rich-text file beside the executable, in one
// read-only box that follows the window's size. One help window exists at a time; it has no
// owner, so it outlives the start-up window.
class frmHelp final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHelp)

public:
    // Shown in place of the manual when the file is not beside the executable.
    static const QString MissingFileText;

    // Shows the help window without waiting for it, creating it (and so reading the manual) if
    // none is open, and brings it forward.
    static frmHelp *showHelp();

    // Where the manual is looked for: "corvantahelpfile.rtf" in the executable's folder.
    static QString helpFilePath();

    QTextEdit *box() const { return m_rtbHelp; }

    // Reads the manual into the box, or shows MissingFileText.
    void Form_Load();
    // Keeps the window at least 2700 x 1700 twips (outer size) and fits the box to it.
    void Form_Resize();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    explicit frmHelp(QWidget *parent = nullptr);

    QTextEdit *m_rtbHelp = nullptr;
    bool m_resizing = false;
    static QPointer<frmHelp> s_window;
};
