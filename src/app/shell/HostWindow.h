#pragma once

#include "app/shell/MainWindowViews.h"

#include <QMainWindow>
#include <memory>

class CardData;
class RecordingList;

// The main window as the views placed into it see it: the places they go
// into, the catalogue on show, the window title, the displays that follow
// the play position and the windows that float above it. A view tells it
// that it is there (and gone: null) through the setters. The main window
// implements it and deletes the views it placed before it goes itself, so
// that their last calls still reach it. GUI thread only.
class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;

    // Empty, hidden places with a vertical layout: the map's (under the
    // list) and the driving-data panel's (under the player). A view added
    // to one shows it.
    virtual QWidget* mapSlot() const = 0;
    virtual QWidget* drivingInfoSlot() const = 0;
    // The recording list's width (the stopwatch keeps as far from the
    // window's right edge).
    virtual int recordingListWidth() const = 0;

    // The catalogue on show, and the list made of it.
    virtual std::shared_ptr<CardData> cardData() const = 0;
    virtual const RecordingList& recordingList() const = 0;

    // Windows that float above this one (stopwatch, detached map): lowered
    // to the normal level around every modal run and alert.
    virtual void addFloatingWindow(QWidget* window) = 0;
    virtual void updateWindowTitle() = 0;
    // Brings every display that follows the play position in line with it.
    virtual void refreshDrivingInfo(bool playing) = 0;

    virtual void setMap(MapViewInterface* map) = 0;
    virtual void setDrivingInfo(DrivingInfoViewInterface* panel) = 0;
    virtual void setStopWatch(StopWatchInterface* stopWatch) = 0;
};
