#pragma once

#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"
#include "core/mainwindow/WindowTitle.h"

#include <QString>
#include <memory>
#include <optional>

// What the main window asks of the views that are placed into it after it is
// built: the player, the driving-data panel, the map and the stopwatch, and
// the play road that plays a chosen recording (which the map asks too). Each view implements its
// interface and is handed to the ViewController; while a view is missing,
// the steps that need it are left out.

// The player.
class MoviePlayerViewInterface {
public:
    virtual ~MoviePlayerViewInterface() = default;
    // A movie is loaded, its media player is ready and its status is not NotReady.
    virtual bool isReadyToPlay() const = 0;
    virtual void pause() = 0;
    virtual void closeMovie(bool keepList) = 0;
    virtual bool autoPlay() const = 0;
    virtual void setAutoPlay(bool autoPlay) = 0;
    virtual void play() = 0;
    virtual void setLoadingTextVisible(bool visible) = 0;
    virtual void setSaveButtonEnabled(bool enabled, const QString& toolTip) = 0;
    // Start-up: button states, then the stored volume, mute flag and brightness.
    virtual void applyStartupSettings(float volume, bool mute, double gamma) = 0;
    // What the window title is made from.
    virtual WindowTitleState windowTitleState() const = 0;
    // What quit stores: the mute flag and the brightness slider's value.
    virtual bool isMute() const = 0;
    virtual double brightness() const = 0;
    // The window entered (true) or left full screen: zoom reset on entering,
    // the full-screen button's state and tool tip.
    virtual void fullScreenDidChange(bool fullScreen) = 0;
    // The tool row above the picture (hidden in full screen).
    virtual void setToolsVisible(bool visible) = 0;
    // The chapter at the play position (none when the position lies outside
    // the play list); the backup starts with it checked.
    virtual std::shared_ptr<ChapterData> currentChapter() const { return nullptr; }
};

// The driving-data panel.
class DrivingInfoViewInterface {
public:
    virtual ~DrivingInfoViewInterface() = default;
    // Start-up: speed unit (true km/h), which parts are shown, border.
    virtual void applyStartupSettings(bool speedKmh, bool showSpeedMeter, bool showCircleChart) = 0;
    virtual void refreshDrivingInfo(bool playing) = 0;
    // A trip or adventure recording starts playing: the panel and the circle
    // chart take its chapters.
    virtual void setChapterList(const ChapterList& chapters) = 0;
    // An event or surveillance recording starts playing: they take its window.
    virtual void setAccident(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record) = 0;
    // The catalogue's worker loaded a chapter's recording.
    virtual void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter) = 0;
};

// The map pane.
class MapViewInterface {
public:
    virtual ~MapViewInterface() = default;
    // Start-up: balloon display, map type, page language and zoom.
    virtual void applySettings(bool dispBalloon, const QString& mapTypeId, int language, int zoom) = 0;
    // Loads the map page (after an offline start); false when it could not.
    virtual bool loadPage() = 0;
    // The page's zoom while the map is zoomed and centred on data (to be
    // remembered before another source is opened; the next data is then
    // centred again), and its balloon flag.
    virtual std::optional<int> zoomToRemember() = 0;
    virtual bool dispBalloon() = 0;
    // Removes the route, the markers and the car.
    virtual void clearForLoad() = 0;
    // A new catalogue is shown: zoom and centre reset, markers and routes drawn.
    virtual void showCatalogue(const std::shared_ptr<CardData>& card) = 0;
    // A chapter's recording was loaded in the background: its route can be drawn.
    virtual void tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter) = 0;
    // Another recording is about to play: the route and the car go.
    virtual void clearRouteAndCar() = 0;
    // The route of the trip or adventure recording that now plays.
    virtual void drawTripRoute(const std::shared_ptr<TripData>& trip) = 0;
    // The route of an event's or surveillance recording's play window.
    virtual void drawWindowRoute(const ChapterList& chapters, qint64 minValue, qint64 maxValue) = 0;
    // The car at the play position (sent to the page only when it moved).
    virtual void refreshCar() = 0;
    // The window entered (true) or left full screen: a detached map steps
    // aside and comes back.
    virtual void fullScreenDidChange(bool fullScreen) = 0;
    // Saving at quit: whether the map was zoomed and centred on data, the
    // page's zoom (none while unknown) and its map type.
    virtual bool isZoomedAndCentred() const = 0;
    virtual std::optional<int> currentZoom() = 0;
    virtual QString mapTypeId() = 0;
    // The player's Google Earth button: exports the route of what plays.
    virtual void exportGoogleEarth() = 0;
};

// The stopwatch.
class StopWatchInterface {
public:
    virtual ~StopWatchInterface() = default;
    // No measurement is held.
    virtual bool isReady() const = 0;
    // Drops the measurement.
    virtual void reset() = 0;
};

// Plays what the list or the load asks for (and selects its rows).
class PlayRoad {
public:
    virtual ~PlayRoad() = default;
    virtual bool playTrip(int row, int chapter, bool switchTab, bool resetView) = 0;
    virtual bool playSurveillance(int row, bool switchTab) = 0;
    // After a load: the first trip, else the first surveillance recording;
    // false (nothing said yet) when neither plays.
    virtual bool playFirstRecording() = 0;
    // A clicked row of the list.
    virtual bool playListRow(CommonConst::ListType type, int row) = 0;
    // A chapter of a trip or adventure (the trip's position moves when it
    // plays already), or an event or surveillance recording (its row; the
    // chapter row is not used): a marker of the map.
    virtual void playChapter(CommonConst::ListType type, int parentRow, int chapterRow, bool switchTab) = 0;
};
