// The arguments as the shell split them: argv, before QApplication changes it.

#include "CommandLine.h"

#include <QFileInfo>

namespace tolvan {

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString programFolder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

} // namespace tolvan
