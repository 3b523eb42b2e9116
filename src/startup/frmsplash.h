#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

// The borderless start-up window: the product's name, logo and version, and the way on to the
// scoreboard (a click anywhere), to Help and to Options.
class frmSplash final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSplash)

public:
    explicit frmSplash(QWidget *parent = nullptr);

    // Places the window, shows the version and loads the settings. With the command line
    // "bypass" it goes straight on to the scoreboard. Returns false when a stored setting does
    // not convert; the operator has then been told and the program must end.
    bool Form_Load(const QString &commandLine);

    // True once GoScore() has run: the window is gone and must not be shown.
    bool isGone() const { return m_gone; }

    Q_INVOKABLE void GoScore();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void cmdHelp_Click();
    void cmdOptions_Click();
    QLabel *addLabel(const char *name, const QString &text, const QRect &twips,
                     Qt::Alignment alignment);

    QGroupBox *m_frame = nullptr;
    QLabel *m_version = nullptr;
    bool m_gone = false;
};
