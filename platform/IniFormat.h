#pragma once

#include <QSettings>

namespace tolvan {

// The settings file as an administrator writes it by hand: "[Section]", then
// "Key=Value" lines in UTF-8, lines starting with ";" or "#" are comments. A
// value is the text after the first "=", blanks around it left out, and
// nothing else: commas, quotes, semicolons and backslashes are part of it
// (Qt's own INI format reads commas as lists and backslashes as escapes).
// A value that would not read back so (line breaks, control characters,
// blanks at either end) is written as @Text(...) with backslash escapes,
// which is read back as the text it stands for.
QSettings::Format iniFormat();

} // namespace tolvan
