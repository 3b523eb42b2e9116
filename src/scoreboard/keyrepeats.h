#pragma once

#include <QtGlobal>

class QKeyEvent;

// Tells a held key's repeats from a fresh press of the same key. The X server sends a held key
// as pairs of a release and a press that share one timestamp; Qt marks them as repeats only when
// the press has already arrived as it reads the release, which on a busy board it often has not.
// So a press that comes at the very moment its own key was released is a repeat, whatever the
// event says. Events without a timestamp (made by the program itself) are taken as they say.
class KeyRepeats final
{
public:
    void released(const QKeyEvent &event);
    bool repeats(const QKeyEvent &press) const;

private:
    static quint32 keyOf(const QKeyEvent &event);

    quint32 m_releasedKey = 0;
    quint64 m_releasedAt = 0;
};
