#pragma once

#include "core/tools/DataCaption.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class VideoInfo;

// The ASS subtitle text that burns a chapter's driving data into a trimmed
// piece: one event per step of the recording's data, each showing the
// caption of the frame at the step's end.
namespace AssSubtitle {

struct Event {
    std::uint32_t start = 0; // ms
    std::uint32_t end = 0;   // ms
    QString text;
};

// 9 for a picture up to 640 wide, else 24.
int fontSize(int width);
// "hh:mm:ss.cc": hundredths truncated (83456 ms gives 00:01:23.45).
QString assTime(std::uint32_t ms);

// The events of a recording. Frame keys of table 0 in ascending order; each
// frame's time is the movie time stamp of the table-1 frame at its key; an
// event runs from the previous time to this one with this frame's caption;
// frames that do not move the time forward are skipped. Only the piece's
// events are made: times count from pieceStart (events before it are
// dropped, one across it starts at 0), so that they match a piece cut from
// pieceStart on, and events from pieceEnd on (movie time) are dropped (the
// one across it runs to its own end).
std::vector<Event> events(const VideoInfo& video, CaptionSelection selection, const CaptionSettings& settings,
                          std::uint32_t pieceStart = 0, std::optional<std::uint32_t> pieceEnd = std::nullopt);

// The whole file text (UTF-8 when written, no byte-order mark, no line feed
// after the last line).
QString text(int width, int height, const std::vector<Event>& events);

} // namespace AssSubtitle
