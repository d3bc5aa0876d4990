#pragma once

#include "core/catalog/ChapterData.h"
#include "core/recording/VideoFrame.h"

#include <cstdint>
#include <memory>

#include "core/recording/VideoInfo.h"

// The frames of one channel of a recording at offsets that only grow: the
// same frame as VideoInfo::frameAt gives, found by walking the table once
// instead of searching it for every offset (a window of half an hour is
// tens of thousands of lookups). An offset below the one before is looked up.
class FrameCursor {
public:
    FrameCursor() = default;
    FrameCursor(std::shared_ptr<const VideoInfo> video, int channel);
    VideoFramePtr frameAt(qint64 offset);

private:
    std::shared_ptr<const VideoInfo> m_video;
    int m_channel = 0;
    const FrameTable* m_table = nullptr;
    FrameTable::const_iterator m_at;
    qint64 m_last = -1;
};

// Walks a play list by growing positions and gives the picture channel's
// frame at each, from the picture data that is already loaded: a chapter
// whose recording has not been read yet (or could not be read) gives none,
// and nothing is read here. The driving displays run on the GUI thread and
// leave reading recordings to the catalogue's workers and the player.
//
// Positions follow the play list: chapter k covers its time span + 1
// positions, a position past the last chapter lies at the end of the last.
class LoadedFrames {
public:
    explicit LoadedFrames(const ChapterList& chapters) : m_chapters(chapters) {}

    // The chapter index and offset of a position; positions must not fall
    // below one asked before (the cursor only moves forward).
    struct Place {
        qsizetype index = -1; // -1: empty list
        std::int32_t offset = 0;
    };
    Place place(std::int32_t position);
    // The frame at a position; null without loaded picture data there.
    VideoFramePtr frameAt(std::int32_t position);

    // The recording of a chapter as loaded so far (null while none).
    static std::shared_ptr<const VideoInfo> loadedVideo(const std::shared_ptr<ChapterData>& chapter);
    // One lookup from the start of a list.
    static VideoFramePtr frameAt(const ChapterList& chapters, std::int32_t position);

private:
    const ChapterList& m_chapters;
    qsizetype m_index = 0;
    qint64 m_start = 0;
    qint64 m_span = -1; // of m_index; -1 until needed
    qsizetype m_videoIndex = -1;
    FrameCursor m_cursor;
    bool m_hasVideo = false;
};
