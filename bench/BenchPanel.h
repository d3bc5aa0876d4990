#pragma once

// The movie player panel over one movie, for the benchmarks: a delegate
// that does nothing but may watch the clock's ticks, and the movie as a
// chapter with a frame record every frameMs.

#include "app/player/MoviePlayerViewDelegate.h"
#include "core/catalog/ChapterData.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUrl>
#include <functional>
#include <memory>

namespace benchpanel {

struct Delegate : MoviePlayerViewDelegate {
    std::function<void()> onTick; // after each tick of the panel's clock
    void playerPositionChanged() override
    {
        if (onTick) onTick();
    }
    void playerDidReachEnd() override {}
    void refreshDrivingInfo(bool) override {}
    void showOpenFailed() override {}
    void showPlayFailed() override {}
    void updateSaveButton() override {}
    void setFullScreenLayout(bool) override {}
    bool isFullscreen() const override { return false; }
    void toggleFullScreen() override {}
    void showOpenDialog() override {}
    void showBackupDialog() override {}
    void showCameraSettings() override {}
    void playPreviousItem() override {}
    void playNextItem() override {}
    void showStopWatch() override {}
    void hideStopWatch() override {}
    void exportGoogleEarth() override {}
    void openToolWindow(std::uint8_t) override {}
    void playerControlEvent(std::uint8_t) override {}
};

// Frame records at 0, frameMs, ... up to lastFrameMs, on both channels.
inline std::shared_ptr<ChapterData> movieChapter(const QString& movie, qint64 lastFrameMs, qint64 frameMs,
                                                 qint64 timeSpan)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= lastFrameMs; t += frameMs) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->setTime(start.addMSecs(t));
            frame->speed = 50;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, frameMs, lon, lat);
    }
    info->_timeSpan = quint64(timeSpan);
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(movie));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

} // namespace benchpanel
