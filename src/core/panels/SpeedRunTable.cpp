#include "core/panels/SpeedRunTable.h"

#include "core/panels/LoadedFrames.h"

#include "core/recording/VideoInfo.h"

#include <vector>

SpeedMeterModel::DurationTable SpeedRunTable::build(const std::shared_ptr<const VideoInfo>& video)
{
    if (!video) return {};
    struct Stamp {
        std::int32_t t;
        std::int32_t speed;
    };
    // Speeds are taken from the picture channel, stamps from the movie
    // channel at the same time key (the stamps the meter is later asked for).
    std::vector<Stamp> stamps;
    const FrameTable& pictures = video->getCameraFrames(0);
    stamps.reserve(pictures.size());
    // The keys grow, so the movie channel is walked once alongside.
    FrameCursor movie(video, 1);
    for (const auto& [key, frame] : pictures) {
        if (!frame) continue;
        stamps.push_back({std::int32_t(movie.frameAt(key)->_movieTimeStamp), frame->speed});
    }

    SpeedMeterModel::DurationTable table;
    if (stamps.empty()) return table;
    table.reserve(qsizetype(stamps.size()));

    // Runs of equal speed, each written under its first stamp.
    std::int32_t runStart = stamps.front().t;
    std::int32_t runLast = stamps.front().t;
    qint64 previousRunLast = 0;
    for (size_t i = 0; i < stamps.size(); ++i) {
        if (i > 0 && stamps[i].speed != stamps[i - 1].speed) {
            table.insert(runStart, double(qint64(runLast) - previousRunLast) / 1000.0);
            previousRunLast = runLast;
            runStart = stamps[i].t;
        }
        runLast = stamps[i].t;
    }
    table.insert(runStart, double(qint64(runLast) - previousRunLast) / 1000.0);

    // Every other stamp: the time left of its run.
    double length = 0.0;
    double elapsed = 0.0;
    std::int32_t previous = stamps.front().t;
    for (const Stamp& s : stamps) {
        if (const auto it = table.constFind(s.t); it != table.constEnd()) {
            length = it.value();
            elapsed = 0.0;
        } else {
            elapsed += double(qint64(s.t) - qint64(previous)) / 1000.0;
            table.insert(s.t, length - elapsed);
        }
        previous = s.t;
    }
    return table;
}
