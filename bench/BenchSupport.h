#pragma once

#include "Target.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

// A field of a process's /proc status in kB (this process unless `pid` is
// given): "VmRSS:" now, "VmHWM:" the peak.
inline qint64 statusKilobytes(const char *field, qint64 pid = 0)
{
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid)
                     : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The engine's own shell writing the rows of `query` as CSV into `output`
// (psql's COPY to its standard output, or sqlite3 -csv); seconds it took.
inline double shellSeconds(const tolvan::Target &target, const QString &query,
                           const QString &output)
{
    QProcess process;
    process.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    if (target.isServer()) {
        process.start(QStringLiteral("psql"),
                      {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"),
                       target.server, QStringLiteral("-p"), QString::number(target.port),
                       QStringLiteral("-d"), target.nameSpace.toLower(), QStringLiteral("-c"),
                       QStringLiteral("COPY (%1) TO STDOUT CSV").arg(query)});
    } else {
        process.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), target.file, query});
    }
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        qFatal("the shell failed: %s", process.readAllStandardError().constData());
    return double(timer.nsecsElapsed()) / 1e9;
}
