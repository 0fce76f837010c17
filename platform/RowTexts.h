#pragma once

#include <QStringView>
#include <memory>
#include <vector>

namespace tolvan {

// Many row texts in few large blocks: one allocation per megabyte of text
// instead of one per row, so a million rows cost little more than their text.
class RowTexts {
public:
    void append(QStringView text);
    void clear();
    qsizetype size() const { return qsizetype(m_starts.size()); }
    QStringView at(qsizetype row) const;
    // Bytes held for texts and index, for the benchmark.
    qsizetype memoryUsed() const;

private:
    struct Start {
        quint32 block;
        quint32 offset;
    };
    struct Block {
        std::unique_ptr<char16_t[]> text;
        qsizetype capacity = 0;
        qsizetype used = 0;
    };

    std::vector<Block> m_blocks;
    std::vector<Start> m_starts;
};

} // namespace tolvan
