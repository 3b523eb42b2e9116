#pragma once

#include "keyrepeats.h"

#include <QObject>

// Drops the repeats of a key held down as a window opens, anywhere in the program, until a key is
// pressed afresh: a question box or a window opened by a key would otherwise take that key's
// repeats for an answer, as a letter presses the button it names and Enter the default one. Keys
// held down later (Backspace in a text box) repeat as ever.
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
    bool m_freshPress = false;
};
