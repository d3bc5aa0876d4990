#pragma once

#include "core/foundation/CommonConst.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/player/StopWatchStatus.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

class ChapterData;
class PictureData;
class QAbstractButton;

// The player panel as the views placed beside it see it (the driving-data
// panel, the map and the tools): what plays and where, its status, and the
// few commands they give it. The player implements it; the views never see
// its controls beyond the buttons named here. GUI thread only.
class PlayerPane : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The play list, its kind and position; never null (empty while nothing plays).
    virtual std::shared_ptr<PlayMovieValueInfo> playing() const = 0;
    // The status, NotReady while no movie is ready to play.
    virtual CommonConst::PlayStatus playStatus() const = 0;
    // Inside a move of the position: the position and the movie are changing.
    virtual bool isChangingChapter() const = 0;
    // The chapter at the position, and its picture data as loaded so far (the
    // player loads it in the background).
    virtual std::shared_ptr<ChapterData> currentChapterData() const = 0;
    virtual std::shared_ptr<const PictureData> currentPictureData() const = 0;
    // Runs then, while context lives, once the picture data of the chapter at
    // the position has arrived or could not be had; at once when none is on
    // its way.
    virtual void whenChapterLoaded(QObject* context, std::function<void()> then) = 0;
    // The track bar's position: ms over the play list.
    virtual qint64 trackbarValue() const = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // Moves to a position and leaves the player in the given status.
    virtual void changeChapter(CommonConst::PlayStatus status, qint64 position) = 0;
    // Chapter lengths that became known move the play list's positions; true when any moved.
    virtual bool followChapterLengths() = 0;

    // The stopwatch's marks on the track bar.
    virtual void refreshTrackbar(StopWatchStatus status, qint64 start, const QList<qint64>& laps,
                                 qint64 stopPosition, qint64 bound) = 0;
    // The trim range: whether its start is marked, where, and the marking on or off.
    virtual bool hasCutStart() const = 0;
    virtual qint64 cutStart() const = 0;
    virtual void setCutSelection(bool on) = 0;
    // The media player's own time in its movie (0 without one), and the picture's brightness.
    virtual qint64 mediaTimeMs() const = 0;
    virtual double gamma() const = 0;

    // The buttons the views beside the player reach: the first of its row
    // (focus goes on to it from the panel), the cut, snapshot and stopwatch
    // buttons (their windows open level with them; the stopwatch's goes off
    // with its window).
    enum class Button : std::uint8_t { Open, Cut, SnapShot, StopWatch };
    virtual QAbstractButton* button(Button which) const = 0;
};
