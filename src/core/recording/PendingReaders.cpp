#include "recording/VideoInfo.h"

// Readers of the recorder's data files and of folder recordings are not
// built yet. Until they are, such a recording reads as nothing, which the
// dispatch reports like any other unreadable file.

std::shared_ptr<VideoInfo> VideoInfo::readFile0401Move(const QString&, const VersionInfo&, const QDateTime&,
                                                       const QDateTime&, PictureDataType, const FullTimeDataInfo*,
                                                       bool&)
{
    return nullptr;
}

std::shared_ptr<VideoInfo> VideoInfo::readFolderMove(const QString&, const VersionInfo&, const QDateTime&,
                                                     const QDateTime&, PictureDataType, const FullTimeDataInfo*,
                                                     bool&)
{
    return nullptr;
}
