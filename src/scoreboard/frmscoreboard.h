#pragma once

#include <QWidget>

// The scoreboard: the program's main window from the moment the start-up window is gone.
class frmScoreboard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmScoreboard)

public:
    explicit frmScoreboard(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
