// Prints the program's arguments as the program takes them (each in brackets
// on a line, UTF-8) after a QApplication has taken its own options from argv,
// as the program's start does. With TOLVAN_PRINT_TO set, writes them to that
// file instead, complete or not at all (a test waits for it).

#include "CommandLine.h"

#include <QApplication>
#include <QSaveFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    const QStringList arguments = tolvan::programArguments(argc, argv);
    QApplication app(argc, argv);
    QByteArray lines;
    for (const QString &argument : arguments)
        lines += '[' + argument.toUtf8() + "]\n";
    const QString target = qEnvironmentVariable("TOLVAN_PRINT_TO");
    if (target.isEmpty()) {
        std::fwrite(lines.constData(), 1, lines.size(), stdout);
        return 0;
    }
    QSaveFile file(target);
    return file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size() && file.commit()
               ? 0
               : 1;
}
