// Playback.inf: the INI text beside a recording, in Shift-JIS.
#include "core/recording/PlaybackInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Playback.inf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    PlaybackInfo info;
    info.load(path);
    (void)info.userCarCode.size();
    return 0;
}
