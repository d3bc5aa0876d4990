// A whole recording read from arbitrary movie bytes, then the passes of a
// chapter's picture data and lookups over its tables.
#include "core/recording/PictureData.h"
#include "core/settings/SettingInfo.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    bool isError = false;
    auto info = VideoInfo::readMelsi14Device(buffer, CommonConst::DEFAULT_DATE(),
                                             CommonConst::DEFAULT_DATE().addYears(4000), isError, fileInfo);
    if (!info) return 0;
    const PictureData picture(info);
    const VideoInfo& v = *picture.video;
    const qint64 span = qint64(v._timeSpan);
    for (qint64 p : {qint64(-1), qint64(0), span / 2, span, span + 1, qint64(INT32_MAX)}) {
        (void)v.frameAt(0, p)->_movieTimeStamp;
        (void)v.frameAt(1, p)->_movieTimeStamp;
    }
    return 0;
}
