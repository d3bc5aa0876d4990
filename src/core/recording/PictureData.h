#pragma once

#include "core/recording/PictureDataTypes.h"
#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"

#include <QDateTime>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class FullTimeDataInfo;

// The loaded content of one chapter's recording: read once when made, then
// given distances to the detection point and compass headings. Complete
// when the constructor returns and never changed afterwards, so it may be
// handed to other threads.
class PictureData {
public:
    using PictureDataType = ::PictureDataType;
    using RecType = ::RecType;

    PictureData(const std::optional<QUrl>& file, PictureDataType pictureDataType, const QDateTime& left,
                const QDateTime& right, std::shared_ptr<FullTimeDataInfo> fullTimeDataInfo,
                std::optional<RecType> recType, const QByteArray& fileInfoData);

    // Picture data of a recording already read (runs both passes over it).
    explicit PictureData(std::shared_ptr<VideoInfo> video);

    std::optional<QUrl> fullPath() const { return _fullPath; }
    std::optional<QUrl> dataPath() const;
    std::optional<QDateTime> startTime() const;
    std::optional<quint64> GetFrameTimeSpan() const;

    // The (key, frame) pairs of a table in key order.
    static std::vector<std::pair<qint64, VideoFramePtr>> framePairs(const FrameTable& table);

    // Distance in metres from each frame up to the detection point.
    static void computeDistances(VideoInfo& video);
    // Compass heading of each frame and the mark of frames at a new position.
    static void computeHeadings(VideoInfo& video);
    // Heading of the step from (x0, y0) to (x1, y1) (longitude, latitude);
    // None when the position did not change.
    static IconId headingIcon(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
    // The compass sector of an angle in degrees, counter-clockwise from east.
    static IconId headingOfAngle(double degrees);

    QDateTime _mLeft;
    QDateTime _mRight;
    PictureDataType _mPdtType = PictureDataType::Classify;
    std::shared_ptr<FullTimeDataInfo> _mFullTimeDataInfo;
    std::optional<QUrl> _fullPath;
    QString d2us = QStringLiteral("03");
    bool soundmute = false;
    QString eventFPS = QStringLiteral("00");
    QString movieFPS = QStringLiteral("01");
    VersionInfo _ver;
    std::shared_ptr<const VideoInfo> video;
    QStringList errors;

private:
    void adopt(std::shared_ptr<VideoInfo> read);
};
