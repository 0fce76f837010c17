#pragma once

namespace tolvan {

// Window geometry is designed in twips: 15 twips are one pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int pixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

// To the nearest pixel, on both sides of zero: 8 twips are 1 pixel, -23 are -2.
// (15 is odd, so no number of twips lies halfway between two pixels.)
constexpr int twipsToPixels(int twips)
{
    const int doubled = 2 * twips + TwipsPerPixel;
    const int divisor = 2 * TwipsPerPixel;
    return doubled >= 0 ? doubled / divisor : -((-doubled + divisor - 1) / divisor);
}

} // namespace tolvan
