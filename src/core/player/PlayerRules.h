#pragma once

#include "core/foundation/CommonConst.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

class PlayMovieValueInfo;

// The movie player's decisions that need no widget: how the media player is
// kept in step with the clock's position, the seek target, the seconds label,
// the dates of the track bar and which controls are usable.
namespace PlayerRules {

// ---- keeping the media player in step with the clock ----

enum class SyncAction {
    None,         // nothing to do (no frame at the position, movie not ready)
    PauseAndSeek, // above 2x: the picture follows by one exact seek per tick
    Pause,        // the movie is ahead, at its end, or the recording stands still
    KeepRate,     // the movie is ahead within the margin: leave its rate alone
    Start,        // the movie lags or stands at the clock's frame: run it at the chosen rate
};

struct SyncInputs {
    float settingRate = 1.0f;
    bool itemReady = false;
    // Movie time (ms) of the frames at the position, 50 ms and 150 ms after it.
    std::optional<std::uint32_t> ts;
    std::optional<std::uint32_t> ts50;
    std::optional<std::uint32_t> ts150;
    qint64 now = 0;          // the media player's time (ms)
    qint64 itemEndLimit = 0; // see itemEndLimit()
    qint64 positionIndex = 0; // chapter of the position
    qint64 currentIndex = 0;  // chapter the model stands in
};

// The decision for one tick while the player plays.
SyncAction decideSync(const SyncInputs& in);

// The lead by which the movie may run ahead of the clock before it is paused
// (besides a fixed 100 ms): rate × 100 ms above 1x, else 0.
double syncLeadMs(float settingRate);

// The last movie time a synchronised movie may reach: its duration (ms,
// truncated), 100 ms less in the last chapter (so the last picture stays);
// 0 while the duration is unknown (negative).
qint64 itemEndLimit(qint64 durationMs, bool lastChapter);

// Where an exact seek goes: the frame's movie time, never past the end limit;
// 0 without a frame.
qint64 seekTarget(std::optional<std::uint32_t> frameTimeStamp, qint64 endLimit);

// ---- labels ----

// The seconds from the event to the position: "±00.0" when not ready or
// within 0.05 s of the event, "+12.5" after it, "-03.0" before it; empty for
// lists that are not event lists or have no event.
QString diffSecText(bool ready, CommonConst::PlayType type, qint64 eventFrame, qint64 position);

// Date and time of a position: the recorded time of the frame there, else the
// start of the chapter there, else the base date plus the position in seconds.
// The base date is the first chapter's start, or minValue seconds after 1970
// for an empty list. Reads nothing (the label follows every tick of the
// clock): a chapter whose recording is not loaded yet gives its start as its
// index record tells it.
QDateTime dateAtPosition(PlayMovieValueInfo& info, qint64 position, const std::optional<QDateTime>& baseDate);
// The same for the cut selection's start (no chapter fallback).
QDateTime dateAtSelectStart(PlayMovieValueInfo& info, qint64 selectStart, const std::optional<QDateTime>& baseDate);
std::optional<QDateTime> baseDateOf(const PlayMovieValueInfo& info);

// The date-time label: the viewer's placeholder while not ready or at the
// 1970 epoch, else the date in the viewer's format, zone and summer-time
// choice; in trim mode "start ～ current".
QString datetimeLabelText(bool notReady, const QDateTime& current, const std::optional<QDateTime>& selectStart);

// ---- enabled states ----

struct NavigationInputs {
    bool ready = false; // ready and not NotReady
    CommonConst::PlayStatus status = CommonConst::PlayStatus::NotReady;
    CommonConst::PlayType type = CommonConst::PlayType::Movie;
    qint64 position = 0;
    qint64 lower = 0;
    qint64 upper = 0;
    qint64 maxValue = 0;
    bool cutSelection = false;
    qint64 selectStart = 0;
    // Adventure lists: neighbouring chapters exist.
    bool hasPreviousChapter = false;
    bool hasNextChapter = false;
    // Movie lists: chapters of the bounds and of the position.
    qint64 startFrameIndex = 0;
    qint64 endFrameIndex = 0;
    qint64 currentIndex = 0;
    bool isPrevTrip = false;
    bool isNextTrip = false;
};

struct NavigationState {
    bool play = false;
    bool pause = false;
    bool pauseShown = false; // the pause button stands in for play
    bool stop = false;
    bool frameBack = false;
    bool frameForward = false;
    bool previousChapter = false;
    bool nextChapter = false;
    bool first = false;
    bool last = false;
    bool trackbar = false;
    bool fullscreen = false;
};
NavigationState navigationState(const NavigationInputs& in);

struct ToolState {
    bool save = false; // only a hint: the main window decides the save button
    bool setting = true;
    bool open = true;
    bool cut = false;
    bool snapshot = false;
    bool zoom = false;
    bool stopwatch = false;
    bool googleEarth = false;
    bool fullscreen = false;
};
ToolState toolState(bool ready, bool zoomOn, bool cutOn);

} // namespace PlayerRules
