#pragma once

#include <QIODevice>
#include <QStringDecoder>
#include <QTextStream>

namespace tolvan {

// Standard output or standard error as a device for QTextStream, written so
// that every character reads right: on Windows a console window gets the
// text through the console's wide-character output, whatever code page it
// was set to (a German cmd has 850); a pipe or a file gets UTF-8 there as on
// Linux, the bytes unchanged, lines ending in CR LF on Windows.
class ConsoleOutput : public QIODevice {
public:
    enum Stream { Output, Error };

    explicit ConsoleOutput(Stream stream);
    bool isSequential() const override { return true; }
    // Whether the stream is a console window (the text goes as UTF-16 then).
    bool isConsole() const;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    // Takes UTF-8; a character split between two writes is joined.
    qint64 writeData(const char *data, qint64 size) override;

private:
    Stream m_stream;
    QStringDecoder m_decoder{QStringDecoder::Utf8}; // a console's: UTF-8 to UTF-16
};

// A text stream onto standard output or standard error through ConsoleOutput.
class ConsoleStream : public QTextStream {
public:
    explicit ConsoleStream(ConsoleOutput::Stream stream);
    ~ConsoleStream() override;

private:
    ConsoleOutput m_device;
};

} // namespace tolvan
