#pragma once

// Chapters with recordings made in memory, for the driving-display tests.

#include "core/catalog/ChapterData.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QTimeZone>
#include <functional>
#include <memory>

namespace paneltest {

struct FrameValues {
    std::int32_t speed = 0;
    double gx = 0.0;
    double gy = 0.0;
    bool gps = true;
};

// A recording of durationMs with a frame every frameMs in both channels,
// frame values from the function of the frame's time (ms from the start).
inline std::shared_ptr<VideoInfo> recording(qint64 durationMs, qint64 frameMs,
                                            const std::function<FrameValues(qint64)>& values)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= durationMs; t += frameMs) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->time = start.addMSecs(t);
            const FrameValues v = values(t);
            frame->speed = v.speed;
            frame->gX = v.gx;
            frame->gY = v.gy;
            frame->gps = v.gps;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, frameMs, lon, lat);
    }
    info->_timeSpan = quint64(durationMs);
    info->_fileVersion = QStringLiteral("0714");
    info->completeTables();
    return info;
}

// A chapter of no trip whose movie does not exist: its recording is
// whatever a test stores.
inline std::shared_ptr<ChapterData> emptyChapter(int n = 1)
{
    return std::make_shared<ChapterData>(
        QUrl::fromLocalFile(QStringLiteral("/nonexistent/m20260315083000%1.MP4").arg(n, 2, 10, QLatin1Char('0'))));
}

inline std::shared_ptr<ChapterData> chapterOf(std::shared_ptr<VideoInfo> info, int n = 1)
{
    auto chapter = emptyChapter(n);
    chapter->storePicture(std::make_shared<PictureData>(std::move(info)));
    return chapter;
}

} // namespace paneltest
