#include "RowTexts.h"

#include "RowFields.h"

#include <algorithm>
#include <cstring>

namespace tolvan {
namespace {

constexpr qsizetype BlockSize = qsizetype(2) << 20; // bytes

} // namespace

// Room for one row at the end of the last block, or in a new one. A wide row
// starts with a byte of padding when it would otherwise begin at an odd offset.
char *RowTexts::reserve(qsizetype bytes, bool wide)
{
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < bytes + 1) {
        Block block;
        block.capacity = std::max(BlockSize, bytes + 1);
        block.bytes = std::make_unique_for_overwrite<char[]>(std::size_t(block.capacity));
        m_blocks.push_back(std::move(block));
    }
    Block &block = m_blocks.back();
    m_starts.push_back({quint32(m_blocks.size() - 1), quint32(block.used) << 1 | (wide ? 1u : 0u)});
    if (wide)
        block.used += block.used % 2;
    char *room = block.bytes.get() + block.used;
    block.used += bytes;
    return room;
}

void RowTexts::append(QStringView text)
{
    if (isLatin1(text)) {
        char *room = reserve(text.size(), false);
        const char16_t *characters = text.utf16();
        for (qsizetype i = 0; i < text.size(); ++i)
            room[i] = char(characters[i]);
    } else {
        std::memcpy(reserve(text.size() * 2, true), text.utf16(), std::size_t(text.size()) * 2);
    }
}

void RowTexts::appendUtf8(QByteArrayView text)
{
    // Plain ASCII, as article numbers, EANs and quantities are, is Latin-1 already.
    if (isAscii(text)) {
        char *room = reserve(text.size(), false);
        if (!text.isEmpty())
            std::memcpy(room, text.data(), std::size_t(text.size()));
        return;
    }
    // German text: umlauts and "ß" are the two-byte sequences that start with
    // C2 or C3, decoded here straight to their Latin-1 byte. Anything else goes
    // through a text.
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++length) {
        const auto byte = uchar(text[i]);
        if (byte < 0x80)
            continue;
        if ((byte == 0xC2 || byte == 0xC3) && i + 1 < text.size() &&
            (uchar(text[i + 1]) & 0xC0) == 0x80) {
            ++i;
            continue;
        }
        return append(QString::fromUtf8(text));
    }
    char *room = reserve(length, false);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto byte = uchar(text[i]);
        if (byte < 0x80) {
            *room++ = char(byte);
        } else {
            *room++ = char((byte & 0x03) << 6 | (uchar(text[i + 1]) & 0x3F));
            ++i;
        }
    }
}

void RowTexts::clear()
{
    std::vector<Block>().swap(m_blocks);
    std::vector<Start>().swap(m_starts);
}

QString RowTexts::at(qsizetype row) const
{
    const Start start = m_starts[std::size_t(row)];
    const Block &block = m_blocks[start.block];
    qsizetype end = block.used;
    if (row + 1 < size() && m_starts[std::size_t(row + 1)].block == start.block)
        end = m_starts[std::size_t(row + 1)].offset();
    qsizetype begin = start.offset();
    if (!start.wide())
        return QString::fromLatin1(block.bytes.get() + begin, end - begin);
    begin += begin % 2;
    QString text((end - begin) / 2, Qt::Uninitialized);
    std::memcpy(text.data(), block.bytes.get() + begin, std::size_t(text.size()) * 2);
    return text;
}

} // namespace tolvan
