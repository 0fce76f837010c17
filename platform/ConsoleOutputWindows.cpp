// Windows: a console window shows what WriteConsoleW gives it, every
// character, whatever its code page; bytes written to it are read in that
// code page (850 in a German cmd, where UTF-8's "é" shows as "Ã©").

#include "ConsoleOutput.h"

#include <algorithm>
#include <cstdio>
#include <windows.h>

namespace tolvan {
namespace {

HANDLE handleOf(ConsoleOutput::Stream stream)
{
    return GetStdHandle(stream == ConsoleOutput::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// How many bytes at the end of `bytes` start a UTF-8 character that is not complete.
qsizetype unfinishedTail(const QByteArray &bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) != 0x80) { // the first byte of a character
            const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
    }
    return 0;
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
    m_unfinished.append(data, size);
    const qsizetype complete = m_unfinished.size() - unfinishedTail(m_unfinished);
    const QString text = QString::fromUtf8(m_unfinished.constData(), complete);
    m_unfinished.remove(0, complete);
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<qsizetype>(left, 8192));
        if (!WriteConsoleW(handleOf(m_stream), wide, part, &written, nullptr) || written == 0)
            return -1;
        wide += written;
        left -= written;
    }
    return size;
}

} // namespace tolvan
