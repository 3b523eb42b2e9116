#include "keyrepeats.h"

#include <QKeyEvent>

quint32 KeyRepeats::keyOf(const QKeyEvent &event)
{
    // The key on the keyboard, whatever it types under the modifiers held with it.
    return event.nativeScanCode() ? event.nativeScanCode() : quint32(event.key());
}

void KeyRepeats::released(const QKeyEvent &event)
{
    m_releasedKey = keyOf(event);
    m_releasedAt = event.timestamp();
}

bool KeyRepeats::repeats(const QKeyEvent &press) const
{
    return press.isAutoRepeat()
            || (press.timestamp() != 0 && press.timestamp() == m_releasedAt
                && keyOf(press) == m_releasedKey);
}
