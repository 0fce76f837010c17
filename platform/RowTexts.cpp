#include "RowTexts.h"

#include <algorithm>
#include <cstring>

namespace tolvan {
namespace {
constexpr qsizetype BlockSize = qsizetype(1) << 20; // characters
} // namespace

void RowTexts::append(QStringView text)
{
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < text.size()) {
        Block block;
        block.capacity = std::max(BlockSize, text.size());
        block.text = std::make_unique_for_overwrite<char16_t[]>(std::size_t(block.capacity));
        m_blocks.push_back(std::move(block));
    }
    Block &block = m_blocks.back();
    std::memcpy(block.text.get() + block.used, text.utf16(), std::size_t(text.size()) * 2);
    m_starts.push_back({quint32(m_blocks.size() - 1), quint32(block.used)});
    block.used += text.size();
}

void RowTexts::clear()
{
    std::vector<Block>().swap(m_blocks);
    std::vector<Start>().swap(m_starts);
}

QStringView RowTexts::at(qsizetype row) const
{
    const Start start = m_starts[std::size_t(row)];
    const Block &block = m_blocks[start.block];
    qsizetype end = block.used;
    if (row + 1 < size() && m_starts[std::size_t(row + 1)].block == start.block)
        end = m_starts[std::size_t(row + 1)].offset;
    return QStringView(block.text.get() + start.offset, end - qsizetype(start.offset));
}

qsizetype RowTexts::memoryUsed() const
{
    qsizetype bytes = qsizetype(m_starts.capacity() * sizeof(Start));
    for (const Block &block : m_blocks)
        bytes += block.capacity * 2;
    return bytes;
}

} // namespace tolvan
