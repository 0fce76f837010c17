#pragma once

#include <QStringList>

namespace tolvan {

// The process's arguments as the user typed them, without the program's own
// path, before QApplication takes out what it reads as its own options (so
// "-reverse" or "-style" stay login fields). Call it first thing in main().
//
// The login fields are these arguments joined by single blanks, and a field
// is what stands between two single blanks, so one empty argument leaves an
// empty field. The rule on each system:
// - Linux: the shell's words; an empty field is typed as "" (or ''), quotes
//   are the shell's and do not reach the program.
// - Windows: the raw command-line text, read by the C runtime's quoting rules
//   except that every blank ends a field: two blanks leave a field empty, ""
//   is an empty field, a field in double quotes loses its quotes (a blank
//   inside them stays), \" is a quote character.
QStringList programArguments(int argc, char *argv[]);

// The folder that holds the running program, before any application object
// exists (which QCoreApplication::applicationDirPath needs).
QString programFolder();

} // namespace tolvan
