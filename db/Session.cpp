#include "Session.h"

#include <QCoreApplication>
#include <optional>

namespace tolvan {
namespace {
std::optional<QString> givenCommandLine;
} // namespace

Session &session()
{
    static Session state;
    return state;
}

QString programCommandLine()
{
    if (givenCommandLine)
        return *givenCommandLine;
    return QCoreApplication::arguments().mid(1).join(u' ');
}

void setProgramCommandLine(const QString &text)
{
    givenCommandLine = text;
}

} // namespace tolvan
