#pragma once

#include "core/mainwindow/OpenData.h"

#include <QString>

// The main window's open road as the source choosers see it (the "Open
// From" chooser and the backup-folder chooser it runs): the stopwatch
// question before the data on show is replaced, then the load of the
// chosen source.
class OpenRoad {
public:
    virtual ~OpenRoad() = default;
    // Opens the chosen source; kind is the kind of source it is.
    virtual void loadData(const QString& path, bool autoPlay, MovieType kind) = 0;
    // May the data in the main window be replaced (the stopwatch question)?
    virtual bool confirmStopwatchDiscard() = 0;
};
