#pragma once

#include <QColor>

// Colours are kept as the settings store holds them: 0x00BBGGRR, red in the low byte.
namespace PlatformColor {

inline QColor toQColor(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

inline qint32 fromQColor(const QColor &color)
{
    return qint32(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace PlatformColor
