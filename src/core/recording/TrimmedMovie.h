#pragma once

#include <QByteArrayView>
#include <cstdint>

class VideoInfo;

namespace TrimmedMovie {

// Fills the frame tables of a trimmed movie from the archive that follows
// the file-information record in its udat payload, and gives the first and
// last time stamps. False when the archive yields no picture frame.
bool readArchive(VideoInfo& info, QByteArrayView archive, std::uint32_t& t0, std::uint32_t& t1);

} // namespace TrimmedMovie
