#include "core/panels/LoadedFrames.h"

#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <algorithm>

std::shared_ptr<const VideoInfo> LoadedFrames::loadedVideo(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter) return nullptr;
    const std::shared_ptr<const PictureData> picture = chapter->loadPicture(false);
    return picture ? picture->video : nullptr;
}

LoadedFrames::Place LoadedFrames::place(std::int32_t position)
{
    if (m_chapters.isEmpty()) return {};
    const qint64 p = position;
    // The last chapter's length is never needed to find a position: it holds
    // everything after the chapters before it (a frame lookup past its end
    // gives its last frame), so a last chapter not loaded yet stays unread.
    while (m_index + 1 < m_chapters.size()) {
        if (m_span < 0) m_span = PictureDataUtil::chapterSpan(m_chapters[m_index]);
        if (p <= m_start + m_span) break;
        m_start += m_span + 1;
        ++m_index;
        m_span = -1;
    }
    qint64 offset = std::max<qint64>(p - m_start, 0);
    if (m_span >= 0) offset = std::min(offset, m_span);
    return {m_index, std::int32_t(std::min<qint64>(offset, INT32_MAX))};
}

VideoFramePtr LoadedFrames::frameAt(std::int32_t position)
{
    const Place at = place(position);
    if (at.index < 0) return nullptr;
    if (at.index != m_videoIndex) {
        m_videoIndex = at.index;
        std::shared_ptr<const VideoInfo> video = loadedVideo(m_chapters[at.index]);
        m_hasVideo = bool(video);
        m_cursor = FrameCursor(std::move(video), 0);
    }
    return m_hasVideo ? m_cursor.frameAt(at.offset) : nullptr;
}

FrameCursor::FrameCursor(std::shared_ptr<const VideoInfo> video, int channel)
    : m_video(std::move(video)), m_channel(channel)
{
    if (!m_video) return;
    m_table = &m_video->getCameraFrames(channel);
    m_at = m_table->begin();
}

VideoFramePtr FrameCursor::frameAt(qint64 offset)
{
    if (!m_video) return nullptr;
    if (!m_table || m_table->empty() || offset < m_last) return m_video->frameAt(m_channel, offset, true);
    m_last = offset;
    // A few steps are walked; a longer jump is searched.
    int steps = 0;
    auto next = std::next(m_at);
    for (; next != m_table->end() && next->first <= offset && steps < 16; ++next, ++steps) m_at = next;
    if (next != m_table->end() && next->first <= offset) m_at = std::prev(m_table->upper_bound(offset));
    // Before the first key, or a hole in the table: the lookup decides.
    if (m_at->first > offset || !m_at->second) return m_video->frameAt(m_channel, offset, true);
    return m_at->second;
}

VideoFramePtr LoadedFrames::frameAt(const ChapterList& chapters, std::int32_t position)
{
    LoadedFrames frames(chapters);
    return frames.frameAt(position);
}
