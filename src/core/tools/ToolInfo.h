#pragma once

#include "core/catalog/ChapterData.h"
#include "core/foundation/CommonConst.h"

#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <optional>

enum class ToolType : std::uint8_t { Trim, Capture };

// What the main window hands to the trim and capture tools.
struct ToolInfo {
    ToolType type = ToolType::Trim;
    std::shared_ptr<ChapterData> chapter; // the play list's chapter at the play position; none outside it
    ChapterList chapterList;              // the play list's chapters
    // Trim: the selected range. Capture: the selection start and the play
    // position. Both in ms from the start of the play list.
    std::optional<qint64> selectStartSumFrameTS;
    std::optional<qint64> selectEndSumFrameTS;
    CommonConst::RecMode recMode = CommonConst::RecMode::Nomal;
    qint64 currentTimeMs = 0; // the media player's time in the chapter's movie (capture)
    double brightBarVal = 1.0; // the player's brightness value, 1.0 unchanged (capture)
};
