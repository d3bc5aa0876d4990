#include "core/mainwindow/Relaunch.h"

#include "core/foundation/UserDefaultUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace Relaunch {

bool start(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty()) return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QDir::currentPath());
    // The new copy must not share this one's pipes: it outlives it.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

bool relaunchIfRequested()
{
    return relaunchIfRequested(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
}

bool relaunchIfRequested(const QString& program, const QStringList& arguments)
{
    if (!restartRequested.exchange(false)) return false;
    return start(program, arguments);
}

} // namespace Relaunch
