#pragma once

#include <QByteArray>
#include <QStringView>

namespace tolvan {

// The single-byte code page of the desktop's text files (Windows-1252) on every
// platform. The five codes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// are read as the control characters of the same number.
namespace windows1252 {

// The character of a code.
char16_t character(unsigned char code);
// The code of a character, or -1 when the code page has none for it.
int code(char16_t character);

// Appends the text's bytes; every character the code page cannot hold, the
// five undefined codes included, becomes one "?".
void append(QByteArray &bytes, QStringView text);

} // namespace windows1252
} // namespace tolvan
