#pragma once

#include "Programs.h"

#include <QStringList>

// Programs on the search path, files that exist, and what was started; a
// program that is not there is never started for real. Installs itself while it lives.
class FakePrograms : public tolvan::Programs {
public:
    FakePrograms() { install(this); }
    ~FakePrograms() override { install(nullptr); }
    FakePrograms(const FakePrograms &) = delete;

    QString find(const QString &name) override
    {
        return onPath.contains(name) ? "/usr/bin/" + name : QString();
    }
    bool isPlainFile(const QString &path) override { return files.contains(path); }
    bool startDetached(const QString &path, const QStringList &arguments) override
    {
        tried << (QStringList{path} + arguments).join(' ');
        return files.contains(path) || (path.startsWith("/usr/bin/") && !broken.contains(path));
    }
    QStringList onPath, files, broken, tried;
};
