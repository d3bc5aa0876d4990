// The recorder's data file: header, information records and blocks, and the
// export of the last picture and sound.
#include "RecordingFuzz.h"
#include "core/recording/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzzsupport::writeInput(QStringLiteral("M0001.DAT"), data, size);
    if (path.isEmpty()) return 0;
    // Exporting writes files; do it for some inputs only, so the rest run fast.
    const PictureDataType type = (size % 4 == 0) ? PictureDataType::All : PictureDataType::Thumbnail;
    bool isError = false;
    const auto info = VideoInfo::readFile0401Move(path, VersionInfo(), fuzzsupport::farPast(),
                                                  fuzzsupport::farFuture(), type, nullptr, isError);
    if (info) fuzzsupport::walk(*info);
    return 0;
}
