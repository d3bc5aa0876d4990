// Division files (thumbnail and time range) and movie files of the
// full-time recorders: the same bytes through both readers.
#include "RecordingFuzz.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString division = fuzzsupport::writeInput(QStringLiteral("Video.dat"), data, size);
    if (division.isEmpty()) return 0;
    QStringList errors;
    if (const auto info = VideoInfo::fromDivisionFile(QUrl::fromLocalFile(division), errors))
        fuzzsupport::walk(*info);

    const QString movie = fuzzsupport::writeInput(QStringLiteral("M202001021530-0001.DAT"), data, size);
    const PictureDataType type = (size % 2 == 0) ? PictureDataType::All : PictureDataType::Classify;
    bool isError = false;
    if (const auto info = VideoInfo::readMoveFile(movie, fuzzsupport::farPast(), fuzzsupport::farFuture(),
                                                  type, nullptr, isError))
        fuzzsupport::walk(*info);
    return 0;
}
