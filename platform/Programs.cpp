#include "Programs.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tolvan {
namespace {

class SystemPrograms : public Programs {
public:
    QString find(const QString &name) override { return QStandardPaths::findExecutable(name); }
    bool isPlainFile(const QString &path) override
    {
        const QFileInfo file(path);
        return file.isFile() && !file.isHidden();
    }
    bool startDetached(const QString &path, const QStringList &arguments) override
    {
        return !path.isEmpty() && QProcess::startDetached(path, arguments);
    }
};


} // namespace

Programs &Programs::current()
{
    static SystemPrograms system;
    return installed() ? *installed() : system;
}


} // namespace tolvan
