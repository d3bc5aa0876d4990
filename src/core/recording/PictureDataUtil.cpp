#include "core/recording/PictureDataUtil.h"

#include "core/recording/PictureData.h"

#include <algorithm>

namespace {

qint64 spanOf(const ChapterList& chapters, qsizetype i)
{
    return PictureDataUtil::chapterSpan(chapters[i]);
}

std::int32_t toPosition(qint64 v)
{
    return std::int32_t(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

std::shared_ptr<const VideoInfo> videoAt(const ChapterList& chapters, std::int32_t position, std::int32_t& offset,
                                         bool load)
{
    qsizetype index = 0;
    PictureDataUtil::chapterIndex(chapters, position, index, offset);
    if (index < 0 || index >= chapters.size() || !chapters[index]) return nullptr;
    const std::shared_ptr<const PictureData> picture = chapters[index]->loadPicture(load);
    return picture ? picture->video : nullptr;
}

} // namespace

qint64 PictureDataUtil::chapterSpan(const std::shared_ptr<ChapterData>& chapter)
{
    return chapter ? std::clamp<qint64>(chapter->knownTimeSpan(), 0, INT32_MAX) : 0;
}

void PictureDataUtil::chapterIndex(const ChapterList& chapters, std::int32_t position, qsizetype& index,
                                   std::int32_t& offset)
{
    index = 0;
    offset = 0;
    if (chapters.isEmpty()) return;
    qint64 rest = position;
    qsizetype i = 0;
    for (qint64 span = spanOf(chapters, i); span < rest; span = spanOf(chapters, i)) {
        rest -= span + 1;
        ++i;
        if (i == chapters.size()) break;
    }
    if (i == chapters.size()) {
        index = chapters.size() - 1;
        offset = toPosition(spanOf(chapters, index));
        return;
    }
    index = i;
    offset = toPosition(std::clamp<qint64>(rest, 0, spanOf(chapters, i)));
}

std::int32_t PictureDataUtil::position(const ChapterList& chapters, qsizetype chapter, std::int32_t offset)
{
    qint64 sum = 0;
    const qsizetype end = std::clamp<qsizetype>(chapter, 0, chapters.size());
    for (qsizetype k = 0; k < end; ++k) sum += spanOf(chapters, k) + 1;
    return toPosition(sum + offset);
}

std::int32_t PictureDataUtil::totalLength(const ChapterList& chapters)
{
    if (chapters.isEmpty()) return 0;
    const qsizetype last = chapters.size() - 1;
    return position(chapters, last, toPosition(spanOf(chapters, last)));
}

namespace {

std::optional<std::uint32_t> movieTimeStampOf(const ChapterList& chapters, std::int32_t position, bool load)
{
    std::int32_t offset = 0;
    const auto video = videoAt(chapters, position, offset, load);
    if (!video) return std::nullopt;
    return video->frameAt(1, offset, true)->_movieTimeStamp;
}

VideoFramePtr videoFrameOf(const ChapterList& chapters, std::int32_t position, bool load)
{
    std::int32_t offset = 0;
    const auto video = videoAt(chapters, position, offset, load);
    if (!video) return nullptr;
    return video->frameAt(0, offset, true);
}

} // namespace

std::optional<std::uint32_t> PictureDataUtil::movieTimeStamp(const ChapterList& chapters, std::int32_t position)
{
    return movieTimeStampOf(chapters, position, true);
}

VideoFramePtr PictureDataUtil::videoFrame(const ChapterList& chapters, std::int32_t position)
{
    return videoFrameOf(chapters, position, true);
}

std::optional<std::uint32_t> PictureDataUtil::loadedMovieTimeStamp(const ChapterList& chapters, std::int32_t position)
{
    return movieTimeStampOf(chapters, position, false);
}

VideoFramePtr PictureDataUtil::loadedVideoFrame(const ChapterList& chapters, std::int32_t position)
{
    return videoFrameOf(chapters, position, false);
}
