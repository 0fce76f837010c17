#include "Session.h"

namespace tolvan {
namespace {
QString givenCommandLine;
} // namespace

Session &session()
{
    static Session state;
    return state;
}

QString programCommandLine()
{
    return givenCommandLine;
}

void setProgramCommandLine(const QString &text)
{
    givenCommandLine = text;
}

} // namespace tolvan
