#include "catalog/ChapterData.h"

#include "foundation/CommonConst.h"
#include "recording/FullTimeDataInfo.h"
#include "recording/PictureData.h"
#include "settings/SettingInfo.h"

ChapterData::ChapterData(const QUrl& url)
    : _pathMove(url)
    , _pathMp4(url)
{
}

qint64 ChapterData::timeSpan() const
{
    std::shared_ptr<const PictureData> picture;
    {
        std::lock_guard lock(_pictureMutex);
        picture = _picture;
    }
    if (!picture) picture = loadPicture(true);
    if (picture && picture->video) {
        const quint64 span = picture->video->_timeSpan;
        _frameTimeSpan.store(qint64(std::min<quint64>(span, quint64(INT32_MAX))));
    }
    return _frameTimeSpan.load();
}

std::shared_ptr<const PictureData> ChapterData::storePicture(std::shared_ptr<const PictureData> picture) const
{
    std::lock_guard lock(_pictureMutex);
    if (!_picture) _picture = std::move(picture);
    return _picture;
}

std::shared_ptr<const PictureData> ChapterData::loadPicture(bool create) const
{
    {
        std::lock_guard lock(_pictureMutex);
        if (_picture || !create) return _picture;
    }
    ++_retryCntPictureData;
    // Read without the lock: a slow movie must not hold up the GUI thread
    // asking for what is already there.
    auto picture = std::make_shared<const PictureData>(
        _pathMove, PictureDataType::All, CommonConst::DEFAULT_DATE(), CommonConst::DEFAULT_DATE().addYears(4000),
        std::make_shared<FullTimeDataInfo>(), RecType::Melsi14Rec,
        SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    return storePicture(std::move(picture));
}
