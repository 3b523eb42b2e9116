#pragma once

#include "keyrepeats.h"

#include <QObject>

// Drops every repeat of a key held down, anywhere in the program, for as long as it lives: a
// question box opened by a key would otherwise take that key's repeats for an answer, as a letter
// presses the button it names.
class KeyRepeatFilter final : public QObject
{
    Q_OBJECT

public:
    KeyRepeatFilter();
    ~KeyRepeatFilter() override;
    Q_DISABLE_COPY_MOVE(KeyRepeatFilter)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyRepeats m_repeats;
};
