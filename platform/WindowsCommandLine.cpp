#include "WindowsCommandLine.h"

namespace tolvan::windowsCommandLine {

QString withoutProgram(const QString &commandLine)
{
    qsizetype at = 0;
    if (commandLine.startsWith(u'"')) {
        at = commandLine.indexOf(u'"', 1);
        at = at < 0 ? commandLine.size() : at + 1;
    } else {
        while (at < commandLine.size() && commandLine[at] != u' ' && commandLine[at] != u'\t')
            ++at;
    }
    while (at < commandLine.size() && (commandLine[at] == u' ' || commandLine[at] == u'\t'))
        ++at;
    return commandLine.mid(at);
}

QStringList split(const QString &arguments)
{
    if (arguments.isEmpty())
        return {};
    QStringList result;
    QString current;
    bool quoted = false;
    qsizetype backslashes = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QChar c = arguments[i];
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            current += QString(backslashes / 2, u'\\');
            if (backslashes % 2) {
                current += u'"';
            } else if (quoted && i + 1 < arguments.size() && arguments[i + 1] == u'"') {
                current += u'"'; // "" inside quotes is a quote character
                ++i;
            } else {
                quoted = !quoted;
            }
            backslashes = 0;
            continue;
        }
        current += QString(backslashes, u'\\');
        backslashes = 0;
        if (c == u' ' && !quoted) {
            result << current;
            current.clear();
        } else {
            current += c;
        }
    }
    current += QString(backslashes, u'\\');
    result << current;
    return result;
}

} // namespace tolvan::windowsCommandLine
