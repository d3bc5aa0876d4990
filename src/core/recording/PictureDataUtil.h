#pragma once

#include "core/catalog/ChapterData.h"
#include "core/recording/VideoFrame.h"

#include <cstdint>
#include <optional>

// Play positions over a list of chapters: chapter k starts one millisecond
// after the last position of chapter k - 1.
class PictureDataUtil {
public:
    PictureDataUtil() = delete;

    static qsizetype chapterCount(const ChapterList& chapters) { return chapters.size(); }
    // A chapter's length as play positions use it: 0 .. INT32_MAX (0 for none).
    // Reads nothing: a length that only the chapter's recording can tell is
    // 0 until the recording was loaded (the positions are asked on the GUI
    // thread at every tick of the clock).
    static qint64 chapterSpan(const std::shared_ptr<ChapterData>& chapter);
    // The chapter and the offset inside it of a play position, held to the list.
    static void chapterIndex(const ChapterList& chapters, std::int32_t position, qsizetype& index,
                             std::int32_t& offset);
    static std::int32_t position(const ChapterList& chapters, qsizetype chapter, std::int32_t offset);
    static std::int32_t totalLength(const ChapterList& chapters);
    // The movie position of the frame at a play position (loads the chapter).
    static std::optional<std::uint32_t> movieTimeStamp(const ChapterList& chapters, std::int32_t position);
    // The frame at a play position (loads the chapter); null without picture data.
    static VideoFramePtr videoFrame(const ChapterList& chapters, std::int32_t position);
    // The same from the picture data already loaded: none where the chapter's
    // recording has not been read yet. Nothing is read (for the GUI thread,
    // which leaves reading recordings to the background).
    static std::optional<std::uint32_t> loadedMovieTimeStamp(const ChapterList& chapters, std::int32_t position);
    static VideoFramePtr loadedVideoFrame(const ChapterList& chapters, std::int32_t position);
};
