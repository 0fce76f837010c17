// Windows: a console window shows what WriteConsoleW gives it, every
// character, whatever its code page; bytes written to it are read in that
// code page (850 in a German cmd, where UTF-8's "é" shows as two wrong
// characters).

#include "ConsoleOutput.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <windows.h>

namespace tolvan {
namespace {

HANDLE handleOf(ConsoleOutput::Stream stream)
{
    return GetStdHandle(stream == ConsoleOutput::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

bool ConsoleOutput::isConsole() const
{
    DWORD mode = 0;
    return GetConsoleMode(handleOf(m_stream), &mode) != 0;
}

qint64 ConsoleOutput::writeData(const char *data, qint64 size)
{
    FILE *file = m_stream == Output ? stdout : stderr;
    if (!isConsole()) {
        const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(size), file);
        std::fflush(file);
        return written == static_cast<std::size_t>(size) ? size : -1;
    }
    std::fflush(file); // what went through the C library first stays first
    // (the decoder keeps the start of a character split between two writes)
    const QString text = m_decoder.decode(QByteArrayView(data, size));
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        qsizetype part = std::min<qsizetype>(left, 8192);
        if (part < left && QChar::isHighSurrogate(wide[part - 1]))
            --part; // a character beyond 16 bits goes whole
        DWORD written = 0;
        if (!WriteConsoleW(handleOf(m_stream), wide, DWORD(part), &written, nullptr) ||
            written == 0)
            return -1;
        wide += written;
        left -= written;
    }
    return size;
}

} // namespace tolvan
