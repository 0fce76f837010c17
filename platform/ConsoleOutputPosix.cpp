// Everywhere but Windows a terminal reads the bytes as they are: UTF-8.

#include "ConsoleOutput.h"

#include <cstdio>

namespace tolvan {

bool ConsoleOutput::isConsole() const
{
    return false;
}

qint64 ConsoleOutput::writeData(const char *data, qint64 size)
{
    FILE *file = m_stream == Output ? stdout : stderr;
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(size), file);
    std::fflush(file);
    return written == static_cast<std::size_t>(size) ? size : -1;
}

} // namespace tolvan
