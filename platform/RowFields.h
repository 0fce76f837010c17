#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <array>
#include <cstddef>
#include <cstring>

namespace tolvan {

// Rows of fields split at one separator character: a list row's four fields
// at the line feed, a user ident at "|". Views into the row, nothing copied.

namespace rowfields {
// The next separator from `from` on, or -1: memchr for bytes (Qt's byte
// search does not take the short way for one character).
inline qsizetype find(QByteArrayView row, char separator, qsizetype from)
{
    if (from >= row.size())
        return -1;
    const void *found = std::memchr(row.data() + from, separator, std::size_t(row.size() - from));
    return found ? static_cast<const char *>(found) - row.data() : -1;
}
inline qsizetype find(QStringView row, QChar separator, qsizetype from)
{
    return row.indexOf(separator, from);
}
} // namespace rowfields

// Field n (counted from 1); empty where the row has fewer fields.
template <typename View, typename Separator> View rowField(View row, Separator separator, int n)
{
    if (n < 1)
        return {};
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        start = rowfields::find(row, separator, start);
        if (start < 0)
            return {};
        ++start;
    }
    const qsizetype end = rowfields::find(row, separator, start);
    return row.sliced(start, (end < 0 ? row.size() : end) - start);
}

// The first N fields in one pass; empty where the row has fewer.
template <std::size_t N, typename View, typename Separator>
std::array<View, N> leadingFields(View row, Separator separator)
{
    std::array<View, N> fields{};
    qsizetype start = 0;
    for (View &field : fields) {
        const qsizetype end = rowfields::find(row, separator, start);
        field = row.sliced(start, (end < 0 ? row.size() : end) - start);
        if (end < 0)
            break;
        start = end + 1;
    }
    return fields;
}

// Whether every byte is ASCII (below 0x80).
inline bool isAscii(QByteArrayView text)
{
    unsigned char any = 0;
    for (const char byte : text)
        any |= static_cast<unsigned char>(byte);
    return any < 0x80;
}

// Whether every character lies in Latin-1 (below 0x100).
inline bool isLatin1(QStringView text)
{
    char16_t any = 0;
    for (const QChar character : text)
        any |= character.unicode();
    return any < 0x100;
}

} // namespace tolvan
