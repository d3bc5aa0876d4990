#pragma once

// What the recording-file fuzz targets share: the input written to a file of
// its own (the readers read files by name) and a walk over what was read.

#include "core/recording/RecordingExports.h"
#include "core/recording/VideoInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzzsupport {

inline QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size)
{
    // No application object here to remove the readers' last export at the end.
    static const int cleanUp = std::atexit(RecordingExports::removeCurrent);
    (void)cleanUp;
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

// The whole time range a reader may be asked for.
inline const QDateTime& farPast()
{
    return CommonConst::DEFAULT_DATE();
}
inline QDateTime farFuture()
{
    return CommonConst::DEFAULT_DATE().addYears(9000);
}

// Touches every table and a few lookups, as the player would.
inline void walk(const VideoInfo& info)
{
    const qint64 span = qint64(info._timeSpan);
    for (std::size_t n = 0; n < info.arrayCamera.size(); ++n) {
        for (qint64 p : {qint64(-1), qint64(0), span / 2, span, span + 1}) {
            const VideoFramePtr f = info.frameAt(int(n), p);
            (void)f->_movieTimeStamp;
            (void)f->imageData().size();
        }
    }
    if (info._thumbnail) (void)info._thumbnail->_timeStamp;
}

} // namespace fuzzsupport
