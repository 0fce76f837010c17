#include "Windows1252.h"

#include <array>

namespace tolvan::windows1252 {
namespace {

// The characters of the codes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The code of each character from U+0100 up that the code page holds.
constexpr std::array<std::pair<char16_t, unsigned char>, 27> Above{{
    {0x0152, 0x8C}, {0x0153, 0x9C}, {0x0160, 0x8A}, {0x0161, 0x9A}, {0x0178, 0x9F}, {0x017D, 0x8E},
    {0x017E, 0x9E}, {0x0192, 0x83}, {0x02C6, 0x88}, {0x02DC, 0x98}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x2018, 0x91}, {0x2019, 0x92}, {0x201A, 0x82}, {0x201C, 0x93}, {0x201D, 0x94}, {0x201E, 0x84},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x2022, 0x95}, {0x2026, 0x85}, {0x2030, 0x89}, {0x2039, 0x8B},
    {0x203A, 0x9B}, {0x20AC, 0x80}, {0x2122, 0x99},
}};

bool undefined(char16_t c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

char16_t character(unsigned char code)
{
    return code >= 0x80 && code <= 0x9F ? High[code - 0x80] : char16_t(code);
}

int code(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || undefined(c))
        return c;
    for (const auto &[above, byte] : Above) {
        if (above == c)
            return byte;
    }
    return -1;
}

void append(QByteArray &bytes, QStringView text)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size());
    char *out = bytes.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *out++ = char(c);
            continue;
        }
        const int byte = undefined(c) ? -1 : code(c);
        *out++ = byte < 0 ? '?' : char(byte);
        // a character outside the basic plane is one character: one "?"
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    bytes.truncate(out - bytes.data());
}

} // namespace tolvan::windows1252
