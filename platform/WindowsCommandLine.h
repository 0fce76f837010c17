#pragma once

#include <QStringList>

namespace tolvan::windowsCommandLine {

// How a Windows command-line text (GetCommandLineW) becomes arguments; plain
// text work, so that it is tested on every system.

// The text after the program's own path: a path in double quotes ends at the
// closing quote, any other at the first blank or tab; the blanks and tabs
// that separate it from the first argument go too.
QString withoutProgram(const QString &commandLine);

// The arguments of that text. Every blank outside double quotes ends an
// argument, so two blanks leave an empty one and a trailing blank an empty
// last one. Double quotes are taken out and keep blanks inside an argument;
// the C runtime's rules for quotes hold: 2n backslashes before a quote give n
// and the quote counts as a quote, 2n+1 give n and a quote character, two
// quotes inside quotes give a quote character; backslashes elsewhere are
// plain characters. The empty text has none.
QStringList split(const QString &arguments);

} // namespace tolvan::windowsCommandLine
