#pragma once

namespace tolvan {

// Window geometry is designed in twips: 15 twips are one pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int pixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

constexpr int twipsToPixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

} // namespace tolvan
