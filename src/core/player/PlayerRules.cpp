#include "core/player/PlayerRules.h"

#include "core/catalog/ChapterData.h"
#include "core/foundation/DateFormat.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoFrame.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace PlayerRules {

namespace {

std::int32_t toPosition(qint64 v)
{
    return std::int32_t(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

// A frame's recorded time, when it has one worth showing and its chapter's
// recording has been loaded.
std::optional<QDateTime> frameTime(const ChapterList& chapters, qint64 position)
{
    const VideoFramePtr frame = PictureDataUtil::loadedVideoFrame(chapters, toPosition(position));
    if (!frame || !frame->time().isValid()) return std::nullopt;
    return frame->time();
}

QDateTime baseOr(const PlayMovieValueInfo& info, const std::optional<QDateTime>& baseDate)
{
    if (baseDate && baseDate->isValid()) return *baseDate;
    return QDateTime::fromSecsSinceEpoch(info._minValue, Qt::UTC);
}

} // namespace

double syncLeadMs(float settingRate)
{
    return settingRate > 1.0f ? double(settingRate) * 100.0 : 0.0;
}

SyncAction decideSync(const SyncInputs& in)
{
    if (!in.ts) return SyncAction::None;
    if (in.settingRate > 2.0f) return SyncAction::PauseAndSeek;
    if (!in.itemReady) return SyncAction::None;
    // Over the next 150 ms the recording does not move on (its last frame,
    // or a stretch without pictures): hold the picture while the clock runs.
    if (in.ts50.has_value() == in.ts150.has_value() && (!in.ts50 || *in.ts50 == *in.ts150))
        return SyncAction::Pause;
    const qint64 ts = qint64(*in.ts);
    if (ts >= in.itemEndLimit) return SyncAction::Pause;
    if (double(ts) < double(in.now) - 100.0 - syncLeadMs(in.settingRate)) return SyncAction::Pause;
    if (in.positionIndex < in.currentIndex) return SyncAction::Pause;
    // A movie standing at the clock's own frame is started too: left until
    // the clock reaches the next frame, it would trail the panels by that
    // frame for the rest of the play (at 1x a lag is never made up).
    return ts < in.now ? SyncAction::KeepRate : SyncAction::Start;
}

qint64 itemEndLimit(qint64 durationMs, bool lastChapter)
{
    if (durationMs < 0) return 0;
    return lastChapter ? durationMs - 100 : durationMs;
}

qint64 seekTarget(std::optional<std::uint32_t> frameTimeStamp, qint64 endLimit)
{
    return std::min<qint64>(frameTimeStamp ? qint64(*frameTimeStamp) : 0, endLimit);
}

QString diffSecText(bool ready, CommonConst::PlayType type, qint64 eventFrame, qint64 position)
{
    if (!ready) return QStringLiteral("±00.0");
    if (type != CommonConst::PlayType::Event || eventFrame < 0) return QString();
    const double d = double(position - eventFrame) / 1000.0;
    if (std::round(std::abs(d) * 10.0) == 0.0) return QStringLiteral("±00.0");
    if (d > 0) return QString::asprintf("+%04.1f", d);
    return QString::asprintf("-%04.1f", -d);
}

std::optional<QDateTime> baseDateOf(const PlayMovieValueInfo& info)
{
    if (info._chapterDataList.isEmpty() || !info._chapterDataList.first()) return std::nullopt;
    return info._chapterDataList.first()->knownStartTime();
}

QDateTime dateAtPosition(PlayMovieValueInfo& info, qint64 position, const std::optional<QDateTime>& baseDate)
{
    if (auto t = frameTime(info._chapterDataList, position)) return *t;
    const qsizetype index = info.currentIndex();
    if (index >= 0 && index < info._chapterDataList.size() && info._chapterDataList[index])
        return info._chapterDataList[index]->knownStartTime();
    return baseOr(info, baseDate).addMSecs(info._currentValue);
}

QDateTime dateAtSelectStart(PlayMovieValueInfo& info, qint64 selectStart, const std::optional<QDateTime>& baseDate)
{
    if (auto t = frameTime(info._chapterDataList, selectStart)) return *t;
    return baseOr(info, baseDate).addMSecs(selectStart);
}

QString datetimeLabelText(bool notReady, const QDateTime& current, const std::optional<QDateTime>& selectStart)
{
    const QString placeholder = DateFormatTables::noDataTexts().current();
    if (notReady) return placeholder;
    const auto& formats = DateFormatTables::dateTimeFormats();
    if (selectStart)
        return Date::toViewerString(*selectStart, formats) + QStringLiteral(" \uFF5E ")
            + Date::toViewerString(current, formats);
    if (!current.isValid() || current.toMSecsSinceEpoch() == 0) return placeholder;
    return Date::toViewerString(current, formats);
}

NavigationState navigationState(const NavigationInputs& in)
{
    NavigationState s;
    if (!in.ready || in.status == CommonConst::PlayStatus::NotReady) return s;
    const bool playing = in.status == CommonConst::PlayStatus::Play;
    s.pauseShown = playing;
    s.trackbar = true;
    s.play = !playing && (in.position < in.upper || in.upper == in.maxValue);
    s.pause = true;
    s.stop = in.status != CommonConst::PlayStatus::Stop;
    s.frameBack = in.lower < in.position && (!in.cutSelection || in.selectStart < in.position);
    s.frameForward = in.position < in.upper;
    switch (in.type) {
    case CommonConst::PlayType::Adventure:
        s.previousChapter = in.hasPreviousChapter;
        s.nextChapter = in.hasNextChapter;
        break;
    case CommonConst::PlayType::Movie:
        s.previousChapter = in.startFrameIndex < in.currentIndex;
        s.nextChapter = in.currentIndex < in.endFrameIndex;
        break;
    case CommonConst::PlayType::Event:
    case CommonConst::PlayType::Surveillance:
        break;
    }
    s.first = in.isPrevTrip;
    s.last = in.isNextTrip;
    s.fullscreen = true;
    return s;
}

ToolState toolState(bool ready, bool zoomOn, bool cutOn)
{
    ToolState s;
    if (!ready) return s;
    s.save = true;
    s.stopwatch = true;
    s.googleEarth = true;
    s.fullscreen = true;
    s.cut = !zoomOn;
    s.snapshot = !zoomOn;
    s.zoom = !cutOn;
    return s;
}

} // namespace PlayerRules
