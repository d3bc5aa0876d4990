// The recorder's event file: header, information records and the block pass.
#include "RecordingFuzz.h"
#include "core/recording/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzzsupport::writeInput(QStringLiteral("Video.dat"), data, size);
    if (path.isEmpty()) return 0;
    const PictureDataType type = (size % 4 == 0) ? PictureDataType::All : PictureDataType::Thumbnail;
    bool isError = false;
    const auto info = VideoInfo::readFolderMove(path, VersionInfo(), fuzzsupport::farPast(),
                                                fuzzsupport::farFuture(), type, nullptr, isError);
    if (info) fuzzsupport::walk(*info);
    return 0;
}
