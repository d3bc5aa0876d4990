#pragma once

#include <QString>
#include <QStringList>

// Starting the application again after the user accepted the restart that a
// changed viewer setting needs. The program is started as a new, detached
// process from its path and an argument list: no shell reads the path, so
// no character in it (quotes, ";", "$(...)") can run anything, and this copy
// ends normally instead of being killed.
namespace Relaunch {

// Starts program with arguments, detached, in the current folder. False when
// it could not be started.
bool start(const QString& program, const QStringList& arguments);

// When restartRequested is set: clears it and starts this program again with
// the arguments it was started with. False when nothing was started.
bool relaunchIfRequested();
// The same with another program (tests hand a stand-in).
bool relaunchIfRequested(const QString& program, const QStringList& arguments);

} // namespace Relaunch
