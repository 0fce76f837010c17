// M command lines against the demo database, as TV.Windows.Xecute runs them:
// any line either writes something or raises ServerError, never more.

#include "DemoData.h"
#include "Engine.h"
#include "Factory.h"
#include "Schema.h"
#include "ServerError.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>

using namespace tolvan;

namespace {
Factory *factory = nullptr;
int runs = 0;

void connect()
{
    if (!factory->connect(QStringLiteral("cn_iptcp:[1972]:TOLVAN")))
        qFatal("connect: %s", qPrintable(factory->lastConnectError()));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fuzz.db"));
    {
        auto engine = openSqlite(file, true);
        schema::create(*engine);
        loadDemoData(*engine, 20, [](const QString &) {});
    }
    qputenv("TOLVAN_DATABASE", file.toLocal8Bit());
    static Factory connected;
    factory = &connected;
    connect();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (++runs % 1000 == 0)
        connect(); // a fresh connection now and then: the locals do not pile up
    try {
        auto windows = factory->createObject(QStringLiteral("TV.Windows"));
        windows->call(QStringLiteral("Xecute"), {line});
    } catch (const ServerError &) {
    }
    return 0;
}
