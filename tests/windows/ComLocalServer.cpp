// The double's local server, started by COM from the command line that the
// test registered: the test's process id and the embedded database.

#include "ComDouble.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments(); // (COM adds "-Embedding")
    if (arguments.size() < 3)
        return 2;
    return comdouble::serveLocally(arguments[1].toULong(), arguments[2]);
}
