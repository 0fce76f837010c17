#include "ConsoleOutput.h"

namespace tolvan {

ConsoleOutput::ConsoleOutput(Stream stream) : m_stream(stream)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

ConsoleStream::ConsoleStream(ConsoleOutput::Stream stream) : m_device(stream)
{
    setDevice(&m_device);
}

ConsoleStream::~ConsoleStream()
{
    // (the device goes before the base class would flush into it)
    flush();
    setDevice(nullptr);
}

} // namespace tolvan
