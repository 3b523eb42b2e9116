#pragma once

#include <QRect>

// Designed positions and sizes are in twips, 1/1440 inch: 15 twips to a pixel at 96 dots per inch.
namespace Twips {

constexpr int perPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / perPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
