#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <cstdint>

class VideoInfo;

namespace TrimmedMovie {

enum class ArchiveResult {
    Read,            // the tables are filled
    NoPictureFrames, // a sound archive without a picture footer: tables empty
    Unreadable,      // not a sound archive of the trim information
};

// Fills a trimmed movie's recording from the archive that follows the
// file-information record in its udat payload, and gives the first and last
// time stamps. left and right are the reader's time range. On Unreadable the
// recording is left as it was.
ArchiveResult readArchive(VideoInfo& info, QByteArrayView archive, const QDateTime& left,
                          const QDateTime& right, std::uint32_t& t0, std::uint32_t& t1);

} // namespace TrimmedMovie
