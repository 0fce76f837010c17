#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace tolvan {

// Many row texts in few large blocks: one allocation per two megabytes instead
// of one per row. A row whose characters all lie in Latin-1 (German text with
// umlauts and "ß" does) takes one byte per character, others two; so a million
// rows cost less memory than their texts as QStrings.
class RowTexts {
public:
    void append(QStringView text);
    // The same for a text in UTF-8.
    void appendUtf8(QByteArrayView text);
    void clear();
    qsizetype size() const { return qsizetype(m_starts.size()); }
    QString at(qsizetype row) const;

private:
    struct Start {
        quint32 block;
        quint32 place; // offset in bytes times 2, plus 1 for a UTF-16 row

        qsizetype offset() const { return place >> 1; }
        bool wide() const { return place & 1; }
    };
    struct Block {
        std::unique_ptr<char[]> bytes;
        qsizetype capacity = 0;
        qsizetype used = 0;
    };

    char *reserve(qsizetype bytes, bool wide);

    std::vector<Block> m_blocks;
    std::vector<Start> m_starts;
};

} // namespace tolvan
