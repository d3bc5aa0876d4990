#pragma once

#include <cstdint>

// What the movie player asks of the main window. Every call is synchronous,
// on the GUI thread. The main window implements all of it and installs itself
// with MoviePlayerView::setDelegate().
class MoviePlayerViewDelegate {
public:
    // Every clock tick that stays inside the loaded chapter, after the media
    // player was brought in step: refresh the displays for the position
    // (animated when the player plays) and feed the stopwatch.
    virtual void playerPositionChanged() = 0;
    // The loaded chapter changed, or the first movie became ready: follow the
    // chapter in the list, refresh the displays and the window title.
    virtual void playerDidReachEnd() = 0;
    // Chapter lengths that became known moved the play list's positions and
    // the track bar's marks (PlayMovieValueInfo::followedPosition): positions
    // held beside the player move alike. A delegate that holds none leaves it.
    virtual void playerFollowedChapterLengths() {}
    // Refresh the displays for the current position.
    virtual void refreshDrivingInfo(bool animated) = 0;
    // The chapter's movie file does not exist ("Unable to locate the file.").
    virtual void showOpenFailed() = 0;
    // The chapter's movie cannot be played.
    virtual void showPlayFailed() = 0;
    // The player refreshed its tool buttons while a movie is ready: enable the
    // save button by the opened source.
    virtual void updateSaveButton() = 0;
    // Collapse (true) or restore (false) the side panels for full screen.
    virtual void setFullScreenLayout(bool fullScreen) = 0;
    // Whether the main window is in full screen, and the switch itself.
    virtual bool isFullscreen() const = 0;
    virtual void toggleFullScreen() = 0;
    // The open, save and settings buttons.
    virtual void showOpenDialog() = 0;
    virtual void showBackupDialog() = 0;
    virtual void showCameraSettings() = 0;
    // The first and last buttons: the neighbouring trip, event, surveillance
    // or adventure record of the main window's list.
    virtual void playPreviousItem() = 0;
    virtual void playNextItem() = 0;
    // The stopwatch button on and off.
    virtual void showStopWatch() = 0;
    virtual void hideStopWatch() = 0;
    virtual void exportGoogleEarth() = 0;
    // 5: the trim tool (for the current position), 6: the still capture.
    virtual void openToolWindow(std::uint8_t code) = 0;
    // 7: the stop button was pressed (the stopwatch stops; the trim
    // selection ends through MoviePlayerView::setCutSelection(false)).
    virtual void playerControlEvent(std::uint8_t code) = 0;

protected:
    ~MoviePlayerViewDelegate() = default;
};
