#pragma once

#include "core/panels/SpeedMeterModel.h"

#include <memory>

class VideoInfo;

// The speed meter's timing of one chapter: for every frame's movie time
// stamp, the seconds that remain until the recorded speed next changes. A
// run of equal speeds is stored under its first stamp with its length (from
// the end of the run before it); every later stamp of the run gets that
// length minus the time already gone.
namespace SpeedRunTable {
SpeedMeterModel::DurationTable build(const std::shared_ptr<const VideoInfo>& video);
} // namespace SpeedRunTable
