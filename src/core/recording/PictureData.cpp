#include "core/recording/PictureData.h"

#include "core/foundation/AppError.h"
#include "core/recording/FullTimeDataInfo.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <numbers>

PictureData::PictureData(const std::optional<QUrl>& file, PictureDataType pictureDataType, const QDateTime& left,
                         const QDateTime& right, std::shared_ptr<FullTimeDataInfo> fullTimeDataInfo,
                         std::optional<RecType> recType, const QByteArray& fileInfoData)
    : _mLeft(left)
    , _mRight(right)
    , _mPdtType(pictureDataType)
    , _mFullTimeDataInfo(fullTimeDataInfo ? std::move(fullTimeDataInfo) : std::make_shared<FullTimeDataInfo>())
    , _fullPath(file)
{
    if (recType != RecType::Melsi14Rec) {
        try {
            std::optional<QString> dir;
            if (file) dir = QFileInfo(file->toLocalFile()).absolutePath();
            _ver = VersionInfo::check(dir);
        } catch (const AppError& e) {
            errors.append(e.domain());
        }
    }
    // A thumbnail comes from a division file as it stands: no passes over it.
    if (pictureDataType == PictureDataType::Thumbnail) {
        if (file) video = VideoInfo::fromDivisionFile(*file, errors);
        return;
    }
    if (!file || !recType) return;
    adopt(VideoInfo::fromFile(*file, _ver, errors, left, right, pictureDataType, _mFullTimeDataInfo.get(), *recType,
                              fileInfoData));
}

PictureData::PictureData(std::shared_ptr<VideoInfo> read)
    : _mLeft(CommonConst::DEFAULT_DATE())
    , _mRight(CommonConst::DEFAULT_DATE().addYears(4000))
    , _mPdtType(PictureDataType::All)
    , _mFullTimeDataInfo(std::make_shared<FullTimeDataInfo>())
{
    adopt(std::move(read));
}

void PictureData::adopt(std::shared_ptr<VideoInfo> read)
{
    if (!read) return;
    d2us = read->_playback.d2US;
    eventFPS = read->_playback.eventFPS;
    movieFPS = read->_playback.movieFPS;
    soundmute = read->bMoveSoundMute;
    computeDistances(*read);
    computeHeadings(*read);
    video = std::move(read);
}

std::optional<QUrl> PictureData::dataPath() const
{
    if (!_fullPath) return std::nullopt;
    return _fullPath->adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash);
}

std::optional<QDateTime> PictureData::startTime() const
{
    if (!video) return std::nullopt;
    return video->firstTime;
}

std::optional<quint64> PictureData::GetFrameTimeSpan() const
{
    if (!video) return std::nullopt;
    return video->_timeSpan;
}

std::vector<std::pair<qint64, VideoFramePtr>> PictureData::framePairs(const FrameTable& table)
{
    return {table.begin(), table.end()};
}

void PictureData::computeDistances(VideoInfo& v)
{
    const qint64 d = v._playback.detectPosition;
    const qint64 t = qint64(std::min<quint64>(v._timeSpan, quint64(std::numeric_limits<qint64>::max())));
    qint64 p = 0;
    if (d > 0 && d < t) p = d;
    else if (t != 0 && d < t) p = t;

    const FrameTable& table = v.getCameraFrames(0);
    if (const auto it = table.find(p); it != table.end()) it->second->ex.distance = 0.0;

    KeyList keys;
    keys.reserve(table.size());
    const bool pIsKey = table.count(p) != 0;
    for (const auto& entry : table) {
        if (pIsKey && entry.first > p) break;
        keys.push_back(entry.first);
    }
    if (keys.size() <= 1) return;

    double distance = 0.0;
    for (std::size_t i = keys.size() - 1; i >= 1; --i) {
        const VideoFramePtr f = v.frameAt(0, keys[i], true);
        const VideoFramePtr g = v.frameAt(0, keys[i - 1], true);
        const qint64 dt = g->_timeStamp > f->_timeStamp ? 0 : qint64(f->_timeStamp) - qint64(g->_timeStamp);
        if (dt > 0) {
            // Hours per metre-step: km/h * 1000 / rate gives the metres of dt.
            const float rate = float(3600.0 / (double(dt) * 0.001));
            if (rate != 0.0f) distance += double(float(float(f->speed) * 1000.0f / rate));
        }
        f->ex.distance = distance;
    }
}

IconId PictureData::headingOfAngle(double a)
{
    static constexpr IconId sectors[16] = {
        IconId::East,  IconId::NorthEE, IconId::NorthEast, IconId::NNEast, IconId::North,  IconId::NNWest,
        IconId::NorthWest, IconId::NorthWW, IconId::West,  IconId::SouthWW, IconId::SouthWest, IconId::SSWest,
        IconId::South, IconId::SSEast,  IconId::SouthEast, IconId::SouthEE,
    };
    if (!(a >= 11.25) || a >= 348.75) return IconId::East;
    const int index = int((a - 11.25) / 22.5) + 1;
    return sectors[std::clamp(index, 1, 15)];
}

IconId PictureData::headingIcon(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    const double dx = double(x1) - double(x0);
    const double dy = double(y1) - double(y0);
    if (dx == 0.0 && dy == 0.0) return IconId::None;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double a = std::acos(std::clamp(dx / r, -1.0, 1.0)) * 180.0 / std::numbers::pi;
    const double angle = std::asin(std::clamp(dy / r, -1.0, 1.0)) >= 0.0 ? a : 360.0 - a;
    return headingOfAngle(angle);
}

void PictureData::computeHeadings(VideoInfo& v)
{
    const FrameTable& table = v.getCameraFrames(0);
    const auto first = table.find(0);
    if (first == table.end()) return;
    std::int32_t refX = first->second->_longitude;
    std::int32_t refY = first->second->_latitude;

    const auto pairs = framePairs(table);
    if (pairs.empty()) return;
    IconId last = IconId::None;
    qint64 firstHeading = -1;
    std::optional<bool> previousGps;
    std::pair<std::int32_t, std::int32_t> p1{0, 0};
    std::pair<std::int32_t, std::int32_t> p2{0, 0};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        VideoFrame& f = *pairs[i].second;
        const std::pair<std::int32_t, std::int32_t> c{f._longitude, f._latitude};
        IconId h = headingIcon(refX, refY, c.first, c.second);
        if (h == IconId::None) h = last;
        f.ex.direction = h;
        if (h != IconId::None && firstHeading == -1) firstHeading = qint64(i);
        last = h;

        const bool gpsChanged = previousGps && f.gps != *previousGps;
        if ((c != p1 || gpsChanged) && (c != p2 || gpsChanged)) f.ex.isFrameEnable = true;
        p2 = p1;
        p1 = c;
        refX = c.first;
        refY = c.second;
        previousGps = bool(f.gps);
    }
    if (firstHeading > 0) {
        const IconId h = pairs[std::size_t(firstHeading)].second->ex.direction;
        for (qint64 i = 0; i < firstHeading; ++i) pairs[std::size_t(i)].second->ex.direction = h;
    }
}
